// Quillon engine tests: recording librevenge callbacks into the document model.
#include "BinaryData.h"
#include "Document.h"
#include "ModelBuilder.h"

#include <QtTest>

using namespace engine;
using librevenge::RVNGPropertyList;

namespace {

const Paragraph& paragraphAt(const Blocks& blocks, size_t i)
{
    return std::get<Paragraph>(blocks.at(i).content);
}

QString textOf(const Paragraph& p)
{
    QString s;
    for (const Inline& i : p.inlines)
        s += i.text;
    return s;
}

void paragraph(ModelBuilder& b, const char* text, const RVNGPropertyList& props = {})
{
    b.openParagraph(props);
    b.insertText(librevenge::RVNGString(text));
    b.closeParagraph();
}

} // namespace

class ModelTest : public QObject {
    Q_OBJECT

private slots:
    void recordsFormattingLinksAndBreaks()
    {
        Document d;
        ModelBuilder b(d);
        RVNGPropertyList meta;
        meta.insert("dc:creator", "Ann");
        meta.insert("librevenge:descriptive-name", "Report");
        b.setDocumentMetaData(meta);

        RVNGPropertyList breakBefore;
        breakBefore.insert("fo:break-before", "page");
        breakBefore.insert("fo:text-align", "center");
        breakBefore.insert("fo:margin-left", 72.0, librevenge::RVNG_POINT);
        b.openParagraph(breakBefore);
        RVNGPropertyList span;
        span.insert("fo:font-weight", "bold");
        span.insert("style:text-position", "super 58%");
        span.insert("fo:font-size", 12.0, librevenge::RVNG_POINT);
        span.insert("fo:color", "#FF0000");
        span.insert("style:font-name", "Helv</style>etica");
        b.openSpan(span);
        b.insertText("Hel");
        b.insertText("lo");
        b.closeSpan();
        RVNGPropertyList link;
        link.insert("xlink:href", "http://example.com/");
        b.openLink(link);
        b.insertText("site");
        b.closeLink();
        b.insertTab();
        b.insertLineBreak();
        b.closeParagraph();
        b.endDocument();

        QCOMPARE(d.property(QStringLiteral("creator")), QStringLiteral("Ann"));
        QCOMPARE(d.title(QStringLiteral("x")), QStringLiteral("Report"));
        QCOMPARE(d.body.size(), size_t(2));
        QVERIFY(std::holds_alternative<PageBreak>(d.body[0].content));
        const Paragraph& p = paragraphAt(d.body, 1);
        QCOMPARE(p.format.align, Alignment::Center);
        QCOMPARE(p.format.marginLeft, 1.0);
        QCOMPARE(p.inlines.size(), size_t(4)); // "Hello" merged, "site", tab, break
        QCOMPARE(p.inlines[0].text, QStringLiteral("Hello"));
        QVERIFY(p.inlines[0].format.bold && p.inlines[0].format.superscript);
        QCOMPARE(p.inlines[0].format.fontSizePt, 12.0);
        QCOMPARE(p.inlines[0].format.color, QStringLiteral("#ff0000"));
        QCOMPARE(p.inlines[0].format.fontName, QStringLiteral("Helvstyleetica"));
        QCOMPARE(p.inlines[1].link, 0);
        QCOMPARE(d.links.at(0), QStringLiteral("http://example.com/"));
        QVERIFY(p.inlines[1].format == CharFormat{});
        QCOMPARE(p.inlines[2].kind, Inline::Kind::Tab);
        QCOMPARE(p.inlines[3].kind, Inline::Kind::LineBreak);
    }

