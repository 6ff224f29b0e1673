// Quillon engine: writes a Document as HTML5.
#include "HtmlWriter.h"

#include "FontFaces.h"
#include "Markup.h"
#include "PageFurniture.h"
#include "PictureSink.h"
#include "Provenance.h"
#include "StyleRegistry.h"
#include "TabLayout.h"
#include "TableGrid.h"

#include <QHash>
#include <QSet>
#include <QStringList>

namespace engine {
namespace {

using markup::escapeAttribute;
using markup::escapeText;
using markup::number;

constexpr double kPointsPerInch = 72;
constexpr double kFurnitureGap = 12; // between a header or footer and the text, in points

// Paragraphs keep their spaces and have no spacing the document does not give them, so that
// lines and pages break where the document's do; tab cells are boxes whose widths put the text
// after a tab on its stop.
const char kBaseStyle[] =
    "body{font-family:\"Times New Roman\",\"Liberation Serif\",serif;margin:1em auto;"
    "padding:0 1em}\n"
    "p,h1,h2,h3,h4,h5,h6{margin:0;white-space:pre-wrap}\n"
    "table{border-collapse:collapse}\n"
    "td,th{vertical-align:top;padding:0.02in 0.08in}\n"
    "ol,ul{margin-top:0;margin-bottom:0}\n"
    "hr.page-break{border:0;border-top:1px dashed #bbbbbb;margin:1.5em 0;"
    "page-break-after:always}\n"
    ".page-span+.page-span{page-break-before:always}\n"
    ".tab{display:inline-block;min-width:2em}\n"
    ".tc{display:inline-block;white-space:pre;text-indent:0;tab-size:0}\n"
    ".tr{text-align:right}\n"
    ".tm{text-align:center}\n"
    ".ld{display:inline-block;height:0}\n"
    ".page-header,.page-footer{color:#555555}\n"
    ".page-header{border-bottom:1px solid #dddddd;margin-bottom:0.17in}\n"
    ".page-footer{border-top:1px solid #dddddd;margin-top:0.17in}\n"
    ".notes{border-top:1px solid #999999;margin-top:2em;font-size:0.9em}\n"
    ".note-label{font-size:0.8em;vertical-align:super}\n"
    "aside.textbox{border:1px solid #cccccc;padding:0.3em 0.6em;margin:0.5em 0}\n"
    "aside.comment{background-color:#ffffe0;border-left:3px solid #e0c000;padding:0.2em 0.6em;"
    "margin:0.5em 0}\n"
    "img,svg{max-width:100%;height:auto;vertical-align:middle}\n"
    ".pic{display:inline-block;max-width:100%}\n"
    ".pic>img,.pic>svg{width:100%}\n"
    ".picture-missing{color:#777777;font-style:italic}\n"
    "@media print{body{max-width:none;margin:0;padding:0}"
    "hr.page-break{border:0;margin:0}.running{display:none}}\n";

// A length for a style sheet: points to two decimals, so that boxes a hair apart share a class.
QString pt(double points)
{
    return markup::number(std::round(points * 100) / 100) + QLatin1String("pt");
}

QString inch(double inches)
{
    return markup::number(inches) + QLatin1String("in");
}

// The page's size and margins: "size:8.5in 11in;margin:1in 1in 0.5in 1in".
QString pageCss(const PageLayout& page)
{
    return QStringLiteral("size:%1 %2;margin:%3 %4 %5 %6")
        .arg(inch(page.width), inch(page.height), inch(page.marginTop), inch(page.marginRight),
             inch(page.marginBottom), inch(page.marginLeft));
}

QString charCss(const CharFormat& f, FontFaces& fonts)
{
    QStringList d;
    if (f.bold)
        d << QStringLiteral("font-weight:bold");
    if (f.italic)
        d << QStringLiteral("font-style:italic");
    QStringList lines;
    if (f.underline)
        lines << QStringLiteral("underline");
    if (f.strikeout)
        lines << QStringLiteral("line-through");
    if (!lines.isEmpty())
        d << QStringLiteral("text-decoration:") + lines.join(QLatin1Char(' '));
    if (f.doubleUnderline)
        d << QStringLiteral("text-decoration-style:double");
    if (f.superscript)
        d << QStringLiteral("vertical-align:super;font-size:smaller;line-height:0");
    else if (f.subscript)
        d << QStringLiteral("vertical-align:sub;font-size:smaller;line-height:0");
    if (f.smallCaps)
        d << QStringLiteral("font-variant:small-caps");
    if (f.outline || f.shadow)
        d << QStringLiteral("text-shadow:1px 1px 1px #888888");
    if (!f.fontName.isEmpty())
        d << QStringLiteral("font-family:") + fonts.cssFamily(f.fontName);
    if (f.fontSizePt > 0 && !f.superscript && !f.subscript)
        d << QStringLiteral("font-size:%1pt").arg(number(f.fontSizePt));
    if (!f.color.isEmpty())
        d << QStringLiteral("color:") + f.color;
    if (!f.background.isEmpty())
        d << QStringLiteral("background-color:") + f.background;
    return d.join(QLatin1Char(';'));
}

QString paraCss(const ParaFormat& f)
{
    QStringList d;
    switch (f.align) {
    case Alignment::Left:
        d << QStringLiteral("text-align:left");
        break;
    case Alignment::Center:
        d << QStringLiteral("text-align:center");
        break;
    case Alignment::Right:
        d << QStringLiteral("text-align:right");
        break;
    case Alignment::Justify:
        d << QStringLiteral("text-align:justify");
        break;
    case Alignment::Default:
        break;
    }
    auto length = [&d](const char* property, double inches) {
        if (inches != 0.0)
            d << QStringLiteral("%1:%2in").arg(QLatin1String(property), number(inches));
    };
    length("margin-left", f.marginLeft);
    length("margin-right", f.marginRight);
    length("margin-top", f.marginTop);
    length("margin-bottom", f.marginBottom);
    length("text-indent", f.textIndent);
    if (f.columnBreak)
        d << QStringLiteral("break-before:column");
    return d.join(QLatin1Char(';'));
}

QString cellCss(const TableCell& c)
{
    QStringList d;
    const std::pair<const char*, const QString*> borders[] = {{"border-top", &c.borderTop},
                                                              {"border-right", &c.borderRight},
                                                              {"border-bottom", &c.borderBottom},
                                                              {"border-left", &c.borderLeft}};
    for (const auto& [property, value] : borders) {
        if (!value->isEmpty())
            d << QLatin1String(property) + QLatin1Char(':') + *value;
    }
    if (!c.background.isEmpty())
        d << QStringLiteral("background-color:") + c.background;
    if (!c.verticalAlign.isEmpty())
        d << QStringLiteral("vertical-align:") + c.verticalAlign;
    return d.join(QLatin1Char(';'));
}

// A text as a style sheet's string: quoted, with what may not stand in it escaped, line breaks
// as \A.
QString cssString(QStringView text)
{
    QString out = QStringLiteral("\"");
    for (const QChar c : markup::clean(text)) {
        switch (c.unicode()) {
        case '"':
        case '\\':
            out += QLatin1Char('\\') + c;
            break;
        case '\n':
            out += QLatin1String("\\A ");
            break;
        case '<':
        case '>':
        case '&':
            out += QStringLiteral("\\%1 ").arg(c.unicode(), 0, 16);
            break;
        case '\t':
            out += QLatin1String("    ");
            break;
        default:
            if (c.unicode() >= 0x20)
                out += c;
        }
    }
    return out + QLatin1Char('"');
}

// A picture's or text box's frame: its width, and a float to the side of the column it keeps
// to, with the text beside it.
QString placementCss(const Placement& p)
{
    QStringList d;
    if (p.width > 0)
        d << QStringLiteral("width:") + inch(p.width);
    if (p.side == Placement::Side::Left)
        d << QStringLiteral("float:left;margin:0 0.1in 0.05in 0");
    else if (p.side == Placement::Side::Right)
        d << QStringLiteral("float:right;margin:0 0 0.05in 0.1in");
    return d.join(QLatin1Char(';'));
}

QString classAttribute(const QString& name)
{
    return name.isEmpty() ? QString() : QStringLiteral(" class=\"%1\"").arg(name);
}

// " name" to add a class to others, or nothing.
QString withClass(const QString& name)
{
    return name.isEmpty() ? QString() : QLatin1Char(' ') + name;
}

class HtmlEmitter final {
public:
    HtmlEmitter(const Document& document, const HtmlOptions& options)
        : m_document(document), m_options(options)
    {
        // Unlabelled notes are numbered within their kind.
        int footnotes = 0;
        int endnotes = 0;
        for (const Note& n : m_document.notes) {
            const int count = n.kind == Note::Kind::Footnote ? ++footnotes : ++endnotes;
            const QString label = escapeText(n.label);
            m_labels.push_back(label.isEmpty() ? QString::number(count) : label);
        }
    }

