// Quillon engine tests: the DocBook and HTML writers on hand-built documents.
#include "Document.h"
#include "FontFaces.h"
#include "HtmlWriter.h"
#include "Markup.h"
#include "PageFurniture.h"
#include "Provenance.h"
#include "TabLayout.h"
#include "TableGrid.h"
#include "ToolRunner.h"
#include "XmlWriter.h"

#include <QFile>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <QtTest>

using namespace engine;

namespace {

enum class Format { Xml, Html };

QString write(Format format, const Document& document, const wire::Provenance* provenance = nullptr)
{
    HtmlOptions html;
    html.provenance = provenance;
    const QByteArray bytes =
        format == Format::Xml
            ? XmlWriter::write(document, QStringLiteral("fallback"), nullptr, provenance)
            : HtmlWriter::write(document, QStringLiteral("fallback"), html);
    return QString::fromUtf8(bytes);
}

// A source whose path holds markup, a '%', a control character and a byte that is not UTF-8.
wire::Provenance hostileSource()
{
    wire::Provenance p;
    p.source = wire::Provenance::pathText("in/<a href=\"x\">&amp;%20\n\xff.wpd");
    p.size = 17566;
    p.modified = QStringLiteral("2019-03-04T10:11:12.123456789Z");
    p.sha256 = QString(64, u'a');
    p.generator = QStringLiteral("quillon-engine 2.0.0.4");
    p.settings = QStringLiteral("html pictures=png styleSheet=embedded title=document");
    return p;
}

Block para(std::vector<Inline> inlines, ParaFormat format = {})
{
    Paragraph p;
    p.format = format;
    p.inlines = std::move(inlines);
    return Block{std::move(p)};
}

Block para(const QString& text)
{
    return para({Inline::textRun(text)});
}

TableCell cell(const QString& text, int colSpan = 1, int rowSpan = 1)
{
    TableCell c;
    c.colSpan = colSpan;
    c.rowSpan = rowSpan;
    c.blocks.push_back(para(text));
    return c;
}

Table table(std::vector<std::vector<TableCell>> rows)
{
    Table t;
    for (auto& cells : rows) {
        TableRow row;
        row.cells = std::move(cells);
        t.rows.push_back(std::move(row));
    }
    return t;
}

// The text content of well-formed XML (fails the test when it is not well-formed).
QString xmlText(const QString& xml)
{
    QXmlStreamReader reader(xml);
    QString text;
    while (!reader.atEnd()) {
        reader.readNext();
        if (reader.isCharacters())
            text += reader.text();
    }
    if (reader.hasError())
        qWarning("not well-formed: %s", qPrintable(reader.errorString()));
    return reader.hasError() ? QStringLiteral("<not well-formed>") : text;
}

// A document that uses every part of the model, with hostile text in every place text goes.
Document richDocument(const QString& hostile)
{
    Document d;
    d.metadata = {{QStringLiteral("title"), hostile},
                  {QStringLiteral("creator"), hostile},
                  {QStringLiteral("keywords"), QStringLiteral("k1 k2")},
                  {QStringLiteral("x-custom"), hostile}};
    d.links = {QStringLiteral("http://example.com/a b?x=\"1\"&y=<2>"),
               QStringLiteral("javascript:alert(1)")};
    d.notes.push_back({Note::Kind::Footnote, QString(), {para(QStringLiteral("foot ") + hostile)}});
    d.notes.push_back(
        {Note::Kind::Endnote, QStringLiteral("iv"), {para(QStringLiteral("end note"))}});

    CharFormat bold;
    bold.bold = true;
    CharFormat all = bold;
    all.italic = all.underline = all.strikeout = all.superscript = all.smallCaps = true;
    all.fontName = QStringLiteral("Times New Roman");
    all.fontSizePt = 14;
    all.color = QStringLiteral("#ff0000");
    ParaFormat centred;
    centred.align = Alignment::Center;
    centred.marginLeft = 0.5;
    centred.textIndent = -0.25;
    centred.lineHeight = 1.5;
    ParaFormat heading;
    heading.outlineLevel = 2;

    d.body.push_back(para({Inline::textRun(QStringLiteral("Heading"))}, heading));
    d.body.push_back(
        para({Inline::textRun(hostile, bold), Inline::of(Inline::Kind::Tab),
              Inline::textRun(QStringLiteral("all"), all), Inline::noteRef(0),
              Inline::of(Inline::Kind::LineBreak), Inline::textRun(QStringLiteral("linked"), {}, 0),
              Inline::noteRef(1), Inline::textRun(QStringLiteral("script link"), {}, 1)},
             centred));
    d.body.push_back(Block{PageBreak{}});

    List inner;
    inner.ordered = true;
    inner.numFormat = QStringLiteral("i");
    inner.start = 3;
    inner.items.push_back({{para(QStringLiteral("inner"))}});
    List outer;
    outer.items.push_back({{para(QStringLiteral("outer")), Block{inner}}});
    outer.items.push_back({{}}); // an empty item
    d.body.push_back(Block{outer});

    Table t = table({{cell(QStringLiteral("a"), 2), cell(QStringLiteral("b"), 1, 2)},
                     {cell(hostile), cell(QStringLiteral("d"))}});
    t.rows[0].header = true;
    t.rows[0].cells[0].borderTop = QStringLiteral("0.01in solid #000000");
    t.rows[0].cells[0].background = QStringLiteral("#eeeeee");
    t.columnWidths = {1.0, 1.5, 2.0};
    t.rows[1].cells[1].blocks.push_back(Block{outer});
    d.body.push_back(Block{t});

    Box box;
    box.kind = Box::Kind::Comment;
    box.blocks.push_back(para(QStringLiteral("a comment")));
    d.body.push_back(Block{box});
    d.headersFooters.push_back({false, QStringLiteral("all"), {para(QStringLiteral("head"))}});
    d.headersFooters.push_back({true, QString(), {para(QStringLiteral("foot"))}});
    return d;
}

// Three page spans (the third on other paper) with headers that repeat, change and stop, a
// section of two columns, tabs on stops with leaders, spaced lines and a box at the side.
Document layoutDocument()
{
    Document d;
    PageLayout wide;
    wide.width = 11;
    wide.height = 8.5;
    d.pageSpans = {PageLayout(), PageLayout(), wide};
    Inline pageNumber = Inline::textRun(QStringLiteral("#"));
    pageNumber.pageNumber = true;
    auto hf = [&](bool footer, const char* text, int span) {
        std::vector<Inline> line{Inline::textRun(QLatin1String(text))};
        if (footer && *text)
            line.push_back(pageNumber);
        return HeaderFooter{footer, QStringLiteral("all"), {para(line)}, span};
    };
    d.headersFooters = {hf(false, "Head one", 0), hf(true, "Foot one", 0),
                        hf(false, "Head one", 1), hf(true, "Foot one", 1),
                        hf(false, "Head two", 2), hf(true, "", 2)};
    d.sections.push_back({2, 0.5, 0, 0});
    d.notes.push_back({Note::Kind::Footnote, QString(), {para(QStringLiteral("A note"))}});
    TabStop right;
    right.position = 3;
    right.kind = TabStop::Kind::Right;
    right.leader = QStringLiteral(".");
    d.tabStops.push_back({right});
    ParaFormat toc;
    toc.tabStops = 0;
    ParaFormat spaced;
    spaced.lineHeight = 2;
    spaced.columnBreak = true;
    CharFormat courier;
    courier.fontName = QStringLiteral("Courier 10cpi");
    courier.fontSizePt = 10;
    d.body = {Block{PageSpanStart{0}},
              para({Inline::textRun(QStringLiteral("Chapter")), Inline::of(Inline::Kind::Tab),
                    Inline::textRun(QStringLiteral("12"))},
                   toc),
              Block{SectionStart{0}},
              para(QStringLiteral("Column one")),
              para({Inline::textRun(QStringLiteral("Column two"), courier)}, spaced),
              Block{SectionStart{-1}},
              Block{PageSpanStart{1}},
              Block{PageBreak{}}, // the span's own page break
              Block{Box{Box::Kind::TextBox,
                        {para(QStringLiteral("Aside"))},
                        {1, 0, Placement::Side::Left}}},
              para(QStringLiteral("Body two")),
              Block{PageSpanStart{2}},
              para(QStringLiteral("Body three"))};
    return d;
}

const QString kHostile = QStringLiteral("<script>alert(\"x&y\")</script> ]]> --> <?pi?>");

} // namespace