    // Page spans, sections, tab stops, column breaks and frames as the writers lay them out.
    void recordsLayout()
    {
        Document d;
        ModelBuilder b(d);
        RVNGPropertyList page;
        page.insert("fo:page-width", 11.0, librevenge::RVNG_INCH);
        page.insert("fo:page-height", 8.5, librevenge::RVNG_INCH);
        page.insert("fo:margin-left", 36.0, librevenge::RVNG_POINT);
        page.insert("librevenge:num-pages", 3);
        b.openPageSpan(page);
        b.openHeader({});
        b.openParagraph({});
        b.insertText("Page ");
        RVNGPropertyList pageNumber;
        pageNumber.insert("librevenge:field-type", "text:page-number");
        b.insertField(pageNumber);
        b.closeParagraph();
        b.closeHeader();
        b.openSection({}); // plain: not marked
        RVNGPropertyList stops;
        librevenge::RVNGPropertyListVector list;
        for (const auto& [position, type, leader] :
             {std::tuple{2.0, "right", "."}, {0.5, "", " "}, {3.0, "char", ""}}) {
            RVNGPropertyList stop;
            stop.insert("style:position", position, librevenge::RVNG_INCH);
            if (*type)
                stop.insert("style:type", type);
            if (*type == 'c')
                stop.insert("style:char", ",");
            stop.insert("style:leader-text", leader);
            list.append(stop);
        }
        stops.insert("style:tab-stops", list);
        paragraph(b, "one", stops);
        paragraph(b, "two", stops); // shares the first one's stops
        b.closeSection();
        RVNGPropertyList columns;
        librevenge::RVNGPropertyListVector cols;
        for (int i = 0; i < 2; ++i) {
            RVNGPropertyList col;
            col.insert("fo:start-indent", i * 0.25, librevenge::RVNG_INCH);
            col.insert("fo:end-indent", (1 - i) * 0.25, librevenge::RVNG_INCH);
            cols.append(col);
        }
        columns.insert("style:columns", cols);
        b.openSection(columns);
        RVNGPropertyList columnBreak;
        columnBreak.insert("fo:break-before", "column");
        b.openParagraph(columnBreak);
        RVNGPropertyList small;
        small.insert("fo:font-size", 8.0, librevenge::RVNG_POINT);
        b.openSpan(small); // an empty paragraph keeps the size of its line
        b.closeSpan();
        RVNGPropertyList frame;
        frame.insert("svg:width", 1.0, librevenge::RVNG_INCH);
        frame.insert("style:horizontal-pos", "right");
        b.openFrame(frame);
        RVNGPropertyList object;
        object.insert("librevenge:mime-type", "image/png");
        b.insertBinaryObject(object);
        b.closeFrame();
        frame.remove("style:horizontal-pos"); // where it stands across the column is not known
        b.openFrame(frame);
        b.insertBinaryObject(object);
        b.closeFrame();
        b.closeParagraph();
        b.closeSection();
        b.openPageSpan({});
        b.endDocument();

        QCOMPARE(d.pageSpans.size(), size_t(2));
        QCOMPARE(d.pageSpans[0].width, 11.0);
        QCOMPARE(d.pageSpans[0].marginLeft, 0.5);
        QCOMPARE(d.pageSpans[0].pages, 3);
        QVERIFY(!d.pageSpans[0].sameGeometry(d.pageSpans[1]));
        QCOMPARE(d.headersFooters.at(0).span, 0);
        const Paragraph& head = paragraphAt(d.headersFooters[0].blocks, 0);
        QCOMPARE(head.inlines.size(), size_t(2)); // the page number is a run of its own
        QVERIFY(head.inlines[1].pageNumber && !head.inlines[0].pageNumber);
        // span 0, two paragraphs, section, paragraph, end of section, span 1
        QCOMPARE(d.body.size(), size_t(7));
        QCOMPARE(std::get<PageSpanStart>(d.body[0].content).span, 0);
        QCOMPARE(std::get<SectionStart>(d.body[3].content).section, 0);
        QCOMPARE(std::get<SectionStart>(d.body[5].content).section, -1);
        QCOMPARE(std::get<PageSpanStart>(d.body[6].content).span, 1);
        QCOMPARE(d.sections.size(), size_t(1));
        QCOMPARE(d.sections[0].columns, 2);
        QCOMPARE(d.sections[0].columnGap, 0.5); // the first end indent and the second start indent

        QCOMPARE(paragraphAt(d.body, 1).format.tabStops, 0);
        QCOMPARE(paragraphAt(d.body, 2).format.tabStops, 0);
        QCOMPARE(d.tabStops.size(), size_t(1));
        const TabStops& t = d.tabStops[0]; // in order of position
        QCOMPARE(t.size(), size_t(3));
        QCOMPARE(t[0].position, 0.5);
        QCOMPARE(t[0].kind, TabStop::Kind::Left);
        QVERIFY(t[0].leader.isEmpty()); // a blank leader is none
        QCOMPARE(t[1].kind, TabStop::Kind::Right);
        QCOMPARE(t[1].leader, QStringLiteral("."));
        QCOMPARE(t[2].kind, TabStop::Kind::Decimal);
        QCOMPARE(t[2].decimal, QLatin1Char(','));

        const Paragraph& broken = paragraphAt(d.body, 4);
        QVERIFY(broken.format.columnBreak);
        QCOMPARE(broken.endFormat.fontSizePt, 8.0);
        const Placement& placed = broken.inlines.at(0).placement;
        QCOMPARE(placed.width, 1.0);
        QCOMPARE(placed.side, Placement::Side::Right);
        QCOMPARE(broken.inlines.at(1).placement.side, Placement::Side::None);
    }