    QString run(const QString& fallbackTitle)
    {
        QString body;
        std::swap(m_out, body);
        for (int i : m_furniture.before())
            furniture(i);
        m_out += QLatin1String("<main>\n");
        blocks(m_document.body, 0);
        endSpan();
        for (int i : m_furniture.unreached(m_spansMet))
            furniture(i);
        m_out += QLatin1String("</main>\n");
        notes(Note::Kind::Footnote, QStringLiteral("footnotes"));
        notes(Note::Kind::Endnote, QStringLiteral("endnotes"));
        for (int i : m_furniture.after())
            furniture(i);
        std::swap(m_out, body);

        m_out += QLatin1String("<!DOCTYPE html>\n<html");
        const QString language = m_document.property(QStringLiteral("language"));
        if (markup::isLanguageTag(language))
            m_out += QStringLiteral(" lang=\"%1\"").arg(language);
        m_out += QLatin1String(">\n<head>\n<meta charset=\"utf-8\">\n"
                               "<meta name=\"viewport\" content=\"width=device-width, "
                               "initial-scale=1\">\n");
        if (m_options.provenance)
            m_out += m_options.provenance->html();
        m_out += QLatin1String("<title>");
        m_out += escapeText(m_options.titleFromFileName ? Document().title(fallbackTitle)
                                                        : m_document.title(fallbackTitle));
        m_out += QLatin1String("</title>\n");
        meta();
        m_styleSheet = QLatin1String(kBaseStyle) + pageStyle() + m_styles.styleSheet() +
                       QLatin1Char('\n') + floatStyle() + narrowStyle();
        if (m_options.styleSheetHref.isEmpty())
            m_out += QLatin1String("<style>\n") + m_styleSheet + QLatin1String("</style>\n");
        else
            m_out += QStringLiteral("<link rel=\"stylesheet\" href=\"%1\">\n")
                         .arg(escapeAttribute(m_options.styleSheetHref));
        m_out += QLatin1String("</head>\n<body>\n");
        m_out += body;
        m_out += QLatin1String("</body>\n</html>\n");
        return std::move(m_out);
    }

private:
    // The first page span's paper and margins for printing (spans of other paper have pages of
    // their own), and on screen its line length.
    QString pageStyle() const
    {
        const PageLayout first =
            m_document.pageSpans.empty() ? PageLayout() : m_document.pageSpans.front();
        QString css =
            QStringLiteral("@page{%1}\nbody{max-width:%2}\n")
                .arg(pageCss(first), inch(first.width - first.marginLeft - first.marginRight));
        for (const auto& [name, rules] : m_namedPages)
            css += QString(rules).replace(QLatin1String("@NAME"), name);
        return css;
    }

