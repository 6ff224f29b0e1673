// Quillon engine: records librevenge's text callbacks into a Document.
#include "ModelBuilder.h"

#include "BinaryData.h"
#include "Markup.h"

#include <QStringList>

#include <algorithm>

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
double inches(const librevenge::RVNGPropertyList& props, const char* name)
{
    const librevenge::RVNGProperty* p = props[name];
    if (!p)
        return 0;
    const double v = p->getDouble();
    double result = 0;
    switch (p->getUnit()) {
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

QString color(const librevenge::RVNGPropertyList& props, const char* name)
{
    const QString value = str(props, name);
    return markup::isHexColor(value) ? value.toLower() : QString();
}

// A border as librevenge gives it ("0.0007in solid #000000"), rebuilt from the words CSS
// accepts (a length, a line style, a colour), so no document can put anything else into a
// style sheet.
QString border(const librevenge::RVNGPropertyList& props, const char* name)
{
    static const QStringList styles{QStringLiteral("none"),   QStringLiteral("hidden"),
                                    QStringLiteral("dotted"), QStringLiteral("dashed"),
                                    QStringLiteral("solid"),  QStringLiteral("double"),
                                    QStringLiteral("groove"), QStringLiteral("ridge"),
                                    QStringLiteral("inset"),  QStringLiteral("outset")};
    QString width, style, colour;
    const QStringList words = str(props, name).simplified().split(QLatin1Char(' '));
    for (const QString& w : words) {
        if (markup::isCssLength(w))
            width = w;
        else if (styles.contains(w))
            style = w;
        else if (markup::isHexColor(w))
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

QString fontName(const librevenge::RVNGPropertyList& props)
{
    QString name = str(props, "style:font-name");
    if (name.isEmpty())
        name = str(props, "fo:font-family");
    QString clean;
    for (const QChar c : name) {
        if (c.isLetterOrNumber() || c == QLatin1Char(' ') || c == QLatin1Char('-') ||
            c == QLatin1Char('_'))
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
    return f;
}

bool breaksPage(const librevenge::RVNGPropertyList& props)
{
    return str(props, "fo:break-before") == QLatin1String("page");
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
    // Consecutive text of one format and link is one run.
    if (item.kind == Inline::Kind::Text && !inlines.empty() &&
        inlines.back().kind == Inline::Kind::Text && inlines.back().link == item.link &&
        inlines.back().format == item.format) {
        inlines.back().text += item.text;
        return;
    }
    inlines.push_back(std::move(item));
}

void ModelBuilder::openHeader(const librevenge::RVNGPropertyList& propList)
{
    pushFrame(FrameKind::Header);
    top().headerFooter.occurrence = str(propList, "librevenge:occurrence").left(16);
}

void ModelBuilder::closeHeader()
{
    popFrame(FrameKind::Header);
}

void ModelBuilder::openFooter(const librevenge::RVNGPropertyList& propList)
{
    pushFrame(FrameKind::Footer);
    top().headerFooter.occurrence = str(propList, "librevenge:occurrence").left(16);
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
    f.paragraph = std::move(p);
}

void ModelBuilder::closeParagraph()
{
    flushParagraph(top());
}

void ModelBuilder::openSpan(const librevenge::RVNGPropertyList& propList)
{
    top().span = charFormat(propList);
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
void ModelBuilder::insertField(const librevenge::RVNGPropertyList&)
{
    addInline(Inline::textRun(QStringLiteral("#"), top().span));
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

void ModelBuilder::openTextBox(const librevenge::RVNGPropertyList&)
{
    pushFrame(FrameKind::Box);
    top().box.kind = Box::Kind::TextBox;
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