class WriterTest : public QObject {
    Q_OBJECT

private slots:
    void contract_data()
    {
        QTest::addColumn<Format>("format");
        QTest::newRow("xml") << Format::Xml;
        QTest::newRow("html") << Format::Html;
    }

    // What both writers promise: every text escaped, characters XML forbids never written, an empty
    // document still a whole page, nesting beyond any sense cut off without a stack overflow.
    void contract()
    {
        QFETCH(Format, format);
        QString out = write(format, richDocument(kHostile));
        QVERIFY(!out.contains(QLatin1String("<script")));
        QVERIFY(!out.contains(QLatin1String("<?pi")));
        QVERIFY(!out.contains(QLatin1String("javascript:")));
        QVERIFY(out.contains(QLatin1String("&lt;script&gt;")));
        if (format == Format::Xml)
            QCOMPARE(xmlText(out).count(QLatin1String("<script>alert(\"x&y\")</script>")), 6);

        QString nasty = QStringLiteral("a\x01"
                                       "b\x0B"
                                       "c\x1F"
                                       "d\tz");
        nasty += QChar(0x85);   // C1 control
        nasty += QChar(0xFFFE); // noncharacters
        nasty += QChar(0xFFFF);
        nasty += QChar(0xFDD0);
        nasty += QChar(0xD800); // lone high surrogate
        nasty += QLatin1Char('e');
        nasty += QChar(0xDC00);                    // lone low surrogate
        nasty += QString::fromUcs4(U"\U0001F600"); // a valid astral character
        out = write(format, richDocument(nasty));
        for (const char32_t bad : {0x01u, 0x0Bu, 0x1Fu, 0x85u, 0xFFFEu, 0xFFFFu, 0xFDD0u})
            QVERIFY2(!out.contains(QChar(bad)), qPrintable(QString::number(bad, 16)));
        QVERIFY(out.contains(QString::fromUcs4(U"\U0001F600")));
        QVERIFY(out.contains(QLatin1String("abcd\tz")));
        // Every surrogate left is half of a valid pair.
        for (qsizetype i = 0; i < out.size(); ++i) {
            if (out[i].isHighSurrogate()) {
                QVERIFY(i + 1 < out.size() && out[i + 1].isLowSurrogate());
                ++i;
            } else {
                QVERIFY(!out[i].isLowSurrogate());
            }
        }
        if (format == Format::Xml)
            QVERIFY(xmlText(out).contains(QLatin1String("abcd")));

        out = write(format, Document{});
        if (format == Format::Xml) {
            QVERIFY(out.contains(QLatin1String("<title>fallback</title>")));
            QVERIFY(out.contains(QLatin1String("<para/>"))); // an article needs one block
            QCOMPARE(xmlText(out).trimmed(), QStringLiteral("fallback"));
        } else {
            QVERIFY(out.startsWith(QLatin1String("<!DOCTYPE html>")));
            QVERIFY(out.contains(QLatin1String("<title>fallback</title>")));
            QVERIFY(out.contains(QLatin1String("<main>\n</main>")));
        }
        // Without any title at all the page still gets one.
        const QByteArray untitled = format == Format::Xml
                                        ? XmlWriter::write(Document{}, QString())
                                        : HtmlWriter::write(Document{}, QString());
        QVERIFY(untitled.contains("<title>Untitled document</title>"));

        Block block = para(QStringLiteral("deepest"));
        for (int i = 0; i < 5000; ++i) {
            List l;
            l.items.push_back({{std::move(block)}});
            block = Block{std::move(l)};
        }
        Document deep;
        deep.body.push_back(std::move(block));
        out = write(format, deep);
        QVERIFY(!out.contains(QLatin1String("deepest")));
        if (format == Format::Xml)
            QVERIFY(xmlText(out) != QLatin1String("<not well-formed>"));
    }