    // Headers, footers, page spans and notes start below a frame that floats beside the text.
    QString floatStyle() const
    {
        return m_floats
                   ? QStringLiteral(".page-header,.page-footer,.page-span,.notes{clear:both}\n")
                   : QString();
    }

    // On a screen narrower than the page's line, tab cells give up their widths and wrap,
    // indents that would push text off the screen are dropped and frames that float stand alone.
    QString narrowStyle() const
    {
        const PageLayout first =
            m_document.pageSpans.empty() ? PageLayout() : m_document.pageSpans.front();
        return QStringLiteral(
                   "@media screen and (max-width:%1){.tc{width:auto;tab-size:4}.ld{display:none}"
                   "p,h1,h2,h3,h4,h5,h6{margin-left:0!important;margin-right:0!important;"
                   "text-indent:0!important}%2}\n")
            .arg(inch(first.width - first.marginLeft - first.marginRight + 0.3),
                 m_floats ? QStringLiteral(".pic,aside.textbox{float:none!important}") : QString());
    }

    void meta()
    {
        static const QHash<QString, QString> names{
            {QStringLiteral("creator"), QStringLiteral("author")},
            {QStringLiteral("initial-creator"), QStringLiteral("author")},
            {QStringLiteral("abstract"), QStringLiteral("description")},
            {QStringLiteral("keywords"), QStringLiteral("keywords")},
            {QStringLiteral("subject"), QStringLiteral("subject")},
            {QStringLiteral("publisher"), QStringLiteral("publisher")},
            {QStringLiteral("creation-date"), QStringLiteral("created")},
            {QStringLiteral("issued"), QStringLiteral("date")},
        };
        QSet<QString> written;
        for (const auto& [key, value] : m_document.metadata) {
            const QString name = names.value(key);
            if (name.isEmpty() || written.contains(name))
                continue;
            written.insert(name);
            m_out += QStringLiteral("<meta name=\"%1\" content=\"%2\">\n")
                         .arg(name, escapeAttribute(value));
        }
        m_out += QStringLiteral("<meta name=\"generator\" content=\"%1\">\n")
                     .arg(m_options.provenance ? escapeAttribute(m_options.provenance->generator)
                                               : QStringLiteral("quillon-engine"));
    }

    // A page span's headers and footers are printed on each of its pages (see spanPage): in the
    // flow they are for screens only.
    void furniture(int index)
    {
        const HeaderFooter& hf = m_document.headersFooters[static_cast<size_t>(index)];
        const QString tag = hf.footer ? QStringLiteral("footer") : QStringLiteral("header");
        m_out += QStringLiteral("<%1 class=\"page-%1%2\">\n")
                     .arg(tag, hf.span >= 0 ? QStringLiteral(" running") : QString());
        blocks(hf.blocks, 1);
        m_out += QStringLiteral("</%1>\n").arg(tag);
    }