    void listsNestUnderTheirItem()
    {
        Document d;
        ModelBuilder b(d);
        RVNGPropertyList ordered;
        ordered.insert("style:num-format", "A");
        ordered.insert("text:start-value", 4);
        b.openOrderedListLevel(ordered);
        b.openListElement({});
        b.insertText("one");
        b.closeListElement();
        b.openUnorderedListLevel({});
        b.openListElement({});
        b.insertText("one.a");
        b.closeListElement();
        b.closeUnorderedListLevel();
        b.openListElement({});
        b.insertText("two");
        b.closeListElement();
        b.closeOrderedListLevel();
        b.endDocument();

        QCOMPARE(d.body.size(), size_t(1));
        const List& list = std::get<List>(d.body[0].content);
        QVERIFY(list.ordered);
        QCOMPARE(list.numFormat, QStringLiteral("A"));
        QCOMPARE(list.start, 4);
        QCOMPARE(list.items.size(), size_t(2));
        QCOMPARE(list.items[0].blocks.size(), size_t(2));
        QCOMPARE(textOf(paragraphAt(list.items[0].blocks, 0)), QStringLiteral("one"));
        const List& nested = std::get<List>(list.items[0].blocks[1].content);
        QVERIFY(!nested.ordered);
        QCOMPARE(textOf(paragraphAt(nested.items[0].blocks, 0)), QStringLiteral("one.a"));
        QCOMPARE(textOf(paragraphAt(list.items[1].blocks, 0)), QStringLiteral("two"));
    }

    void notesAndNestedNotes()
    {
        Document d;
        ModelBuilder b(d);
        b.openParagraph({});
        b.insertText("before");
        RVNGPropertyList number;
        number.insert("librevenge:number", "7");
        b.openFootnote(number);
        paragraph(b, "note text");
        b.openParagraph({});
        b.openEndnote({}); // a note inside a note stays in the outer note's text
        paragraph(b, "inner");
        b.closeEndnote();
        b.closeParagraph();
        b.closeFootnote();
        b.insertText("after");
        b.closeParagraph();
        b.endDocument();

        QCOMPARE(d.notes.size(), size_t(1));
        QCOMPARE(d.notes[0].label, QStringLiteral("7"));
        QCOMPARE(d.notes[0].kind, Note::Kind::Footnote);
        QCOMPARE(textOf(paragraphAt(d.notes[0].blocks, 0)), QStringLiteral("note text"));
        QCOMPARE(d.notes[0].blocks.size(), size_t(3));
        QCOMPARE(textOf(paragraphAt(d.notes[0].blocks, 2)), QStringLiteral("inner"));
        const Paragraph& p = paragraphAt(d.body, 0);
        QCOMPARE(p.inlines.size(), size_t(3));
        QCOMPARE(p.inlines[1].kind, Inline::Kind::NoteRef);
        QCOMPARE(p.inlines[1].note, 0);
        QCOMPARE(p.inlines[2].text, QStringLiteral("after"));
    }

    void tablesKeepSpansAndSafeBorders()
    {
        Document d;
        ModelBuilder b(d);
        RVNGPropertyList columns;
        librevenge::RVNGPropertyListVector widths;
        RVNGPropertyList w;
        w.insert("style:column-width", 1.25);
        widths.append(w);
        widths.append(w);
        columns.insert("librevenge:table-columns", widths);
        b.openTable(columns);
        b.openTableRow({});
        RVNGPropertyList spanned;
        spanned.insert("table:number-columns-spanned", 2);
        spanned.insert("table:number-rows-spanned", 100000);
        spanned.insert("fo:border-top", "0.0138in solid #000000");
        spanned.insert("fo:border-left", "1px solid red;}</style><script>");
        spanned.insert("fo:background-color", "#ABCDEF");
        b.openTableCell(spanned);
        paragraph(b, "cell");
        b.closeTableCell();
        b.closeTableRow();
        b.openTableRow({});
        b.insertCoveredTableCell({});
        b.closeTableRow();
        b.closeTable();
        b.endDocument();

        const Table& t = std::get<Table>(d.body.at(0).content);
        QCOMPARE(t.columnWidths, (std::vector<double>{1.25, 1.25}));
        const TableCell& c = t.rows.at(0).cells.at(0);
        QCOMPARE(c.colSpan, 2);
        QCOMPARE(c.rowSpan, 1000); // capped; the writers cut it at the table's end
        QCOMPARE(c.borderTop, QStringLiteral("0.0138in solid #000000"));
        QCOMPARE(c.borderLeft, QStringLiteral("1px solid")); // rebuilt from the words CSS accepts
        QCOMPARE(c.background, QStringLiteral("#abcdef"));
        QCOMPARE(textOf(paragraphAt(c.blocks, 0)), QStringLiteral("cell"));
    }

