// Quillon engine tests: the DocBook and HTML writers on hand-built documents.
#include "Document.h"
#include "HtmlWriter.h"
#include "Markup.h"
#include "Provenance.h"
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
                 "text-align:center;margin-left:0.5in;text-indent:-0.25in;line-height:1.5",
                 "font-family:\"Times New Roman\"",
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
        QCOMPARE(TableGrid::columnCount(wide), 2);
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