    // A page span starts a new page: the span before ends with the footers that end there, and
    // the new one opens with the headers that start there.
    void startSpan(int span)
    {
        if (span < 0 || static_cast<size_t>(span) >= m_document.pageSpans.size() ||
            m_spansMet.contains(span))
            return;
        endSpan();
        m_spansMet.insert(span);
        m_span = span;
        QString classes = QStringLiteral("page-span");
        m_pageName.clear();
        const QString rules = spanPage(span);
        if (!rules.isEmpty()) {
            // Spans that print alike share one named page.
            auto named = std::find_if(
                m_namedPages.begin(), m_namedPages.end(),
                [&rules](const std::pair<QString, QString>& p) { return p.second == rules; });
            if (named == m_namedPages.end())
                named = m_namedPages.insert(named, {QStringLiteral("pg%1").arg(span + 1), rules});
            classes += QLatin1Char(' ') + named->first;
            m_pageName = named->first;
        }
        m_out += QStringLiteral("<div class=\"%1\">\n").arg(classes);
        m_spanOpen = true;
        m_spanFresh = true;
        setSectionGeometry(nullptr);
        for (int i : m_furniture.atStart(span))
            furniture(i);
    }

    // The printed pages of a span whose paper differs from the first span's or that has
    // headers or footers, as rules for a named page "@NAME": its headers and footers are drawn
    // in the page's margin on every page (odd and even ones on right and left pages), in room
    // taken from the text area as the word processor takes it. Empty when the span prints on
    // the first span's pages.
    QString spanPage(int span)
    {
        const PageLayout& page = m_document.pageSpans[static_cast<size_t>(span)];
        QString all;
        QString right;
        QString left;
        QString first;
        double header = 0;
        double footer = 0;
        for (const bool isFooter : {false, true}) {
            for (int i : isFooter ? m_furniture.atEnd(span) : m_furniture.atStart(span)) {
                const HeaderFooter& hf = m_document.headersFooters[static_cast<size_t>(i)];
                (isFooter ? footer : header) =
                    std::max(isFooter ? footer : header, height(hf.blocks, 0) + kFurnitureGap);
                const QString& o = hf.occurrence;
                QString& rule = o == QLatin1String("odd")     ? right
                                : o == QLatin1String("even")  ? left
                                : o == QLatin1String("first") ? first
                                                              : all;
                rule += marginBox(hf, isFooter ? page.marginBottom : page.marginTop);
            }
        }
        if (all.isEmpty() && right.isEmpty() && left.isEmpty() && first.isEmpty() &&
            page.sameGeometry(m_document.pageSpans.front()))
            return {};
        PageLayout printed = page;
        printed.marginTop += header / kPointsPerInch;
        printed.marginBottom += footer / kPointsPerInch;
        QString rules = QStringLiteral("@page @NAME{%1;%2}\n").arg(pageCss(printed), all);
        for (const auto& [selector, boxes] :
             {std::pair{":right", &right}, {":left", &left}, {":first", &first}}) {
            if (!boxes->isEmpty())
                rules += QStringLiteral("@page @NAME%1{%2}\n").arg(QLatin1String(selector), *boxes);
        }
        return rules + QStringLiteral(".@NAME{page:@NAME}\n");
    }

    // A header or footer as a page-margin box: its text (page numbers counted), aligned as its
    // first paragraph, in its first text's font, at the page's margin.
    QString marginBox(const HeaderFooter& hf, double margin)
    {
        QString content;
        QString text;
        const Paragraph* first = nullptr;
        const CharFormat* font = nullptr;
        for (const Block& b : hf.blocks) {
            const auto* p = std::get_if<Paragraph>(&b.content);
            if (!p)
                continue;
            if (first)
                text += QLatin1Char('\n');
            else
                first = p;
            for (const Inline& i : p->inlines) {
                if (i.kind == Inline::Kind::Text && !font)
                    font = &i.format;
                if (i.pageNumber) {
                    if (!text.isEmpty())
                        content += cssString(text) + QLatin1Char(' ');
                    content += QLatin1String("counter(page) ");
                    text.clear();
                } else if (i.kind == Inline::Kind::Text) {
                    text += i.text;
                } else if (i.kind == Inline::Kind::Tab) {
                    text += QLatin1Char('\t');
                } else if (i.kind == Inline::Kind::LineBreak) {
                    text += QLatin1Char('\n');
                }
            }
        }
        if (!text.isEmpty() || content.isEmpty())
            content += cssString(text);
        content = content.trimmed();
        const Alignment align = first ? first->format.align : Alignment::Default;
        QString box =
            QStringLiteral("@%1-%2{content:%3;white-space:pre;vertical-align:%4;padding-%4:%5")
                .arg(hf.footer ? QLatin1String("bottom") : QLatin1String("top"),
                     align == Alignment::Center  ? QLatin1String("center")
                     : align == Alignment::Right ? QLatin1String("right")
                                                 : QLatin1String("left"),
                     content, hf.footer ? QLatin1String("bottom") : QLatin1String("top"),
                     inch(margin));
        if (font && !font->fontName.isEmpty())
            box += QStringLiteral(";font-family:") + m_fonts.cssFamily(font->fontName);
        if (font && font->fontSizePt > 0)
            box += QStringLiteral(";font-size:%1pt").arg(number(font->fontSizePt));
        return box + QLatin1Char('}');
    }

