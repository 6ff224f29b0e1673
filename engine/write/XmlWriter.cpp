// Quillon engine: writes a Document as DocBook 5.0.
#include "XmlWriter.h"

#include "Markup.h"
#include "PageFurniture.h"
#include "PictureSink.h"
#include "Provenance.h"
#include "TableGrid.h"

#include <QHash>
#include <QSet>
#include <QStringList>

namespace engine {
namespace {

using markup::escapeAttribute;
using markup::escapeText;

class DocBookEmitter final {
public:
    DocBookEmitter(const Document& document, PictureSink* pictures,
                   const wire::Provenance* provenance)
        : m_document(document), m_pictures(pictures), m_provenance(provenance)
    {
    }

    QString run(const QString& fallbackTitle)
    {
        m_out += QLatin1String("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                               "<article xmlns=\"http://docbook.org/ns/docbook\" "
                               "xmlns:xlink=\"http://www.w3.org/1999/xlink\" version=\"5.0\">\n");
        info(fallbackTitle);
        const qsizetype bodyStart = m_out.size();
        // Headers and footers where they take effect, as sidebars.
        for (int i : m_furniture.before())
            headerFooter(i);
        blocks(m_document.body, 0);
        endSpan();
        for (int i : m_furniture.unreached(m_spansMet))
            headerFooter(i);
        for (int i : m_furniture.after())
            headerFooter(i);
        if (m_blocksWritten == 0) {
            m_out.truncate(bodyStart);
            m_out += QLatin1String("<para/>\n");
        }
        m_out += QLatin1String("</article>\n");
        return std::move(m_out);
    }

private:
    void headerFooter(int index)
    {
        const HeaderFooter& hf = m_document.headersFooters[static_cast<size_t>(index)];
        const QString kind = hf.footer ? QStringLiteral("footer") : QStringLiteral("header");
        sidebar(hf.occurrence.isEmpty() ? kind : kind + QLatin1Char('-') + hf.occurrence, hf.blocks,
                0);
    }

    void startSpan(int span)
    {
        if (span < 0 || static_cast<size_t>(span) >= m_document.pageSpans.size() ||
            m_spansMet.contains(span))
            return;
        endSpan();
        m_spansMet.insert(span);
        m_span = span;
        for (int i : m_furniture.atStart(span))
            headerFooter(i);
    }

    void endSpan()
    {
        for (int i : m_furniture.atEnd(m_span))
            headerFooter(i);
        m_span = -1;
    }

    void info(const QString& fallbackTitle)
    {
        m_out += QLatin1String("<info>\n<title>") + escapeText(m_document.title(fallbackTitle)) +
                 QLatin1String("</title>\n");
        if (m_provenance)
            m_out += m_provenance->docBook();
        QStringList misc;
        for (const auto& [key, value] : m_document.metadata) {
            const QString v = escapeText(value);
            if (key == QLatin1String("title"))
                continue;
            if (key == QLatin1String("creator") || key == QLatin1String("initial-creator"))
                m_out += QLatin1String("<author><personname>") + v +
                         QLatin1String("</personname></author>\n");
            else if (key == QLatin1String("abstract"))
                m_out +=
                    QLatin1String("<abstract><para>") + v + QLatin1String("</para></abstract>\n");
            else if (key == QLatin1String("keywords"))
                m_out += QLatin1String("<keywordset><keyword>") + v +
                         QLatin1String("</keyword></keywordset>\n");
            else if (key == QLatin1String("subject"))
                m_out += QLatin1String("<subjectset><subject><subjectterm>") + v +
                         QLatin1String("</subjectterm></subject></subjectset>\n");
            else if (key == QLatin1String("publisher"))
                m_out += QLatin1String("<publisher><publishername>") + v +
                         QLatin1String("</publishername></publisher>\n");
            else if (key == QLatin1String("creation-date") || key == QLatin1String("issued") ||
                     key == QLatin1String("date"))
                m_out += QLatin1String("<date>") + v + QLatin1String("</date>\n");
            else
                misc << QStringLiteral("<bibliomisc role=\"%1\">%2</bibliomisc>\n")
                            .arg(escapeAttribute(key), v);
        }
        m_out += misc.join(QString());
        m_out += QLatin1String("</info>\n");
    }

