// Quillon engine: records librevenge's text callbacks into a Document.
#include "ModelBuilder.h"

#include "BinaryData.h"

#include <QStringList>

#include <algorithm>
#include <array>
#include <cstring>
#include <string>

namespace engine {
namespace {

// Limits that keep a hostile document from exhausting memory: counted in model items
// (inlines and blocks), characters of text and bytes of embedded objects.
constexpr qsizetype kMaxItems = 4'000'000;
constexpr qsizetype kMaxCharacters = 64 * 1024 * 1024;
constexpr qsizetype kMaxObjectBytes = 128 * 1024 * 1024;
constexpr int kMaxSpan = 1000;

QString str(const librevenge::RVNGPropertyList& props, const char* name)
{
    const librevenge::RVNGProperty* p = props[name];
    return p ? QString::fromUtf8(p->getStr().cstr()) : QString();
}

std::optional<int> integer(const librevenge::RVNGPropertyList& props, const char* name)
{
    const librevenge::RVNGProperty* p = props[name];
    if (!p)
        return std::nullopt;
    return p->getInt();
}

// A length in inches, whatever unit librevenge stored it in.
double inchesOf(const librevenge::RVNGProperty& p)
{
    const double v = p.getDouble();
    double result = 0;
    switch (p.getUnit()) {
    case librevenge::RVNG_INCH:
        result = v;
        break;
    case librevenge::RVNG_POINT:
        result = v / 72.0;
        break;
    case librevenge::RVNG_TWIP:
        result = v / 1440.0;
        break;
    default:
        return 0;
    }
    // Anything beyond a few yards is damage, not layout.
    return std::isfinite(result) ? std::clamp(result, -100.0, 100.0) : 0;
}

double inches(const librevenge::RVNGPropertyList& props, const char* name)
{
    const librevenge::RVNGProperty* p = props[name];
    return p ? inchesOf(*p) : 0;
}

double points(const librevenge::RVNGPropertyList& props, const char* name)
{
    const librevenge::RVNGProperty* p = props[name];
    if (!p)
        return 0;
    const double v = p->getDouble();
    double result = 0;
    switch (p->getUnit()) {
    case librevenge::RVNG_POINT:
    case librevenge::RVNG_GENERIC:
        result = v;
        break;
    case librevenge::RVNG_INCH:
        result = v * 72.0;
        break;
    case librevenge::RVNG_TWIP:
        result = v / 20.0;
        break;
    default:
        return 0;
    }
    return std::isfinite(result) && result > 0 ? std::min(result, 1000.0) : 0;
}

// The checks of a value's shape are written by hand: compiling regular expressions would cost
// more than the rest of a small document's conversion.
bool isHexDigit(QChar c)
{
    return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
}

// Whether the text is a colour "#rrggbb" (hexadecimal digits in either case).
bool isHexColor(QStringView text)
{
    return text.size() == 7 && text[0] == u'#' &&
           std::all_of(text.begin() + 1, text.end(), isHexDigit);
}

// The number of ASCII digits from `from` on.
qsizetype digitsFrom(QStringView text, qsizetype from)
{
    qsizetype i = from;
    while (i < text.size() && text[i] >= u'0' && text[i] <= u'9')
        ++i;
    return i - from;
}

// Whether the text is a CSS length of 1 to 4 digits, optionally 1 to 6 decimals, and a unit of
// in, pt, cm, mm or px ("0.0007in").
bool isCssLength(QStringView text)
{
    const qsizetype digits = digitsFrom(text, 0);
    if (digits < 1 || digits > 4)
        return false;
    qsizetype i = digits;
    if (i < text.size() && text[i] == u'.') {
        const qsizetype decimals = digitsFrom(text, i + 1);
        if (decimals < 1 || decimals > 6)
            return false;
        i += 1 + decimals;
    }
    const QStringView unit = text.mid(i);
    return unit == u"in" || unit == u"pt" || unit == u"cm" || unit == u"mm" || unit == u"px";
}

QString color(const librevenge::RVNGPropertyList& props, const char* name)
{
    const QString value = str(props, name);
    return isHexColor(value) ? value.toLower() : QString();
}

// A border as librevenge gives it ("0.0007in solid #000000"), rebuilt from the words CSS
// accepts (a length, a line style, a colour), so no document can put anything else into a
// style sheet.
QString parseBorder(const QString& text)
{
    static const QStringList styles{QStringLiteral("none"),   QStringLiteral("hidden"),
                                    QStringLiteral("dotted"), QStringLiteral("dashed"),
                                    QStringLiteral("solid"),  QStringLiteral("double"),
                                    QStringLiteral("groove"), QStringLiteral("ridge"),
                                    QStringLiteral("inset"),  QStringLiteral("outset")};
    QString width, style, colour;
    const QStringList words = text.simplified().split(QLatin1Char(' '));
    for (const QString& w : words) {
        if (isCssLength(w))
            width = w;
        else if (styles.contains(w))
            style = w;
        else if (isHexColor(w))
            colour = w.toLower();
    }
    if (style.isEmpty() || style == QLatin1String("none") || style == QLatin1String("hidden"))
        return {};
    QStringList parts;
    if (!width.isEmpty())
        parts << width;
    parts << style;
    if (!colour.isEmpty())
        parts << colour;
    return parts.join(QLatin1Char(' '));
}

// A cell's border ("0.0138in solid #000000"). A table's cells repeat a few borders thousands of
// times: the last few are remembered as librevenge wrote them.
QString border(const librevenge::RVNGPropertyList& props, const char* name)
{
    const librevenge::RVNGProperty* p = props[name];
    if (!p)
        return {};
    struct Known {
        std::string text;
        QString css;
    };
    thread_local std::array<Known, 4> known;
    thread_local size_t next = 0;
    const librevenge::RVNGString text = p->getStr();
    for (const Known& k : known) {
        if (!k.text.empty() && k.text == text.cstr())
            return k.css;
    }
    Known& k = known[next++ % known.size()];
    k.text = text.cstr();
    k.css = parseBorder(QString::fromUtf8(text.cstr()));
    return k.css;
}

QString fontName(const librevenge::RVNGPropertyList& props)
{
    QString name = str(props, "style:font-name");
    if (name.isEmpty())
        name = str(props, "fo:font-family");
    // Kept to characters that are safe inside a quoted name in a style sheet: "Arial  (TT)".
    QString clean;
    for (const QChar c : name) {
        if (c.isLetterOrNumber() || QStringView(u" -_().&+'").contains(c))
            clean.append(c);
    }
    return clean.simplified().left(64);
}

bool isNot(const QString& value, const char* none)
{
    return !value.isEmpty() && value != QLatin1String(none);
}

CharFormat charFormat(const librevenge::RVNGPropertyList& props)
{
    CharFormat f;
    f.bold = str(props, "fo:font-weight") == QLatin1String("bold");
    f.italic = str(props, "fo:font-style") == QLatin1String("italic");
    const QString underlineType = str(props, "style:text-underline-type");
    const QString underlineStyle = str(props, "style:text-underline-style");
    f.underline = isNot(underlineType, "none") || isNot(underlineStyle, "none");
    f.doubleUnderline = f.underline && underlineType == QLatin1String("double");
    f.strikeout = isNot(str(props, "style:text-line-through-type"), "none") ||
                  isNot(str(props, "style:text-line-through-style"), "none");
    const QString position = str(props, "style:text-position");
    f.superscript = position.startsWith(QLatin1String("super"));
    f.subscript = position.startsWith(QLatin1String("sub"));
    f.smallCaps = str(props, "fo:font-variant") == QLatin1String("small-caps");
    f.outline = str(props, "style:text-outline") == QLatin1String("true");
    f.shadow = isNot(str(props, "fo:text-shadow"), "none");
    f.fontName = fontName(props);
    f.fontSizePt = points(props, "fo:font-size");
    f.color = color(props, "fo:color");
    f.background = color(props, "fo:background-color");
    return f;
}

ParaFormat paraFormat(const librevenge::RVNGPropertyList& props)
{
    ParaFormat f;
    const QString align = str(props, "fo:text-align");
    if (align == QLatin1String("left") || align == QLatin1String("start"))
        f.align = Alignment::Left;
    else if (align == QLatin1String("center"))
        f.align = Alignment::Center;
    else if (align == QLatin1String("end") || align == QLatin1String("right"))
        f.align = Alignment::Right;
    else if (align == QLatin1String("justify") || align == QLatin1String("full"))
        f.align = Alignment::Justify;
    f.marginLeft = inches(props, "fo:margin-left");
    f.marginRight = inches(props, "fo:margin-right");
    f.marginTop = inches(props, "fo:margin-top");
    f.marginBottom = inches(props, "fo:margin-bottom");
    f.textIndent = inches(props, "fo:text-indent");
    if (const librevenge::RVNGProperty* p = props["fo:line-height"]) {
        const double v = p->getDouble();
        if (std::isfinite(v) &&
            (p->getUnit() == librevenge::RVNG_PERCENT || p->getUnit() == librevenge::RVNG_GENERIC))
            f.lineHeight = std::clamp(v, 0.0, 10.0);
    }
    f.outlineLevel = std::clamp(integer(props, "text:outline-level").value_or(0), 0, 6);
    f.columnBreak = str(props, "fo:break-before") == QLatin1String("column");
    return f;
}

bool breaksPage(const librevenge::RVNGPropertyList& props)
{
    return str(props, "fo:break-before") == QLatin1String("page");
}

// The tab stops librevenge lists for a paragraph (style:tab-stops), in order of position, into
// stops (whose room is reused: every paragraph lists them); false when it lists none. Each
// stop's few properties are walked once rather than looked up by name.
bool tabStops(const librevenge::RVNGPropertyList& props, TabStops& stops)
{
    stops.clear();
    const librevenge::RVNGPropertyListVector* list = props.child("style:tab-stops");
    if (!list || list->count() == 0)
        return false;
    for (unsigned long i = 0; i < list->count() && i < 200; ++i) {
        TabStop stop;
        bool placed = false;
        librevenge::RVNGPropertyList::Iter it((*list)[i]);
        for (it.rewind(); it.next();) {
            const char* key = it.key();
            if (!it() || std::strncmp(key, "style:", 6) != 0)
                continue;
            key += 6;
            if (std::strcmp(key, "position") == 0) {
                stop.position = inchesOf(*it());
                placed = true;
            } else if (std::strcmp(key, "type") == 0) {
                const librevenge::RVNGString type = it()->getStr();
                if (std::strcmp(type.cstr(), "right") == 0)
                    stop.kind = TabStop::Kind::Right;
                else if (std::strcmp(type.cstr(), "center") == 0)
                    stop.kind = TabStop::Kind::Center;
                else if (std::strcmp(type.cstr(), "char") == 0)
                    stop.kind = TabStop::Kind::Decimal;
            } else if (std::strcmp(key, "char") == 0) {
                const QString decimal = QString::fromUtf8(it()->getStr().cstr());
                if (decimal.size() == 1 && decimal[0].isPrint() && !decimal[0].isSpace())
                    stop.decimal = decimal[0];
            } else if (std::strcmp(key, "leader-text") == 0) {
                // A leader is one printable character, repeated; a blank one is no leader.
                const QString leader = QString::fromUtf8(it()->getStr().cstr()).trimmed();
                if (!leader.isEmpty() && leader[0].isPrint())
                    stop.leader = leader.left(1);
            }
        }
        if (placed)
            stops.push_back(std::move(stop));
    }
    if (!std::is_sorted(stops.begin(), stops.end(),
                        [](const TabStop& a, const TabStop& b) { return a.position < b.position; }))
        std::stable_sort(stops.begin(), stops.end(), [](const TabStop& a, const TabStop& b) {
            return a.position < b.position;
        });
    return true;
}

// The page layout of a page span, in inches; what librevenge leaves out keeps the default.
PageLayout pageLayout(const librevenge::RVNGPropertyList& props)
{
    PageLayout page;
    auto take = [&props](const char* name, double& into, double low) {
        if (props[name])
            into = std::max(inches(props, name), low);
    };
    take("fo:page-width", page.width, 1);
    take("fo:page-height", page.height, 1);
    take("fo:margin-top", page.marginTop, 0);
    take("fo:margin-right", page.marginRight, 0);
    take("fo:margin-bottom", page.marginBottom, 0);
    take("fo:margin-left", page.marginLeft, 0);
    // Margins that leave no room for text are damage: the defaults' proportions instead.
    if (page.marginLeft + page.marginRight > page.width - 0.5)
        page.marginLeft = page.marginRight = page.width / 8.5;
    if (page.marginTop + page.marginBottom > page.height - 0.5)
        page.marginTop = page.marginBottom = page.height / 11;
    page.pages = std::clamp(integer(props, "librevenge:num-pages").value_or(1), 1, 100'000);
    return page;
}

// Where a frame sits: its size, and the side of the text column it keeps to when it stands
// in the outer third of the column on that side and leaves room beside it. Frames placed in
// the line (as-char), and frames whose place across the column the document does not give,
// keep to no side.
Placement placement(const librevenge::RVNGPropertyList& props, const PageLayout& page)
{
    Placement p;
    p.width = std::max(inches(props, "svg:width"), 0.0);
    p.height = std::max(inches(props, "svg:height"), 0.0);
    if (p.width <= 0 || str(props, "text:anchor-type") == QLatin1String("as-char"))
        return p;
    const double column = page.width - page.marginLeft - page.marginRight;
    const QString pos = str(props, "style:horizontal-pos");
    if (pos.isEmpty())
        return p;
    const QString rel = str(props, "style:horizontal-rel");
    const double x = inches(props, "svg:x");
    double left = x; // from the text column's left edge
    if (pos == QLatin1String("left"))
        left = 0;
    else if (pos == QLatin1String("right"))
        left = column - p.width;
    else if (pos == QLatin1String("center"))
        left = (column - p.width) / 2;
    else if (rel == QLatin1String("page") || rel == QLatin1String("page-start-margin"))
        left = x - page.marginLeft;
    else if (rel == QLatin1String("page-end-margin"))
        left = page.width - page.marginRight + x - page.marginLeft;
    const double middle = left + p.width / 2;
    if (p.width < column * 0.75)
        p.side = middle < column / 3       ? Placement::Side::Left
                 : middle > column * 2 / 3 ? Placement::Side::Right
                                           : Placement::Side::None;
    return p;
}

// A section's columns, the gap between them (the first column's end indent and the second's
// start indent) and its margins.
Section section(const librevenge::RVNGPropertyList& props)
{
    Section s;
    s.marginLeft = inches(props, "fo:margin-left");
    s.marginRight = inches(props, "fo:margin-right");
    if (const librevenge::RVNGPropertyListVector* columns = props.child("style:columns")) {
        s.columns = static_cast<int>(std::clamp<unsigned long>(columns->count(), 1, 24));
        if (s.columns > 1)
            s.columnGap = std::clamp(inches((*columns)[0], "fo:end-indent") +
                                         inches((*columns)[1], "fo:start-indent"),
                                     0.0, 4.0);
    }
    return s;
}

} // namespace

ModelBuilder::ModelBuilder(Document& document, ObjectObserver* observer)
    : m_document(document), m_observer(observer)
{
    pushFrame(FrameKind::Body);
}

ModelBuilder::~ModelBuilder() = default;

void ModelBuilder::finish()
{
    if (m_finished)
        return;
    m_finished = true;
    while (m_frames.size() > 1)
        popFrame(top().opened);
    flushParagraph(top());
    m_document.body = std::move(top().blocks);
    top().blocks.clear();
}

void ModelBuilder::setDocumentMetaData(const librevenge::RVNGPropertyList& propList)
{
    librevenge::RVNGPropertyList::Iter it(propList);
    for (it.rewind(); it.next();) {
        if (it.child() || !it())
            continue;
        QString key = QString::fromUtf8(it.key());
        key = key.mid(key.indexOf(QLatin1Char(':')) + 1);
        if (key == QLatin1String("descriptive-name"))
            key = QStringLiteral("title");
        else if (key == QLatin1String("keyword"))
            key = QStringLiteral("keywords");
        const QString value = QString::fromUtf8(it()->getStr().cstr()).trimmed().left(4096);
        if (!key.isEmpty() && !value.isEmpty() && m_document.metadata.size() < 256)
            m_document.metadata.emplace_back(key, value);
    }
}

void ModelBuilder::startDocument(const librevenge::RVNGPropertyList&) {}

void ModelBuilder::endDocument()
{
    finish();
}

void ModelBuilder::pushFrame(FrameKind kind)
{
    Frame frame;
    frame.opened = kind;
    const bool tooDeep = m_frames.size() >= static_cast<size_t>(kMaxNesting);
    const bool noteInNote = kind == FrameKind::Note &&
                            std::any_of(m_frames.begin(), m_frames.end(), [](const Frame& f) {
                                return f.kind == FrameKind::Note || f.kind == FrameKind::Header ||
                                       f.kind == FrameKind::Footer;
                            });
    frame.kind = (tooDeep || noteInNote) && kind != FrameKind::Body ? FrameKind::Flattened : kind;
    if (frame.kind == FrameKind::Flattened && tooDeep)
        m_document.truncated = true;
    if (!m_frames.empty()) {
        frame.span = top().span;
        frame.link = top().link;
    }
    m_frames.push_back(std::move(frame));
}

// Closes the top frame when it is the one the close callback names; a close that matches
// nothing open is ignored.
void ModelBuilder::popFrame(FrameKind opened)
{
    if (m_frames.size() <= 1 || top().opened != opened)
        return;
    Frame frame = std::move(m_frames.back());
    m_frames.pop_back();
    flushParagraph(frame);
    Frame& parent = top();

    switch (frame.kind) {
    case FrameKind::Body:
        break;
    case FrameKind::Header:
    case FrameKind::Footer:
        frame.headerFooter.footer = frame.kind == FrameKind::Footer;
        frame.headerFooter.blocks = std::move(frame.blocks);
        m_document.headersFooters.push_back(std::move(frame.headerFooter));
        break;
    case FrameKind::Note:
        if (frame.note >= 0 && frame.note < static_cast<int>(m_document.notes.size()))
            m_document.notes[static_cast<size_t>(frame.note)].blocks = std::move(frame.blocks);
        break;
    case FrameKind::List:
        if (!frame.list.items.empty())
            placeBlock(parent, Block{std::move(frame.list)});
        break;
    case FrameKind::Table: {
        const auto& rows = frame.table.rows;
        if (std::any_of(rows.begin(), rows.end(),
                        [](const TableRow& r) { return !r.cells.empty(); }))
            placeBlock(parent, Block{std::move(frame.table)});
        break;
    }
    case FrameKind::Cell:
        if (parent.kind == FrameKind::Table) {
            if (parent.table.rows.empty())
                parent.table.rows.emplace_back();
            frame.cell.blocks = std::move(frame.blocks);
            parent.table.rows.back().cells.push_back(std::move(frame.cell));
            frame.blocks.clear();
        }
        for (Block& b : frame.blocks)
            placeBlock(parent, std::move(b));
        break;
    case FrameKind::Box:
        frame.box.blocks = std::move(frame.blocks);
        if (!frame.box.blocks.empty())
            placeBlock(parent, Block{std::move(frame.box)});
        break;
    case FrameKind::Flattened:
        for (Block& b : frame.blocks)
            placeBlock(parent, std::move(b));
        break;
    }
    for (Block& b : frame.after)
        placeBlock(parent, std::move(b));
}

// Where a finished block goes in a frame: after the open paragraph if there is one, into the
// last item of a list, beside a table (content outside any cell), else into the frame.
void ModelBuilder::placeBlock(Frame& frame, Block block)
{
    ++m_items;
    if (frame.paragraph || frame.kind == FrameKind::Table)
        frame.after.push_back(std::move(block));
    else
        blockTarget(frame).push_back(std::move(block));
}

Blocks& ModelBuilder::blockTarget(Frame& frame)
{
    if (frame.kind == FrameKind::List) {
        if (frame.list.items.empty())
            frame.list.items.emplace_back();
        return frame.list.items.back().blocks;
    }
    if (frame.kind == FrameKind::Table)
        return frame.after;
    return frame.blocks;
}

void ModelBuilder::flushParagraph(Frame& frame)
{
    if (frame.paragraph) {
        Paragraph p = std::move(*frame.paragraph);
        frame.paragraph.reset();
        blockTarget(frame).push_back(Block{std::move(p)});
        ++m_items;
    }
    if (!frame.after.empty() && frame.kind != FrameKind::Table) {
        Blocks after = std::move(frame.after);
        frame.after.clear();
        Blocks& target = blockTarget(frame);
        for (Block& b : after)
            target.push_back(std::move(b));
    }
}

void ModelBuilder::ensureParagraph()
{
    if (!top().paragraph)
        top().paragraph.emplace();
}

bool ModelBuilder::roomFor(qsizetype characters)
{
    if (m_items >= kMaxItems || m_characters + characters > kMaxCharacters) {
        m_document.truncated = true;
        return false;
    }
    ++m_items;
    m_characters += characters;
    return true;
}

void ModelBuilder::addInline(Inline item)
{
    if (!roomFor(item.text.size()))
        return;
    ensureParagraph();
    Frame& f = top();
    item.link = f.link;
    auto& inlines = f.paragraph->inlines;
    // Consecutive text of one format and link is one run (a page number stays one of its own).
    if (item.kind == Inline::Kind::Text && !inlines.empty() &&
        inlines.back().kind == Inline::Kind::Text && inlines.back().link == item.link &&
        inlines.back().format == item.format && !item.pageNumber && !inlines.back().pageNumber) {
        inlines.back().text += item.text;
        return;
    }
    inlines.push_back(std::move(item));
}

// Page spans and sections are marked in the body where they start. What a damaged document
// opens elsewhere (inside a table, a note) changes nothing.
void ModelBuilder::layoutMark(Block mark)
{
    flushParagraph(top());
    if (roomFor(0))
        top().blocks.push_back(std::move(mark));
}

void ModelBuilder::openPageSpan(const librevenge::RVNGPropertyList& propList)
{
    if (!atBodyLevel() || m_document.pageSpans.size() >= 100'000)
        return;
    m_document.pageSpans.push_back(pageLayout(propList));
    m_span = static_cast<int>(m_document.pageSpans.size()) - 1;
    m_sectionMark = false;
    layoutMark(Block{PageSpanStart{m_span}});
}

// Only sections that change something are marked: several columns, or margins of their own.
void ModelBuilder::openSection(const librevenge::RVNGPropertyList& propList)
{
    if (!atBodyLevel())
        return;
    const Section s = section(propList);
    const bool plain = s.columns == 1 && s.marginLeft == 0.0 && s.marginRight == 0.0;
    if (plain || m_document.sections.size() >= 100'000) {
        closeSection();
        return;
    }
    m_document.sections.push_back(s);
    m_sectionMark = true;
    layoutMark(Block{SectionStart{static_cast<int>(m_document.sections.size()) - 1}});
}

void ModelBuilder::closeSection()
{
    if (!atBodyLevel() || !m_sectionMark)
        return;
    m_sectionMark = false;
    layoutMark(Block{SectionStart{-1}});
}

// Paragraphs mostly share a handful of stop lists: each distinct list is kept once.
int ModelBuilder::tabStopsOf(const librevenge::RVNGPropertyList& propList)
{
    if (!tabStops(propList, m_stops))
        return -1;
    auto& sets = m_document.tabStops;
    for (size_t i = sets.size(); i-- > 0 && i + 8 >= sets.size();) {
        if (sets[i] == m_stops)
            return static_cast<int>(i);
    }
    if (sets.size() >= 10'000 || !roomFor(0))
        return -1;
    sets.push_back(m_stops);
    return static_cast<int>(sets.size()) - 1;
}

void ModelBuilder::openHeader(const librevenge::RVNGPropertyList& propList)
{
    pushFrame(FrameKind::Header);
    top().headerFooter.occurrence = str(propList, "librevenge:occurrence").left(16);
    top().headerFooter.span = m_span;
}

void ModelBuilder::closeHeader()
{
    popFrame(FrameKind::Header);
}

void ModelBuilder::openFooter(const librevenge::RVNGPropertyList& propList)
{
    pushFrame(FrameKind::Footer);
    top().headerFooter.occurrence = str(propList, "librevenge:occurrence").left(16);
    top().headerFooter.span = m_span;
}

void ModelBuilder::closeFooter()
{
    popFrame(FrameKind::Footer);
}

void ModelBuilder::openParagraph(const librevenge::RVNGPropertyList& propList)
{
    Frame& f = top();
    flushParagraph(f);
    if (breaksPage(propList) && roomFor(0))
        blockTarget(f).push_back(Block{PageBreak{}});
    Paragraph p;
    p.format = paraFormat(propList);
    p.format.tabStops = tabStopsOf(propList);
    p.endFormat = f.span;
    f.paragraph = std::move(p);
}

void ModelBuilder::closeParagraph()
{
    flushParagraph(top());
}

void ModelBuilder::openSpan(const librevenge::RVNGPropertyList& propList)
{
    Frame& f = top();
    f.span = charFormat(propList);
    if (f.paragraph)
        f.paragraph->endFormat = f.span;
}

void ModelBuilder::closeSpan()
{
    top().span = CharFormat{};
}

void ModelBuilder::openLink(const librevenge::RVNGPropertyList& propList)
{
    const QString href = str(propList, "xlink:href").trimmed().left(8192);
    if (href.isEmpty() || m_document.links.size() >= 100'000)
        return;
    m_document.links.push_back(href);
    top().link = static_cast<int>(m_document.links.size()) - 1;
}

void ModelBuilder::closeLink()
{
    top().link = -1;
}

void ModelBuilder::insertTab()
{
    addInline(Inline::of(Inline::Kind::Tab));
}

void ModelBuilder::insertSpace()
{
    addInline(Inline::textRun(QStringLiteral(" "), top().span));
}

void ModelBuilder::insertText(const librevenge::RVNGString& text)
{
    addInline(Inline::textRun(QString::fromUtf8(text.cstr()), top().span));
}

void ModelBuilder::insertLineBreak()
{
    addInline(Inline::of(Inline::Kind::LineBreak));
}

// Fields (page numbers and the like) have no value outside a laid-out page; they are shown as
// the placeholder "#", as the word processor does in its own draft view.
void ModelBuilder::insertField(const librevenge::RVNGPropertyList& propList)
{
    Inline field = Inline::textRun(QStringLiteral("#"), top().span);
    field.pageNumber = str(propList, "librevenge:field-type") == QLatin1String("text:page-number");
    addInline(std::move(field));
}

void ModelBuilder::openList(bool ordered, const librevenge::RVNGPropertyList& propList)
{
    Frame& parent = top();
    // A list level opened while a list item's paragraph is open nests under that item.
    if (parent.kind == FrameKind::List)
        flushParagraph(parent);
    pushFrame(FrameKind::List);
    List& list = top().list;
    list.ordered = ordered;
    static const QStringList formats{QStringLiteral("1"), QStringLiteral("a"), QStringLiteral("A"),
                                     QStringLiteral("i"), QStringLiteral("I")};
    const QString format = str(propList, "style:num-format");
    if (formats.contains(format))
        list.numFormat = format;
    list.start = std::clamp(integer(propList, "text:start-value").value_or(1), 0, 1'000'000);
}

void ModelBuilder::openOrderedListLevel(const librevenge::RVNGPropertyList& propList)
{
    openList(true, propList);
}

void ModelBuilder::openUnorderedListLevel(const librevenge::RVNGPropertyList& propList)
{
    openList(false, propList);
}

void ModelBuilder::closeOrderedListLevel()
{
    popFrame(FrameKind::List);
}

void ModelBuilder::closeUnorderedListLevel()
{
    popFrame(FrameKind::List);
}

void ModelBuilder::openListElement(const librevenge::RVNGPropertyList& propList)
{
    Frame& f = top();
    flushParagraph(f);
    if (f.kind == FrameKind::List) {
        if (!roomFor(0))
            return;
        f.list.items.emplace_back();
    } else if (breaksPage(propList) && roomFor(0)) {
        blockTarget(f).push_back(Block{PageBreak{}});
    }
    Paragraph p;
    p.format = paraFormat(propList);
    p.format.tabStops = tabStopsOf(propList);
    p.endFormat = f.span;
    f.paragraph = std::move(p);
}

void ModelBuilder::closeListElement()
{
    flushParagraph(top());
}

void ModelBuilder::openNote(Note::Kind kind, const librevenge::RVNGPropertyList& propList)
{
    const bool nested = std::any_of(m_frames.begin(), m_frames.end(), [](const Frame& f) {
        return f.kind == FrameKind::Note || f.kind == FrameKind::Header ||
               f.kind == FrameKind::Footer;
    });
    int index = -1;
    if (!nested && m_document.notes.size() < 100'000 && roomFor(0)) {
        Note note;
        note.kind = kind;
        note.label = str(propList, "librevenge:number").trimmed().left(16);
        m_document.notes.push_back(std::move(note));
        index = static_cast<int>(m_document.notes.size()) - 1;
        addInline(Inline::noteRef(index));
    }
    pushFrame(FrameKind::Note);
    if (index < 0)
        top().kind = FrameKind::Flattened;
    top().note = index;
    top().span = CharFormat{};
    top().link = -1;
}

void ModelBuilder::openFootnote(const librevenge::RVNGPropertyList& propList)
{
    openNote(Note::Kind::Footnote, propList);
}

void ModelBuilder::closeFootnote()
{
    popFrame(FrameKind::Note);
}

void ModelBuilder::openEndnote(const librevenge::RVNGPropertyList& propList)
{
    openNote(Note::Kind::Endnote, propList);
}

void ModelBuilder::closeEndnote()
{
    popFrame(FrameKind::Note);
}

void ModelBuilder::openComment(const librevenge::RVNGPropertyList&)
{
    pushFrame(FrameKind::Box);
    top().box.kind = Box::Kind::Comment;
    top().span = CharFormat{};
}

void ModelBuilder::closeComment()
{
    popFrame(FrameKind::Box);
}

void ModelBuilder::openFrame(const librevenge::RVNGPropertyList& propList)
{
    const bool known = m_span >= 0 && static_cast<size_t>(m_span) < m_document.pageSpans.size();
    m_placement = placement(propList, known ? m_document.pageSpans[static_cast<size_t>(m_span)]
                                            : PageLayout());
}

void ModelBuilder::closeFrame()
{
    m_placement = Placement();
}

void ModelBuilder::openTextBox(const librevenge::RVNGPropertyList&)
{
    pushFrame(FrameKind::Box);
    top().box.kind = Box::Kind::TextBox;
    top().box.placement = m_placement;
    top().span = CharFormat{};
}

void ModelBuilder::closeTextBox()
{
    popFrame(FrameKind::Box);
}

void ModelBuilder::openTable(const librevenge::RVNGPropertyList& propList)
{
    flushParagraph(top());
    if (breaksPage(propList) && roomFor(0))
        blockTarget(top()).push_back(Block{PageBreak{}});
    pushFrame(FrameKind::Table);
    if (const librevenge::RVNGPropertyListVector* columns =
            propList.child("librevenge:table-columns")) {
        for (unsigned long i = 0; i < columns->count() && i < 1000; ++i)
            top().table.columnWidths.push_back(inches((*columns)[i], "style:column-width"));
    }
}

void ModelBuilder::openTableRow(const librevenge::RVNGPropertyList& propList)
{
    Frame& f = top();
    if (f.kind != FrameKind::Table || !roomFor(0))
        return;
    TableRow row;
    row.header = integer(propList, "librevenge:is-header-row").value_or(0) != 0;
    f.table.rows.push_back(std::move(row));
}

void ModelBuilder::openTableCell(const librevenge::RVNGPropertyList& propList)
{
    pushFrame(FrameKind::Cell);
    TableCell& cell = top().cell;
    cell.colSpan =
        std::clamp(integer(propList, "table:number-columns-spanned").value_or(1), 1, kMaxSpan);
    cell.rowSpan =
        std::clamp(integer(propList, "table:number-rows-spanned").value_or(1), 1, kMaxSpan);
    cell.borderTop = border(propList, "fo:border-top");
    cell.borderRight = border(propList, "fo:border-right");
    cell.borderBottom = border(propList, "fo:border-bottom");
    cell.borderLeft = border(propList, "fo:border-left");
    cell.background = color(propList, "fo:background-color");
    const QString valign = str(propList, "style:vertical-align");
    if (valign == QLatin1String("top") || valign == QLatin1String("middle") ||
        valign == QLatin1String("bottom"))
        cell.verticalAlign = valign;
    top().span = CharFormat{};
}

void ModelBuilder::closeTableCell()
{
    popFrame(FrameKind::Cell);
}

void ModelBuilder::closeTable()
{
    popFrame(FrameKind::Table);
}

void ModelBuilder::insertBinaryObject(const librevenge::RVNGPropertyList& propList)
{
    Inline object = Inline::of(Inline::Kind::Object);
    object.mimeType = str(propList, "librevenge:mime-type").left(128);
    object.placement = m_placement;
    if (const librevenge::RVNGProperty* data = propList["office:binary-data"]) {
        if (std::optional<QByteArray> bytes = binaryData(*data, kMaxObjectBytes - m_objectBytes)) {
            m_objectBytes += bytes->size();
            object.data = std::move(*bytes);
            if (m_observer && !object.data.isEmpty())
                m_observer->objectMet(object.data);
        } else {
            m_document.truncated = true;
        }
    }
    addInline(std::move(object));
}

} // namespace engine