    // How tall blocks are when nothing wraps, in points.
    double height(const Blocks& list, int depth)
    {
        double total = 0;
        if (depth > kMaxNesting)
            return total;
        for (const Block& b : list) {
            if (const auto* p = std::get_if<Paragraph>(&b.content)) {
                const double lines =
                    1 + std::count_if(p->inlines.begin(), p->inlines.end(), [](const Inline& i) {
                        return i.kind == Inline::Kind::LineBreak;
                    });
                const double factor = p->format.lineHeight > 0 ? p->format.lineHeight : 1;
                total += lines * factor * m_fonts.normalLineHeight(tallest(*p)) +
                         (p->format.marginTop + p->format.marginBottom) * kPointsPerInch;
            } else if (const auto* l = std::get_if<List>(&b.content)) {
                for (const ListItem& item : l->items)
                    total += height(item.blocks, depth + 1);
            } else if (const auto* t = std::get_if<Table>(&b.content)) {
                for (const TableRow& row : t->rows) {
                    double tallestCell = 0;
                    for (const TableCell& cell : row.cells)
                        tallestCell = std::max(tallestCell, height(cell.blocks, depth + 1));
                    total += tallestCell + 3;
                }
            } else if (const auto* box = std::get_if<Box>(&b.content)) {
                total += height(box->blocks, depth + 1);
            }
        }
        return total;
    }

    void endSpan()
    {
        endSection();
        if (!m_spanOpen)
            return;
        for (int i : m_furniture.atEnd(m_span))
            furniture(i);
        m_out += QLatin1String("</div>\n");
        m_spanOpen = false;
    }

    void startSection(int index)
    {
        endSection();
        if (index < 0 || static_cast<size_t>(index) >= m_document.sections.size())
            return;
        const Section& s = m_document.sections[static_cast<size_t>(index)];
        QStringList d;
        if (s.columns > 1)
            d << QStringLiteral("column-count:%1;column-gap:%2")
                     .arg(s.columns)
                     .arg(inch(s.columnGap));
        if (s.marginLeft != 0.0)
            d << QStringLiteral("margin-left:") + inch(s.marginLeft);
        if (s.marginRight != 0.0)
            d << QStringLiteral("margin-right:") + inch(s.marginRight);
        m_out += QLatin1String("<div") +
                 classAttribute(m_styles.classFor(QStringLiteral("s"), d.join(QLatin1Char(';')))) +
                 QLatin1String(">\n");
        m_sectionOpen = true;
        setSectionGeometry(&s);
    }

    void endSection()
    {
        if (m_sectionOpen)
            m_out += QLatin1String("</div>\n");
        m_sectionOpen = false;
        setSectionGeometry(nullptr);
    }

    // Where lines start and how long they are, for laying tabs out: the page span's text
    // column, narrowed by a section's margins and split into its columns.
    void setSectionGeometry(const Section* s)
    {
        const PageLayout page =
            m_span >= 0 ? m_document.pageSpans[static_cast<size_t>(m_span)] : PageLayout();
        double left = page.marginLeft;
        double width = page.width - page.marginLeft - page.marginRight;
        if (s) {
            left += s->marginLeft;
            width -= s->marginLeft + s->marginRight;
            width = (width - s->columnGap * (s->columns - 1)) / s->columns;
        }
        m_tabOrigin = left * kPointsPerInch;
        m_lineWidth = std::max(width, 0.5) * kPointsPerInch;
    }

    void blocks(const Blocks& list, int depth)
    {
        if (depth > kMaxNesting)
            return;
        for (const Block& b : list)
            block(b, depth);
    }

    void block(const Block& b, int depth)
    {
        if (const auto* mark = std::get_if<PageSpanStart>(&b.content)) {
            if (depth == 0)
                startSpan(mark->span);
            return;
        }
        if (const auto* mark = std::get_if<SectionStart>(&b.content)) {
            if (depth == 0)
                mark->section < 0 ? endSection() : startSection(mark->section);
            return;
        }
        if (std::holds_alternative<PageBreak>(b.content)) {
            // A span already starts a new page.
            if (!(depth == 0 && m_spanFresh))
                m_out += QLatin1String("<hr class=\"page-break\">\n");
            return;
        }
        if (depth == 0)
            m_spanFresh = false;
        if (const auto* p = std::get_if<Paragraph>(&b.content)) {
            paragraph(*p, QString());
        } else if (const auto* l = std::get_if<List>(&b.content)) {
            list(*l, depth);
        } else if (const auto* t = std::get_if<Table>(&b.content)) {
            table(*t, depth);
        } else if (const auto* box = std::get_if<Box>(&b.content)) {
            if (box->kind == Box::Kind::Comment) {
                m_out += QLatin1String("<aside class=\"comment\">\n");
            } else {
                m_floats |= box->placement.side != Placement::Side::None;
                m_out += QStringLiteral("<aside class=\"textbox%1\">\n")
                             .arg(withClass(m_styles.classFor(QStringLiteral("f"),
                                                              placementCss(box->placement))));
            }
            blocks(box->blocks, depth + 1);
            m_out += QLatin1String("</aside>\n");
        }
    }

