// Quillon engine: writes a Document as HTML5.
#include "HtmlWriter.h"

#include "Markup.h"
#include "PictureSink.h"
#include "Provenance.h"
#include "StyleRegistry.h"
#include "TableGrid.h"

#include <QHash>
#include <QSet>
#include <QStringList>

namespace engine {
namespace {

using markup::escapeAttribute;
using markup::escapeText;
using markup::number;

const char kBaseStyle[] =
    "body{font-family:serif;line-height:1.35;max-width:48em;margin:1em auto;padding:0 1em}\n"
    "p{margin:0 0 0.4em}\n"
    "table{border-collapse:collapse;margin:0.5em 0}\n"
    "td,th{vertical-align:top;padding:0.15em 0.4em}\n"
    "hr.page-break{border:0;border-top:1px dashed #bbbbbb;margin:1.5em 0;"
    "page-break-after:always}\n"
    ".tab{display:inline-block;min-width:2em}\n"
    ".page-header,.page-footer{color:#555555;font-size:0.9em}\n"
    ".page-header{border-bottom:1px solid #dddddd;margin-bottom:1em}\n"
    ".page-footer{border-top:1px solid #dddddd;margin-top:1em}\n"
    ".notes{border-top:1px solid #999999;margin-top:2em;font-size:0.9em}\n"
    ".note-label{font-size:0.8em;vertical-align:super}\n"
    "aside.textbox{border:1px solid #cccccc;padding:0.3em 0.6em;margin:0.5em 0}\n"
    "aside.comment{background-color:#ffffe0;border-left:3px solid #e0c000;padding:0.2em 0.6em;"
    "margin:0.5em 0}\n"
    "img,svg{max-width:100%;height:auto;vertical-align:middle}\n"
    ".picture-missing{color:#777777;font-style:italic}\n";

QString charCss(const CharFormat& f)
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
        d << QStringLiteral("vertical-align:super;font-size:smaller");
    else if (f.subscript)
        d << QStringLiteral("vertical-align:sub;font-size:smaller");
    if (f.smallCaps)
        d << QStringLiteral("font-variant:small-caps");
    if (f.outline || f.shadow)
        d << QStringLiteral("text-shadow:1px 1px 1px #888888");
    if (!f.fontName.isEmpty())
        d << QStringLiteral("font-family:\"%1\"").arg(f.fontName);
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
    if (f.lineHeight > 0)
        d << QStringLiteral("line-height:") + number(f.lineHeight);
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

QString classAttribute(const QString& name)
{
    return name.isEmpty() ? QString() : QStringLiteral(" class=\"%1\"").arg(name);
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
        for (const HeaderFooter& hf : m_document.headersFooters) {
            if (!hf.footer)
                section(QStringLiteral("header"), QStringLiteral("page-header"), hf.blocks);
        }
        m_out += QLatin1String("<main>\n");
        blocks(m_document.body, 0);
        m_out += QLatin1String("</main>\n");
        notes(Note::Kind::Footnote, QStringLiteral("footnotes"));
        notes(Note::Kind::Endnote, QStringLiteral("endnotes"));
        for (const HeaderFooter& hf : m_document.headersFooters) {
            if (hf.footer)
                section(QStringLiteral("footer"), QStringLiteral("page-footer"), hf.blocks);
        }
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
        m_styleSheet = QLatin1String(kBaseStyle) + m_styles.styleSheet() + QLatin1Char('\n');
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

    void section(const QString& tag, const QString& cssClass, const Blocks& content)
    {
        m_out += QStringLiteral("<%1 class=\"%2\">\n").arg(tag, cssClass);
        blocks(content, 1);
        m_out += QStringLiteral("</%1>\n").arg(tag);
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
        if (const auto* p = std::get_if<Paragraph>(&b.content)) {
            paragraph(*p, QString());
        } else if (const auto* l = std::get_if<List>(&b.content)) {
            list(*l, depth);
        } else if (const auto* t = std::get_if<Table>(&b.content)) {
            table(*t, depth);
        } else if (std::holds_alternative<PageBreak>(b.content)) {
            m_out += QLatin1String("<hr class=\"page-break\">\n");
        } else if (const auto* box = std::get_if<Box>(&b.content)) {
            m_out += box->kind == Box::Kind::Comment ? QLatin1String("<aside class=\"comment\">\n")
                                                     : QLatin1String("<aside class=\"textbox\">\n");
            blocks(box->blocks, depth + 1);
            m_out += QLatin1String("</aside>\n");
        }
    }

    // prefix: markup placed at the start of the paragraph (a note's label).
    void paragraph(const Paragraph& p, const QString& prefix)
    {
        const int level = p.format.outlineLevel;
        const QString tag = level > 0 ? QStringLiteral("h%1").arg(level) : QStringLiteral("p");
        m_out += QLatin1Char('<') + tag +
                 classAttribute(m_styles.classFor(QStringLiteral("p"), paraCss(p.format))) +
                 QLatin1Char('>') + prefix;
        const qsizetype start = m_out.size();
        inlines(p.inlines);
        if (m_out.size() == start && prefix.isEmpty())
            m_out += QLatin1String("<br>");
        m_out += QLatin1String("</") + tag + QLatin1String(">\n");
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
            const QString name = m_styles.classFor(QStringLiteral("c"), charCss(item.format));
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
            if (!any)
                m_out += QStringLiteral("<div class=\"notes %1\">\n").arg(cssClass);
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
            for (const TableCell& cell : row.cells) {
                m_out += QLatin1Char('<') + tag;
                if (cell.colSpan > 1)
                    m_out += QStringLiteral(" colspan=\"%1\"").arg(cell.colSpan);
                if (cell.rowSpan > 1)
                    m_out += QStringLiteral(" rowspan=\"%1\"").arg(cell.rowSpan);
                m_out += classAttribute(m_styles.classFor(QStringLiteral("t"), cellCss(cell))) +
                         QLatin1Char('>');
                blocks(cell.blocks, depth + 1);
                m_out += QLatin1String("</") + tag + QLatin1Char('>');
            }
            m_out += QLatin1String("</tr>\n");
        }
        m_out += QLatin1String("</tbody>\n</table>\n");
    }

    const Document& m_document;
    const HtmlOptions& m_options;
    QString m_out;
    QString m_styleSheet;
    StyleRegistry m_styles;
    QSet<int> m_referenced;
    QSet<QString> m_inlined; // inline graphics already in the page, by what later places hold
    std::vector<QString> m_labels;
};

} // namespace

QByteArray HtmlWriter::write(const Document& document, const QString& fallbackTitle)
{
    return write(document, fallbackTitle, HtmlOptions());
}

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
