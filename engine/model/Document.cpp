// Quillon engine: the document model that the reader records and the writers walk.
#include "Document.h"

#include <cmath>

namespace engine {
namespace {

bool blocksHaveContent(const Blocks& blocks, int depth);

bool inlinesHaveContent(const std::vector<Inline>& inlines)
{
    for (const Inline& i : inlines) {
        if (i.kind == Inline::Kind::Object)
            return true;
        if (i.kind == Inline::Kind::Text && !i.text.trimmed().isEmpty())
            return true;
    }
    return false;
}

bool blockHasContent(const Block& block, int depth)
{
    if (const auto* p = std::get_if<Paragraph>(&block.content))
        return inlinesHaveContent(p->inlines);
    if (const auto* l = std::get_if<List>(&block.content)) {
        for (const ListItem& item : l->items) {
            if (blocksHaveContent(item.blocks, depth + 1))
                return true;
        }
        return false;
    }
    if (std::holds_alternative<Table>(block.content))
        return true;
    if (const auto* b = std::get_if<Box>(&block.content))
        return blocksHaveContent(b->blocks, depth + 1);
    return false;
}

bool blocksHaveContent(const Blocks& blocks, int depth)
{
    if (depth > kMaxNesting)
        return false;
    for (const Block& b : blocks) {
        if (blockHasContent(b, depth))
            return true;
    }
    return false;
}

} // namespace

bool CharFormat::operator==(const CharFormat& o) const
{
    return bold == o.bold && italic == o.italic && underline == o.underline &&
           doubleUnderline == o.doubleUnderline && strikeout == o.strikeout &&
           superscript == o.superscript && subscript == o.subscript && smallCaps == o.smallCaps &&
           outline == o.outline && shadow == o.shadow && fontName == o.fontName &&
           qFuzzyCompare(fontSizePt + 1, o.fontSizePt + 1) && color == o.color &&
           background == o.background;
}

bool TabStop::operator==(const TabStop& o) const
{
    return qFuzzyCompare(position + 1, o.position + 1) && kind == o.kind && decimal == o.decimal &&
           leader == o.leader;
}

bool PageLayout::sameGeometry(const PageLayout& o) const
{
    auto same = [](double a, double b) { return std::abs(a - b) < 0.001; };
    return same(width, o.width) && same(height, o.height) && same(marginTop, o.marginTop) &&
           same(marginRight, o.marginRight) && same(marginBottom, o.marginBottom) &&
           same(marginLeft, o.marginLeft);
}

Inline Inline::textRun(QString text, CharFormat format, int link)
{
    Inline i;
    i.text = std::move(text);
    i.format = std::move(format);
    i.link = link;
    return i;
}

Inline Inline::of(Kind kind)
{
    Inline i;
    i.kind = kind;
    return i;
}

Inline Inline::noteRef(int note)
{
    Inline i;
    i.kind = Kind::NoteRef;
    i.note = note;
    return i;
}

std::vector<InlineRange> linkRanges(const std::vector<Inline>& inlines)
{
    std::vector<InlineRange> ranges;
    for (size_t i = 0; i < inlines.size(); ++i) {
        const Inline& item = inlines[i];
        const int link = item.kind == Inline::Kind::NoteRef ? -1 : item.link;
        if (ranges.empty() || ranges.back().link != link || link < 0)
            ranges.push_back({i, i + 1, link});
        else
            ranges.back().end = i + 1;
    }
    // Unlinked neighbours need no separate ranges.
    std::vector<InlineRange> merged;
    for (const InlineRange& r : ranges) {
        if (!merged.empty() && merged.back().link < 0 && r.link < 0)
            merged.back().end = r.end;
        else
            merged.push_back(r);
    }
    return merged;
}

QString Document::property(const QString& name) const
{
    for (const auto& [key, value] : metadata) {
        if (key == name)
            return value;
    }
    return {};
}

QString Document::title(const QString& fallback) const
{
    for (const QString& candidate : {property(QStringLiteral("title")), fallback}) {
        const QString t = candidate.simplified();
        if (!t.isEmpty())
            return t;
    }
    return QStringLiteral("Untitled document");
}

bool Document::isBlank() const
{
    if (blocksHaveContent(body, 0))
        return false;
    for (const HeaderFooter& hf : headersFooters) {
        if (blocksHaveContent(hf.blocks, 0))
            return false;
    }
    for (const Note& n : notes) {
        if (blocksHaveContent(n.blocks, 0))
            return false;
    }
    return true;
}

} // namespace engine