    // The format whose line is tallest: a paragraph's own font and size, so that its lines
    // are as high as its tallest text needs and no higher.
    const CharFormat& tallest(const Paragraph& p)
    {
        const CharFormat* best = nullptr;
        double height = -1;
        for (const Inline& i : p.inlines) {
            if (i.kind != Inline::Kind::Text || (best && i.format == *best))
                continue;
            const double h = m_fonts.normalLineHeight(i.format);
            if (h > height) {
                height = h;
                best = &i.format;
            }
        }
        return best ? *best : p.endFormat;
    }

    // prefix: markup placed at the start of the paragraph (a note's label).
    void paragraph(const Paragraph& p, const QString& prefix)
    {
        const int level = p.format.outlineLevel;
        const QString tag = level > 0 ? QStringLiteral("h%1").arg(level) : QStringLiteral("p");
        const CharFormat& font = tallest(p);
        QString css = paraCss(p.format);
        auto add = [&css](const QString& declaration) {
            if (!css.isEmpty())
                css += QLatin1Char(';');
            css += declaration;
        };
        if (!font.fontName.isEmpty())
            add(QStringLiteral("font-family:") + m_fonts.cssFamily(font.fontName));
        if (font.fontSizePt > 0)
            add(QStringLiteral("font-size:%1pt").arg(number(font.fontSizePt)));
        // Spacing is a multiple of the tallest font's own line height, which single spacing is.
        if (p.format.lineHeight > 0 && std::abs(p.format.lineHeight - 1) > 0.005) {
            CharFormat strut = font;
            strut.superscript = strut.subscript = false;
            add(QStringLiteral("line-height:") +
                pt(p.format.lineHeight * m_fonts.normalLineHeight(strut)));
        }
        m_out += QLatin1Char('<') + tag +
                 classAttribute(m_styles.classFor(QStringLiteral("p"), css)) + QLatin1Char('>') +
                 prefix;
        const qsizetype start = m_out.size();
        const bool tabs = std::any_of(p.inlines.begin(), p.inlines.end(),
                                      [](const Inline& i) { return i.kind == Inline::Kind::Tab; });
        if (tabs)
            tabbed(p, font.fontSizePt > 0 ? font.fontSizePt : 12);
        else
            inlines(p.inlines);
        if (m_out.size() == start && prefix.isEmpty())
            m_out += QLatin1String("<br>");
        m_out += QLatin1String("</") + tag + QLatin1String(">\n");
    }

    // A paragraph with tabs, line by line: the pieces between tabs in boxes that end on the
    // stops, the text after the last tab flowing on.
    void tabbed(const Paragraph& p, double sizePt)
    {
        const auto stopsIndex = static_cast<size_t>(p.format.tabStops);
        const TabStops* stops = p.format.tabStops >= 0 && stopsIndex < m_document.tabStops.size()
                                    ? &m_document.tabStops[stopsIndex]
                                    : nullptr;
        const double indent = p.format.marginLeft * kPointsPerInch;
        TabLayout layout(m_fonts, stops, m_tabOrigin + indent,
                         m_lineWidth - indent - p.format.marginRight * kPointsPerInch);
        bool first = true;
        for (const TabLine& line : layout.lines(p, sizePt)) {
            if (!first)
                m_out += QLatin1String("<br>");
            first = false;
            for (const TabCell& cell : line.cells) {
                if (cell.width <= 0) {
                    inlines(cell.content);
                    if (cell.tab)
                        m_out += QLatin1String("<span class=\"tab\">\t</span>");
                    continue;
                }
                const QString align = cell.align == TabCell::Align::Right    ? QStringLiteral(" tr")
                                      : cell.align == TabCell::Align::Center ? QStringLiteral(" tm")
                                                                             : QString();
                m_out +=
                    QStringLiteral("<span class=\"tc%1 %2\">")
                        .arg(align, m_styles.classFor(QStringLiteral("x"),
                                                      QStringLiteral("width:") + pt(cell.width)));
                inlines(cell.content);
                leader(cell);
                if (cell.tab)
                    m_out += QLatin1Char('\t');
                m_out += QLatin1String("</span>");
            }
        }
    }