    // What each writer makes of every part of the model (for HTML, notes are linked both ways,
    // numbered within their kind unless labelled, and a link that is not safe keeps its text).
    void shapes()
    {
        const Document rich = richDocument(QStringLiteral("plain"));
        const QString xml = write(Format::Xml, rich);
        for (const char* part : {
                 "<author><personname>plain</personname></author>",
                 "<bridgehead renderas=\"sect2\">Heading</bridgehead>",
                 // superscript holds text only, so it is the innermost wrapper
                 "<phrase role=\"smallcaps\"><superscript>all</superscript></phrase></emphasis>"
                 "</emphasis></emphasis></emphasis>",
                 "<footnote><para>foot plain</para></footnote>",
                 "<footnote role=\"endnote\"><para>end note</para></footnote>",
                 "<link xlink:href=\"http://example.com/a%20b?x=%221%22&amp;y=%3C2%3E\">",
                 "<?page-break?>",
                 "<orderedlist numeration=\"lowerroman\" startingnumber=\"3\">",
                 "<th colspan=\"2\">",
                 "<th rowspan=\"2\">",
             })
            QVERIFY2(xml.contains(QLatin1String(part)), part);
        QVERIFY(xml.indexOf("role=\"header-all\"") < xml.indexOf("Heading"));
        QVERIFY(xml.indexOf("role=\"footer\"") > xml.indexOf("a comment"));

        const QString out = write(Format::Html, rich);
        for (const char* part : {
                 "<meta name=\"author\" content=\"plain\">",
                 "<h2>Heading</h2>",
                 // one and a half of the tallest text's line (bold 12 pt: 13.5 pt)
                 "text-align:center;margin-left:0.5in;text-indent:-0.25in;line-height:20.25pt",
                 "font-family:\"Times New Roman\",\"Liberation Serif\",serif",
                 "<a class=\"note-label\" href=\"#note-1\" id=\"note-ref-1\">1</a>",
                 "<div class=\"note\" id=\"note-1\">",
                 "<a class=\"note-label\" href=\"#note-ref-1\">1</a> foot",
                 "href=\"#note-2\" id=\"note-ref-2\">iv</a>",
                 "<ol type=\"i\" start=\"3\">",
                 "<hr class=\"page-break\">",
                 "border-top:0.01in solid #000000;background-color:#eeeeee",
                 "<th colspan=\"2\"",
                 "<th rowspan=\"2\"",
                 "script link",
             })
            QVERIFY2(out.contains(QLatin1String(part)), part);

        // One class per distinct style, however often it is used.
        Document d;
        CharFormat bold;
        bold.bold = true;
        for (int i = 0; i < 3; ++i)
            d.body.push_back(para({Inline::textRun(QStringLiteral("b"), bold)}));
        const QString page = write(Format::Html, d);
        QCOMPARE(page.count(QLatin1String(".c1{font-weight:bold}")), 1);
        QCOMPARE(page.count(QLatin1String("<span class=\"c1\">b</span>")), 3);
        QVERIFY(!page.contains(QLatin1String(".c2")));
    }