    // Writes blocks; returns how many elements (not processing instructions) were written, so
    // a container that must hold at least one block can add an empty para.
    int blocks(const Blocks& list, int depth)
    {
        int written = 0;
        for (const Block& b : list)
            written += block(b, depth);
        return written;
    }

    void blocksNonEmpty(const Blocks& list, int depth)
    {
        if (blocks(list, depth) == 0)
            m_out += QLatin1String("<para/>\n");
    }

    int block(const Block& b, int depth)
    {
        if (depth > kMaxNesting)
            return 0;
        if (const auto* mark = std::get_if<PageSpanStart>(&b.content)) {
            if (depth == 0)
                startSpan(mark->span);
            return 0;
        }
        if (std::holds_alternative<SectionStart>(b.content))
            return 0;
        if (const auto* p = std::get_if<Paragraph>(&b.content)) {
            paragraph(*p);
        } else if (const auto* l = std::get_if<List>(&b.content)) {
            if (l->items.empty())
                return 0;
            list(*l, depth);
        } else if (const auto* t = std::get_if<Table>(&b.content)) {
            if (!table(*t, depth))
                return 0;
        } else if (std::holds_alternative<PageBreak>(b.content)) {
            m_out += QLatin1String("<?page-break?>\n");
            return 0;
        } else if (const auto* box = std::get_if<Box>(&b.content)) {
            sidebar(box->kind == Box::Kind::Comment ? QStringLiteral("comment")
                                                    : QStringLiteral("textbox"),
                    box->blocks, depth + 1);
        }
        ++m_blocksWritten;
        return 1;
    }

    void sidebar(const QString& role, const Blocks& content, int depth)
    {
        m_out += QStringLiteral("<sidebar role=\"%1\">\n").arg(escapeAttribute(role));
        blocksNonEmpty(content, depth + 1);
        m_out += QLatin1String("</sidebar>\n");
        ++m_blocksWritten;
    }

    void paragraph(const Paragraph& p)
    {
        const bool heading = p.format.outlineLevel > 0;
        QString role;
        switch (p.format.align) {
        case Alignment::Center:
            role = QStringLiteral("center");
            break;
        case Alignment::Right:
            role = QStringLiteral("right");
            break;
        case Alignment::Justify:
            role = QStringLiteral("justify");
            break;
        case Alignment::Left:
        case Alignment::Default:
            break;
        }
        if (heading)
            m_out += QStringLiteral("<bridgehead renderas=\"sect%1\">")
                         .arg(std::min(p.format.outlineLevel, 5));
        else if (role.isEmpty())
            m_out += QLatin1String("<para>");
        else
            m_out += QStringLiteral("<para role=\"%1\">").arg(role);
        inlines(p.inlines, !heading);
        m_out += heading ? QLatin1String("</bridgehead>\n") : QLatin1String("</para>\n");
    }

    void inlines(const std::vector<Inline>& items, bool notesAllowed)
    {
        for (const InlineRange& range : linkRanges(items)) {
            const QString href =
                range.link >= 0 && static_cast<size_t>(range.link) < m_document.links.size()
                    ? markup::safeHref(m_document.links[static_cast<size_t>(range.link)])
                    : QString();
            if (!href.isEmpty())
                m_out += QStringLiteral("<link xlink:href=\"%1\">").arg(escapeAttribute(href));
            for (size_t i = range.begin; i < range.end; ++i)
                inlineItem(items[i], notesAllowed);
            if (!href.isEmpty())
                m_out += QLatin1String("</link>");
        }
    }