    // Dots, dashes or a rule across the gap a tab leaves.
    void leader(const TabCell& cell)
    {
        if (cell.leader.isEmpty() || cell.leaderWidth < 1)
            return;
        const QChar c = cell.leader[0];
        const QString style = c == QLatin1Char('-') ? QStringLiteral("dashed")
                              : c == QLatin1Char('_') || c == QLatin1Char('=')
                                  ? QStringLiteral("solid")
                                  : QStringLiteral("dotted");
        m_out += QStringLiteral("<span class=\"ld %1\"></span>")
                     .arg(m_styles.classFor(QStringLiteral("x"),
                                            QStringLiteral("width:%1;border-bottom:0.1em %2")
                                                .arg(pt(cell.leaderWidth - 2), style)));
    }

    void inlines(const std::vector<Inline>& items)
    {
        for (const InlineRange& range : linkRanges(items)) {
            const QString href =
                range.link >= 0 && static_cast<size_t>(range.link) < m_document.links.size()
                    ? markup::safeHref(m_document.links[static_cast<size_t>(range.link)])
                    : QString();
            if (!href.isEmpty())
                m_out += QStringLiteral("<a href=\"%1\">").arg(escapeAttribute(href));
            for (size_t i = range.begin; i < range.end; ++i)
                inlineItem(items[i]);
            if (!href.isEmpty())
                m_out += QLatin1String("</a>");
        }
    }

    void inlineItem(const Inline& item)
    {
        switch (item.kind) {
        case Inline::Kind::Text: {
            const QString text = escapeText(item.text);
            if (text.isEmpty())
                break;
            const QString name =
                m_styles.classFor(QStringLiteral("c"), charCss(item.format, m_fonts));
            if (name.isEmpty())
                m_out += text;
            else
                m_out += QStringLiteral("<span class=\"%1\">%2</span>").arg(name, text);
            break;
        }
        case Inline::Kind::Tab:
            m_out += QLatin1String("<span class=\"tab\">\t</span>");
            break;
        case Inline::Kind::LineBreak:
            m_out += QLatin1String("<br>");
            break;
        case Inline::Kind::NoteRef:
            noteRef(item.note);
            break;
        case Inline::Kind::Object:
            picture(item);
            break;
        }
    }

    void picture(const Inline& item)
    {
        if (!m_options.pictures)
            return;
        const PictureRef ref = m_options.pictures->picture(item);
        m_floats |= item.placement.side != Placement::Side::None;
        const QString frame = m_styles.classFor(QStringLiteral("f"), placementCss(item.placement));
        if (!frame.isEmpty())
            m_out += QStringLiteral("<span class=\"pic %1\">").arg(frame);
        // An inline graphic is in the page once; later places use it.
        if (!ref.svg.isEmpty() && !ref.svgUse.isEmpty() && m_inlined.contains(ref.svgUse)) {
            m_out += ref.svgUse;
        } else if (!ref.svg.isEmpty()) {
            m_out += ref.svg;
            m_inlined.insert(ref.svgUse);
        } else if (!ref.src.isEmpty()) {
            m_out += QStringLiteral("<img src=\"%1\" alt=\"%2\">")
                         .arg(escapeAttribute(ref.src), escapeAttribute(ref.alt));
        } else {
            m_out += QStringLiteral("<span class=\"picture-missing\">[%1]</span>")
                         .arg(escapeText(ref.alt));
        }
        if (!frame.isEmpty())
            m_out += QLatin1String("</span>");
    }

public:
    const QString& styleSheet() const { return m_styleSheet; }

private:
    QString noteLabel(size_t index) const { return m_labels[index]; }

    static QString noteId(size_t index) { return QStringLiteral("note-%1").arg(index + 1); }
    static QString refId(size_t index) { return QStringLiteral("note-ref-%1").arg(index + 1); }

    void noteRef(int note)
    {
        if (note < 0 || static_cast<size_t>(note) >= m_document.notes.size())
            return;
        const auto index = static_cast<size_t>(note);
        QString id;
        if (!m_referenced.contains(note)) {
            m_referenced.insert(note);
            id = QStringLiteral(" id=\"%1\"").arg(refId(index));
        }
        m_out += QStringLiteral("<a class=\"note-label\" href=\"#%1\"%2>%3</a>")
                     .arg(noteId(index), id, noteLabel(index));
    }

    void notes(Note::Kind kind, const QString& cssClass)
    {
        bool any = false;
        for (size_t i = 0; i < m_document.notes.size(); ++i) {
            const Note& n = m_document.notes[i];
            if (n.kind != kind)
                continue;
            // The notes print on the last span's pages: a page of another name would start a
            // new sheet for them.
            if (!any)
                m_out += QStringLiteral("<div class=\"notes %1%2\">\n")
                             .arg(cssClass, withClass(m_pageName));
            any = true;
            m_out += QStringLiteral("<div class=\"note\" id=\"%1\">\n").arg(noteId(i));
            // The label links back to the reference and opens the note's first paragraph.
            const QString label =
                m_referenced.contains(static_cast<int>(i))
                    ? QStringLiteral("<a class=\"note-label\" href=\"#%1\">%2</a> ")
                          .arg(refId(i), noteLabel(i))
                    : QStringLiteral("<span class=\"note-label\">%1</span> ").arg(noteLabel(i));
            size_t first = 0;
            if (!n.blocks.empty() && std::holds_alternative<Paragraph>(n.blocks.front().content)) {
                paragraph(std::get<Paragraph>(n.blocks.front().content), label);
                first = 1;
            } else {
                m_out += QLatin1String("<p>") + label + QLatin1String("</p>\n");
            }
            for (size_t b = first; b < n.blocks.size(); ++b)
                block(n.blocks[b], 1);
            m_out += QLatin1String("</div>\n");
        }
        if (any)
            m_out += QLatin1String("</div>\n");
    }