    // What an output records of its source is read back exactly from its first bytes, ahead of
    // anything the document says, whatever its properties and title claim.
    void provenanceIsReadBack()
    {
        const wire::Provenance source = hostileSource();
        Document d = richDocument(QStringLiteral("<meta name=\"source\" content=\"forged\">"));
        d.metadata.emplace_back(QStringLiteral("size"), QStringLiteral("1"));
        for (const Format f : {Format::Xml, Format::Html}) {
            const QByteArray out = write(f, d, &source).toUtf8();
            const wire::Provenance read = wire::Provenance::read(out);
            QCOMPARE(read.source, QStringLiteral("in/<a href=\"x\">&amp;%2520%0A%FF.wpd"));
            QCOMPARE(read.size, source.size);
            QCOMPARE(read.modified, source.modified);
            QCOMPARE(read.sha256, source.sha256);
            QCOMPARE(read.settings, source.settings);
            QCOMPARE(read.generator, source.generator);
            QVERIFY(wire::Provenance::read(write(f, d).toUtf8()).settings.isEmpty());
        }
    }

    void outputsPassTheCheckers()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const std::pair<QString, Document> documents[] = {
            {QStringLiteral("empty"), Document{}},
            {QStringLiteral("rich"), richDocument(QStringLiteral("plain"))},
            {QStringLiteral("hostile"), richDocument(kHostile + QChar(0xFFFF) + QChar(0xD800))},
            {QStringLiteral("layout"), layoutDocument()},
        };
        QStringList xmlFiles;
        QStringList htmlFiles;
        const wire::Provenance source = hostileSource();
        for (const auto& [name, document] : documents) {
            for (const Format f : {Format::Xml, Format::Html}) {
                const QString path = dir.filePath(
                    name + (f == Format::Xml ? QStringLiteral(".xml") : QStringLiteral(".html")));
                QFile file(path);
                QVERIFY(file.open(QIODevice::WriteOnly));
                file.write(write(f, document, name == QLatin1String("hostile") ? &source : nullptr)
                               .toUtf8());
                (f == Format::Xml ? xmlFiles : htmlFiles) << path;
            }
        }
        const QString problems = testtools::invalid(xmlFiles, htmlFiles);
        QVERIFY2(problems.isEmpty(), qPrintable(problems));
    }

    // Pages, headers in place, columns and spacing in HTML; headers in place in DocBook.
    void layout()
    {
        const Document d = layoutDocument();
        const QString html = write(Format::Html, d);
        for (const char* part : {
                 "@page{size:8.5in 11in;margin:1in 1in 1in 1in}",
                 "body{max-width:6.5in}",
                 // headers and footers on every printed page, in room taken from the text
                 "@page pg1{size:8.5in 11in;margin:1.3542in 1in 1.3542in 1in;@top-left{content:"
                 "\"Head one\";white-space:pre;vertical-align:top;padding-top:1in}@bottom-left{"
                 "content:\"Foot one\" counter(page);white-space:pre;vertical-align:bottom;"
                 "padding-bottom:1in}}",
                 "@page pg3{size:11in 8.5in;margin:1.3542in 1in 1in 1in;@top-left{",
                 "<div class=\"page-span pg1\">\n<header class=\"page-header running\">",
                 "<div class=\"page-span pg3\">",
                 "column-count:2;column-gap:0.5in",
                 // 2 x Liberation Mono's 11.25 pt line at 10 pt
                 "break-before:column;font-family:\"Courier 10cpi\",\"Courier New\","
                 "\"Liberation Mono\",monospace;font-size:10pt;line-height:22.5pt",
                 "border-bottom:0.1em dotted",
                 // the notes print on the last span's pages, not on a sheet of their own
                 "<div class=\"notes footnotes pg3\">",
                 // a box at the side has the text beside it, but not the next span's header
                 "{width:1in;float:left;margin:0 0.1in 0.05in 0}",
                 ".page-header,.page-footer,.page-span,.notes{clear:both}",
                 "aside.textbox{float:none!important}",
             })
            QVERIFY2(html.contains(QLatin1String(part)), part);
        QCOMPARE(html.count(QLatin1String("@page pg")), 2); // the first two spans print alike
        // Each where its span starts or ends, in order; the page break is the span's own.
        QCOMPARE(html.count(QLatin1String("<hr class=\"page-break\">")), 0);
        const QString xml = write(Format::Xml, d);
        QCOMPARE(xml.count(QLatin1String("<?page-break?>")), 1);
        const QStringList order{"Head one", "Chapter",  "Foot one", "Head one",
                                "Body two", "Foot one", "Head two", "Body three"};
        for (const QString& out : {html.mid(html.indexOf(QLatin1String("<body>"))), xml}) {
            QCOMPARE(out.count(QLatin1String("Head one")), 2);
            for (qsizetype i = 0, at = 0; i < order.size(); ++i) {
                at = out.indexOf(order[i], at + 1);
                QVERIFY2(at > 0, qPrintable(order[i]));
            }
        }
    }

    // Which header shows where: each at its own span, an empty one nowhere.
    void pageFurniture()
    {
        Document d;
        d.pageSpans.resize(3);
        auto hf = [](bool footer, const char* text, int span, const char* occurrence = "all") {
            return HeaderFooter{
                footer, QLatin1String(occurrence), {para(QLatin1String(text))}, span};
        };
        d.headersFooters = {hf(false, "A", 0),    hf(false, "odd", 0, "odd"), hf(false, "", 1),
                            hf(false, "A", 2),    hf(true, "F", 1),           hf(true, "F", 2),
                            hf(false, "doc", -1), hf(true, "end", -1)};
        const PageFurniture f(d);
        QCOMPARE(f.atStart(0), (std::vector<int>{0, 1}));
        QVERIFY(f.atStart(1).empty()); // suppressed
        QCOMPARE(f.atStart(2), std::vector<int>{3});
        QVERIFY(f.atEnd(0).empty());
        QCOMPARE(f.atEnd(1), std::vector<int>{4});
        QCOMPARE(f.atEnd(2), std::vector<int>{5});
        QCOMPARE(f.before(), std::vector<int>{6});
        QCOMPARE(f.after(), std::vector<int>{7});
        QVERIFY(f.atStart(7).empty());
        QCOMPARE(f.unreached({0, 2}), std::vector<int>{4}); // span 1's, the body cut short
    }

    void tabLayout_data()
    {
        QTest::addColumn<QString>("line");     // '|' a tab, '/' a line break
        QTest::addColumn<QString>("stops");    // "L72 R216. C288 D360," (points, leader)
        QTest::addColumn<double>("origin");    // default stops: paper edge to indent, pt
        QTest::addColumn<double>("indent");    // first line, pt
        QTest::addColumn<QString>("expected"); // cells: align, start-end, content
        QTest::newRow("default stops from the paper's edge") << "ab|c"
                                                             << "" << 90.0 << 0.0 << "L0-18:ab F:c";
        QTest::newRow("text reaching a stop goes to the next")
            << "abcdefghij|c"
            << "" << 72.0 << 0.0 << "L0-72:abcdefghij F:c";
        QTest::newRow("right, centre and decimal stops")
            << "A|B|12|mid|1,234.56"
            << "L72 R216. C288 D360" << 0.0 << 0.0
            << "L0-72:A L72-142:B+ R142-216:12 L216-275.66: M275.66-300.34:mid "
               "L300.34-315.17: R315.17-360:1,234 F:.56";
        QTest::newRow("hanging indent") << "1.|text"
                                        << "L0" << 0.0 << -36.0 << "L-36-0:1. F:text";
        QTest::newRow("line break starts at the margin")
            << "a|b/c|d"
            << "L72" << 0.0 << 36.0 << "L36-72:a F:b / L0-72:c F:d";
        QTest::newRow("past the last stop a space")
            << "a|b|c"
            << "L72" << 0.0 << 0.0 << "L0-72:a L72-81:b F:c";
        QTest::newRow("too wide flows") << "a|b"
                                        << "L720" << 0.0 << 0.0 << "F:a| F:b";
    }

    // Where the text after each tab goes (Times 12 pt: "ab" 11 pt, "12" 12 pt, "1,234" 27 pt).
    void tabLayout()
    {
        QFETCH(QString, line);
        QFETCH(QString, stops);
        QFETCH(double, origin);
        QFETCH(double, indent);
        QFETCH(QString, expected);
        TabStops list;
        for (const QString& s : stops.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
            TabStop t;
            t.kind = QStringLiteral("LRCD").indexOf(s[0]) == 1   ? TabStop::Kind::Right
                     : QStringLiteral("LRCD").indexOf(s[0]) == 2 ? TabStop::Kind::Center
                     : QStringLiteral("LRCD").indexOf(s[0]) == 3 ? TabStop::Kind::Decimal
                                                                 : TabStop::Kind::Left;
            QString n = s.mid(1);
            if (n.endsWith(QLatin1Char('.'))) {
                t.leader = QStringLiteral(".");
                n.chop(1);
            }
            t.position = n.toDouble() / 72;
            list.push_back(t);
        }
        Paragraph p;
        p.format.textIndent = indent / 72;
        for (const QString& piece : line.split(QLatin1Char('/'))) {
            if (!p.inlines.empty())
                p.inlines.push_back(Inline::of(Inline::Kind::LineBreak));
            const QStringList segments = piece.split(QLatin1Char('|'));
            for (qsizetype i = 0; i < segments.size(); ++i) {
                if (i > 0)
                    p.inlines.push_back(Inline::of(Inline::Kind::Tab));
                if (!segments[i].isEmpty())
                    p.inlines.push_back(Inline::textRun(segments[i]));
            }
        }
        FontFaces fonts;
        TabLayout layout(fonts, stops.isEmpty() ? nullptr : &list, origin, 468);
        QStringList got;
        for (const TabLine& l : layout.lines(p)) {
            double x = l.laidOut ? (got.isEmpty() ? indent : 0.0) : 0.0;
            if (!got.isEmpty())
                got << QStringLiteral("/");
            for (const TabCell& c : l.cells) {
                QString text;
                for (const Inline& i : c.content)
                    text += i.text;
                if (c.width == 0) {
                    got << QStringLiteral("F:") + text + (c.tab ? QStringLiteral("|") : QString());
                    continue;
                }
                // '+' marks a leader, on the side of the gap it fills
                const QString lead =
                    !c.leader.isEmpty() && c.leaderWidth >= 1 ? QStringLiteral("+") : QString();
                got << QStringLiteral("%1%2-%3:%4")
                           .arg(QLatin1Char("LRM"[static_cast<int>(c.align)]))
                           .arg(markup::number(std::round(x * 100) / 100))
                           .arg(markup::number(std::round((x + c.width) * 100) / 100))
                           .arg(text + lead);
                x += c.width;
            }
        }
        QCOMPARE(got.join(QLatin1Char(' ')), expected);
    }

    // The faces behind document font names, and what a browser draws with them (Chromium's
    // own figures for Debian's metric-compatible fonts).
    void fontFaces()
    {
        FontFaces f;
        const std::pair<const char*, const char*> names[] = {
            {"Courier 10cpi", "\"Courier 10cpi\",\"Courier New\",\"Liberation Mono\",monospace"},
            {"Roman 10cpi", "\"Roman 10cpi\",\"Courier New\",\"Liberation Mono\",monospace"},
            {"Letter Gothic", "\"Letter Gothic\",\"Courier New\",\"Liberation Mono\",monospace"},
            {"Helve", "\"Helve\",\"Arial\",\"Liberation Sans\",sans-serif"},
            {"Arial  (TT)", "\"Arial  (TT)\",\"Arial\",\"Liberation Sans\",sans-serif"},
            {"TmsRmn", "\"TmsRmn\",\"Times New Roman\",\"Liberation Serif\",serif"},
            {"Times New Roman", "\"Times New Roman\",\"Liberation Serif\",serif"},
            {"Calibri", "\"Calibri\",\"Carlito\",sans-serif"},
            {"Geneva", "\"Geneva\",\"Verdana\",\"DejaVu Sans\",sans-serif"},
            {"Helvetica Condensed",
             "\"Helvetica Condensed\",\"Arial Narrow\",\"Liberation Sans Narrow\",sans-serif"},
            {"", "\"Times New Roman\",\"Liberation Serif\",serif"},
        };
        for (const auto& [name, css] : names)
            QCOMPARE(f.cssFamily(QLatin1String(name)), QLatin1String(css));

        CharFormat c;
        const QString text = QStringLiteral("The quick brown fox, 1234.");
        const std::tuple<const char*, double, double, double> drawn[] = {
            {"Times New Roman", 12, 133.98, 13.5}, {"Helvetica", 12, 144.08, 13.5},
            {"Courier", 12, 187.2, 13.5},          {"Courier", 8, 124.8, 9},
            {"Verdana", 12, 163.2, 14.25},         {"Arial Narrow", 12, 118.17, 13.5},
        };
        for (const auto& [name, size, width, line] : drawn) {
            c.fontName = QLatin1String(name);
            c.fontSizePt = size;
            QVERIFY2(std::abs(f.width(text, c) - width) < 0.7, name);
            QCOMPARE(f.normalLineHeight(c), line);
        }
        CharFormat raised;
        raised.superscript = true; // a step smaller
        QCOMPARE(f.width(text, raised), 133.98 / 1.2);
    }

    void tableGridSquaresTables()
    {
        // Ragged rows are filled up to the widest.
        Table ragged =
            TableGrid::normalized(table({{cell("a"), cell("b"), cell("c")}, {cell("d")}}));
        QCOMPARE(ragged.rows[1].cells.size(), size_t(3));
        QVERIFY(ragged.rows[1].cells[2].blocks.empty());

        // A row span past the last row is cut at the table's end.
        Table tall = TableGrid::normalized(table({{cell("a", 1, 9), cell("b")}, {cell("c")}}));
        QCOMPARE(tall.rows[0].cells[0].rowSpan, 2);
        QCOMPARE(tall.rows[1].cells.size(), size_t(1));

        // A column in which no cell begins is dropped and the spans across it shortened; likewise
        // a row that only spans cover.
        Table wide =
            TableGrid::normalized(table({{cell("a", 3), cell("b")}, {cell("c", 3), cell("d")}}));
        QCOMPARE(wide.rows[0].cells.size(), size_t(2));
        QCOMPARE(wide.rows[0].cells[0].colSpan, 1);
        Table covered = TableGrid::normalized(table({{cell("a", 1, 3), cell("b", 1, 3)}, {}, {}}));
        QCOMPARE(covered.rows.size(), size_t(1));
        QCOMPARE(covered.rows[0].cells[0].rowSpan, 1);

        // A span that would run into a cell placed before it is shortened: no two cells overlap.
        Table clash = TableGrid::normalized(
            table({{cell("a"), cell("b", 1, 2)}, {cell("c", 2)}, {cell("d", 2, 2), cell("e")}}));
        QCOMPARE(clash.rows[1].cells[0].colSpan, 1);
        QCOMPARE(clash.rows[2].cells[0].rowSpan, 1);

        // Cells keep their content and order.
        QCOMPARE(std::get<Paragraph>(wide.rows[1].cells[1].blocks[0].content).inlines[0].text,
                 QStringLiteral("d"));
        // A table of empty rows has nothing to write.
        QVERIFY(TableGrid::normalized(table({{}, {}})).rows.empty());
    }

    void safeHref()
    {
        const std::pair<QString, QString> cases[] = {
            {"http://example.com/x?a=1#f", "http://example.com/x?a=1#f"},
            {"file name.wpd", "file%20name.wpd"},
            {"a%20b", "a%20b"},
            {"100%", "100%25"},
            {"C:\\doc.wpd", "C:%5Cdoc.wpd"},
            {"a#b#c", "a#b%23c"},
            {QStringLiteral("caf\u00e9"), "caf%C3%A9"},
            {" JavaScript:alert(1)", ""},
            {"data:text/html,x", ""},
            {"  ", ""},
        };
        for (const auto& [href, expected] : cases)
            QCOMPARE(markup::safeHref(href), expected);
    }
};

QTEST_GUILESS_MAIN(WriterTest)
#include "tst_writers.moc"