    void inlineItem(const Inline& item, bool notesAllowed)
    {
        switch (item.kind) {
        case Inline::Kind::Text:
            formatted(item);
            break;
        case Inline::Kind::Tab:
            m_out += QLatin1Char('\t');
            break;
        case Inline::Kind::LineBreak:
            m_out += QLatin1String("<?line-break?>\n");
            break;
        case Inline::Kind::NoteRef:
            if (notesAllowed)
                note(item.note);
            break;
        case Inline::Kind::Object:
            picture(item);
            break;
        }
    }

    void picture(const Inline& item)
    {
        if (!m_pictures)
            return;
        const PictureRef ref = m_pictures->picture(item);
        m_out += QLatin1String("<inlinemediaobject><alt>") + escapeText(ref.alt) +
                 QLatin1String("</alt>");
        if (!ref.src.isEmpty()) {
            m_out +=
                QStringLiteral("<imageobject><imagedata fileref=\"%1\" format=\"%2\"")
                    .arg(escapeAttribute(ref.src), ref.contentType == QLatin1String("image/jpeg")
                                                       ? QLatin1String("JPEG")
                                                       : QLatin1String("PNG"));
            if (ref.width > 0 && ref.height > 0)
                m_out += QStringLiteral(" contentwidth=\"%1px\" contentdepth=\"%2px\"")
                             .arg(ref.width)
                             .arg(ref.height);
            m_out += QLatin1String("/></imageobject>");
        }
        m_out += QLatin1String("<textobject><phrase>") + escapeText(ref.alt) +
                 QLatin1String("</phrase></textobject></inlinemediaobject>");
    }

    void formatted(const Inline& item)
    {
        const CharFormat& f = item.format;
        QStringList open;
        QStringList close;
        auto wrap = [&](const QString& start, const QString& end) {
            open << start;
            close.prepend(end);
        };
        if (f.bold)
            wrap(QStringLiteral("<emphasis role=\"bold\">"), QStringLiteral("</emphasis>"));
        if (f.italic)
            wrap(QStringLiteral("<emphasis>"), QStringLiteral("</emphasis>"));
        if (f.underline)
            wrap(QStringLiteral("<emphasis role=\"%1\">")
                     .arg(f.doubleUnderline ? QStringLiteral("double-underline")
                                            : QStringLiteral("underline")),
                 QStringLiteral("</emphasis>"));
        if (f.strikeout)
            wrap(QStringLiteral("<emphasis role=\"strikethrough\">"),
                 QStringLiteral("</emphasis>"));
        QStringList roles;
        if (f.smallCaps)
            roles << QStringLiteral("smallcaps");
        if (f.outline)
            roles << QStringLiteral("outline");
        if (f.shadow)
            roles << QStringLiteral("shadow");
        if (!roles.isEmpty())
            wrap(QStringLiteral("<phrase role=\"%1\">").arg(roles.join(QLatin1Char(' '))),
                 QStringLiteral("</phrase>"));
        // superscript and subscript hold text only, so they go innermost.
        if (f.superscript)
            wrap(QStringLiteral("<superscript>"), QStringLiteral("</superscript>"));
        else if (f.subscript)
            wrap(QStringLiteral("<subscript>"), QStringLiteral("</subscript>"));
        m_out += open.join(QString()) + escapeText(item.text) + close.join(QString());
    }

    void note(int index)
    {
        if (index < 0 || static_cast<size_t>(index) >= m_document.notes.size())
            return;
        const Note& n = m_document.notes[static_cast<size_t>(index)];
        m_out += n.kind == Note::Kind::Endnote ? QLatin1String("<footnote role=\"endnote\">")
                                               : QLatin1String("<footnote>");
        // A footnote holds paragraphs only: its blocks are written flat, without nested notes.
        bool any = false;
        flatParagraphs(n.blocks, 0, any);
        if (!any)
            m_out += QLatin1String("<para/>");
        m_out += QLatin1String("</footnote>");
    }