    void list(const List& l, int depth)
    {
        if (l.items.empty())
            return;
        if (l.ordered) {
            m_out += QLatin1String("<ol");
            if (l.numFormat != QLatin1String("1"))
                m_out += QStringLiteral(" type=\"%1\"").arg(l.numFormat);
            if (l.start != 1)
                m_out += QStringLiteral(" start=\"%1\"").arg(l.start);
            m_out += QLatin1String(">\n");
        } else {
            m_out += QLatin1String("<ul>\n");
        }
        for (const ListItem& item : l.items) {
            m_out += QLatin1String("<li>");
            blocks(item.blocks, depth + 1);
            m_out += QLatin1String("</li>\n");
        }
        m_out += l.ordered ? QLatin1String("</ol>\n") : QLatin1String("</ul>\n");
    }

    void table(const Table& source, int depth)
    {
        const Table t = TableGrid::normalized(source);
        if (t.rows.empty())
            return;
        m_out += QLatin1String("<table>\n");
        if (!t.columnWidths.empty()) {
            m_out += QLatin1String("<colgroup>");
            for (double width : t.columnWidths) {
                const QString css =
                    width > 0 ? QStringLiteral("width:%1in").arg(number(width)) : QString();
                m_out += QLatin1String("<col") +
                         classAttribute(m_styles.classFor(QStringLiteral("w"), css)) +
                         QLatin1Char('>');
            }
            m_out += QLatin1String("</colgroup>\n");
        }
        m_out += QLatin1String("<tbody>\n");
        for (const TableRow& row : t.rows) {
            m_out += QLatin1String("<tr>");
            const QString tag = row.header ? QStringLiteral("th") : QStringLiteral("td");
            int column = 0; // not exact under row spans from above; enough for a line's length
            for (const TableCell& cell : row.cells) {
                m_out += QLatin1Char('<') + tag;
                if (cell.colSpan > 1)
                    m_out += QStringLiteral(" colspan=\"%1\"").arg(cell.colSpan);
                if (cell.rowSpan > 1)
                    m_out += QStringLiteral(" rowspan=\"%1\"").arg(cell.rowSpan);
                m_out += classAttribute(m_styles.classFor(QStringLiteral("t"), cellCss(cell))) +
                         QLatin1Char('>');
                // Tabs in a cell are laid out within the cell's columns, less its padding.
                const double lineWidth = m_lineWidth;
                double width = 0;
                for (int c = column; c < column + cell.colSpan; ++c)
                    width += c < static_cast<int>(t.columnWidths.size())
                                 ? t.columnWidths[static_cast<size_t>(c)]
                                 : 100.0;
                m_lineWidth = std::max(width - 0.16, 0.1) * kPointsPerInch;
                column += cell.colSpan;
                blocks(cell.blocks, depth + 1);
                m_lineWidth = lineWidth;
                m_out += QLatin1String("</") + tag + QLatin1Char('>');
            }
            m_out += QLatin1String("</tr>\n");
        }
        m_out += QLatin1String("</tbody>\n</table>\n");
    }

    const Document& m_document;
    const HtmlOptions& m_options;
    PageFurniture m_furniture{m_document};
    FontFaces m_fonts;
    QString m_out;
    QString m_styleSheet;
    StyleRegistry m_styles;
    QSet<int> m_referenced;
    QSet<QString> m_inlined; // inline graphics already in the page, by what later places hold
    std::vector<QString> m_labels;
    QSet<int> m_spansMet;
    std::vector<std::pair<QString, QString>> m_namedPages; // name, rules (see spanPage)
    int m_span = -1;
    bool m_spanOpen = false;
    QString m_pageName;       // the named page the last span prints on, if any
    bool m_spanFresh = false; // nothing of the open span written yet
    bool m_sectionOpen = false;
    bool m_floats = false;    // a frame floats beside the text
    double m_tabOrigin = 72;  // points from the paper's left edge to the text column's
    double m_lineWidth = 468; // points
};

} // namespace

QByteArray HtmlWriter::write(const Document& document, const QString& fallbackTitle,
                             const HtmlOptions& options, QByteArray* styleSheet)
{
    HtmlEmitter emitter(document, options);
    const QByteArray page = emitter.run(fallbackTitle).toUtf8();
    if (styleSheet)
        *styleSheet = emitter.styleSheet().toUtf8();
    return page;
}

} // namespace engine
