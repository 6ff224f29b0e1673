// Quillon engine: where a page-less output shows each header and footer.
#include "PageFurniture.h"

namespace engine {
namespace {

void appendText(const Blocks& blocks, QString& out, int depth)
{
    if (depth > kMaxNesting)
        return;
    for (const Block& b : blocks) {
        if (const auto* p = std::get_if<Paragraph>(&b.content)) {
            for (const Inline& i : p->inlines)
                out += i.kind == Inline::Kind::Text ? i.text : QStringLiteral("\x01");
            out += QLatin1Char('\n');
        } else if (const auto* l = std::get_if<List>(&b.content)) {
            for (const ListItem& item : l->items)
                appendText(item.blocks, out, depth + 1);
        } else if (const auto* t = std::get_if<Table>(&b.content)) {
            for (const TableRow& row : t->rows) {
                for (const TableCell& cell : row.cells)
                    appendText(cell.blocks, out, depth + 1);
            }
        } else if (const auto* box = std::get_if<Box>(&b.content)) {
            appendText(box->blocks, out, depth + 1);
        }
    }
}

// Whether a header shows anything: an empty one is a suppressed or discontinued header.
bool showsAnything(const HeaderFooter& hf)
{
    QString text;
    appendText(hf.blocks, text, 0);
    return !text.trimmed().isEmpty();
}

} // namespace

PageFurniture::PageFurniture(const Document& document)
{
    const auto spans = static_cast<int>(document.pageSpans.size());
    m_start.resize(static_cast<size_t>(spans));
    m_end.resize(static_cast<size_t>(spans));
    const auto& all = document.headersFooters;
    for (size_t i = 0; i < all.size(); ++i) {
        const HeaderFooter& hf = all[i];
        const int index = static_cast<int>(i);
        if (hf.span < 0 || hf.span >= spans)
            (hf.footer ? m_after : m_before).push_back(index);
        else if (showsAnything(hf))
            (hf.footer ? m_end : m_start)[static_cast<size_t>(hf.span)].push_back(index);
    }
}

std::vector<int> PageFurniture::unreached(const QSet<int>& met) const
{
    std::vector<int> out;
    for (size_t span = 0; span < m_start.size(); ++span) {
        if (met.contains(static_cast<int>(span)))
            continue;
        out.insert(out.end(), m_start[span].begin(), m_start[span].end());
        out.insert(out.end(), m_end[span].begin(), m_end[span].end());
    }
    return out;
}

const std::vector<int>& PageFurniture::atStart(int span) const
{
    static const std::vector<int> none;
    return span >= 0 && static_cast<size_t>(span) < m_start.size()
               ? m_start[static_cast<size_t>(span)]
               : none;
}

const std::vector<int>& PageFurniture::atEnd(int span) const
{
    static const std::vector<int> none;
    return span >= 0 && static_cast<size_t>(span) < m_end.size() ? m_end[static_cast<size_t>(span)]
                                                                 : none;
}

} // namespace engine