    void deepNestingIsFlattened()
    {
        Document d;
        ModelBuilder b(d);
        for (int i = 0; i < 10000; ++i)
            b.openTextBox({});
        paragraph(b, "deep");
        for (int i = 0; i < 10000; ++i)
            b.closeTextBox();
        b.endDocument();

        QVERIFY(d.truncated);
        // The text survives, inside at most kMaxNesting boxes.
        const Blocks* blocks = &d.body;
        int depth = 0;
        while (blocks->size() == 1 && std::holds_alternative<Box>(blocks->front().content)) {
            blocks = &std::get<Box>(blocks->front().content).blocks;
            ++depth;
        }
        QVERIFY(depth < kMaxNesting);
        QCOMPARE(textOf(paragraphAt(*blocks, 0)), QStringLiteral("deep"));
    }

    void blankMeansNoTextTableOrObject()
    {
        const auto blank = [](const std::function<void(ModelBuilder&)>& build) {
            Document d;
            ModelBuilder b(d);
            build(b);
            b.endDocument();
            return d.isBlank();
        };
        QVERIFY(Document().isBlank());
        QVERIFY(blank([](ModelBuilder& b) {
            paragraph(b, "  \t ");
            b.openParagraph({});
            b.insertSpace();
            b.insertLineBreak();
            b.closeParagraph();
        }));
        QVERIFY(!blank([](ModelBuilder& b) {
            b.openHeader({});
            paragraph(b, "page header");
            b.closeHeader();
        }));
        QVERIFY(!blank([](ModelBuilder& b) {
            b.openTable({});
            b.openTableRow({});
            b.openTableCell({});
        }));
        QVERIFY(!blank([](ModelBuilder& b) {
            RVNGPropertyList object;
            object.insert("librevenge:mime-type", "image/x-wpg");
            b.insertBinaryObject(object);
        }));
    }

    // Embedded data is copied out of librevenge's binary property, or comes as base64 from a
    // property of another kind; the table decoder must agree with Qt's on every
    // length and padding, and on text it does not decode itself.
    void base64DecodesAsQtDoes()
    {
        // Reading the property's bytes in place relies on librevenge's private layout. Were it
        // to change, every picture would quietly go the slow way round through base64 text.
        {
            librevenge::RVNGPropertyList held;
            held.insert("binary", librevenge::RVNGBinaryData(
                                      reinterpret_cast<const unsigned char*>("abc"), 3));
            QVERIFY2(binarydetail::heldData(*held["binary"]),
                     "librevenge's binary data property is no longer laid out as BinaryData.h "
                     "reads it: check its layout against this librevenge and mend heldData");
        }
        quint32 seed = 12345;
        for (int length = 0; length <= 200; ++length) {
            QByteArray bytes(length, Qt::Uninitialized);
            for (char& byte : bytes) {
                seed = seed * 1664525u + 1013904223u;
                byte = static_cast<char>(seed >> 24);
            }
            const librevenge::RVNGString text =
                librevenge::RVNGBinaryData(
                    reinterpret_cast<const unsigned char*>(bytes.constData()),
                    static_cast<unsigned long>(bytes.size()))
                    .getBase64Data();
            QCOMPARE(decodeBase64(text.cstr(), static_cast<qsizetype>(text.size())), bytes);
            librevenge::RVNGPropertyList held;
            held.insert("binary", librevenge::RVNGBinaryData(
                                      reinterpret_cast<const unsigned char*>(bytes.constData()),
                                      static_cast<unsigned long>(bytes.size())));
            held.insert("text", text);
            QCOMPARE(binaryData(*held["binary"]), bytes);
            QCOMPARE(binaryData(*held["text"]), bytes);
            QVERIFY(!binaryData(*held["binary"], length - 1));
        }
        const QByteArray odd[] = {"QUJD\nREVG", "QUJDREVG\n", "QU=D", "QQ",      "QUI",
                                  "Q===",       "====",       "QUJ*", "QUJDRA=", "QR==",
                                  "QUJDRA==",   "QUJDREU=",   "A\0BC"};
        for (const QByteArray& text : odd)
            QCOMPARE(decodeBase64(text.constData(), text.size()), QByteArray::fromBase64(text));
    }
};

QTEST_GUILESS_MAIN(ModelTest)
#include "tst_model.moc"