    void flatParagraphs(const Blocks& list, int depth, bool& any)
    {
        if (depth > kMaxNesting)
            return;
        for (const Block& b : list) {
            if (const auto* p = std::get_if<Paragraph>(&b.content)) {
                m_out += QLatin1String("<para>");
                inlines(p->inlines, false);
                m_out += QLatin1String("</para>");
                any = true;
            } else if (const auto* l = std::get_if<List>(&b.content)) {
                for (const ListItem& item : l->items)
                    flatParagraphs(item.blocks, depth + 1, any);
            } else if (const auto* t = std::get_if<Table>(&b.content)) {
                for (const TableRow& row : t->rows) {
                    for (const TableCell& cell : row.cells)
                        flatParagraphs(cell.blocks, depth + 1, any);
                }
            } else if (const auto* box = std::get_if<Box>(&b.content)) {
                flatParagraphs(box->blocks, depth + 1, any);
            }
        }
    }

    void list(const List& l, int depth)
    {
        if (l.ordered) {
            static const QHash<QString, QString> numeration{
                {QStringLiteral("1"), QStringLiteral("arabic")},
                {QStringLiteral("a"), QStringLiteral("loweralpha")},
                {QStringLiteral("A"), QStringLiteral("upperalpha")},
                {QStringLiteral("i"), QStringLiteral("lowerroman")},
                {QStringLiteral("I"), QStringLiteral("upperroman")}};
            m_out += QStringLiteral("<orderedlist numeration=\"%1\"")
                         .arg(numeration.value(l.numFormat, QStringLiteral("arabic")));
            if (l.start != 1)
                m_out += QStringLiteral(" startingnumber=\"%1\"").arg(l.start);
            m_out += QLatin1String(">\n");
        } else {
            m_out += QLatin1String("<itemizedlist>\n");
        }
        for (const ListItem& item : l.items) {
            m_out += QLatin1String("<listitem>");
            blocksNonEmpty(item.blocks, depth + 1);
            m_out += QLatin1String("</listitem>\n");
        }
        m_out += l.ordered ? QLatin1String("</orderedlist>\n") : QLatin1String("</itemizedlist>\n");
    }

    bool table(const Table& source, int depth)
    {
        const Table t = TableGrid::normalized(source);
        if (t.rows.empty())
            return false;
        m_out += QLatin1String("<informaltable>\n");
        for (double width : t.columnWidths) {
            if (width > 0)
                m_out += QStringLiteral("<col width=\"%1in\"/>").arg(markup::number(width));
            else
                m_out += QLatin1String("<col/>");
        }
        m_out += QLatin1String("<tbody>\n");
        for (const TableRow& row : t.rows) {
            m_out += QLatin1String("<tr>");
            for (const TableCell& cell : row.cells) {
                const char* tag = row.header ? "th" : "td";
                m_out += QLatin1Char('<') + QLatin1String(tag);
                if (cell.colSpan > 1)
                    m_out += QStringLiteral(" colspan=\"%1\"").arg(cell.colSpan);
                if (cell.rowSpan > 1)
                    m_out += QStringLiteral(" rowspan=\"%1\"").arg(cell.rowSpan);
                if (!cell.verticalAlign.isEmpty())
                    m_out += QStringLiteral(" valign=\"%1\"").arg(cell.verticalAlign);
                m_out += QLatin1Char('>');
                blocks(cell.blocks, depth + 1);
                m_out += QLatin1String("</") + QLatin1String(tag) + QLatin1Char('>');
            }
            m_out += QLatin1String("</tr>\n");
        }
        m_out += QLatin1String("</tbody>\n</informaltable>\n");
        return true;
    }

    const Document& m_document;
    PictureSink* m_pictures;
    const wire::Provenance* m_provenance;
    PageFurniture m_furniture{m_document};
    QSet<int> m_spansMet;
    int m_span = -1;
    QString m_out;
    int m_blocksWritten = 0;
};

} // namespace

QByteArray XmlWriter::write(const Document& document, const QString& fallbackTitle,
                            PictureSink* pictures, const wire::Provenance* provenance)
{
    return DocBookEmitter(document, pictures, provenance).run(fallbackTitle).toUtf8();
}

} // namespace engine
