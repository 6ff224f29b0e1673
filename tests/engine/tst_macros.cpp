// Quillon engine tests: macros played on the document model, and through the automation
// operations.
#include "DocumentMacroTarget.h"
#include "Engine.h"
#include "PlainTextTarget.h"
#include "TestData.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

using namespace engine;
using macro::ReplaceScope;
using wire::Reply;

using testsupport::readText;
using testsupport::testDocument;

namespace {

Paragraph para(std::vector<Inline> inlines, ParaFormat format = {})
{
    Paragraph p;
    p.format = format;
    p.inlines = std::move(inlines);
    return p;
}

CharFormat bold()
{
    CharFormat f;
    f.bold = true;
    return f;
}

const Paragraph& paragraphAt(const Blocks& blocks, size_t i)
{
    return std::get<Paragraph>(blocks.at(i).content);
}

} // namespace

class MacrosTest : public QObject {
    Q_OBJECT

private slots:
    // On a body of plain paragraphs every operation must do what the plain-text reference does:
    // random operations on both, compared after every step.
    void editsAgreeWithPlainText()
    {
        const QStringList words{"ab", "Ab", "b", "aba", "x", "\t", ""};
        QRandomGenerator random(20240611);
        for (int round = 0; round < 200; ++round) {
            Document doc;
            QStringList lines;
            const int paragraphs = 1 + random.bounded(4);
            for (int i = 0; i < paragraphs; ++i) {
                QString line;
                for (int w = random.bounded(5); w > 0; --w)
                    line += words.at(random.bounded(words.size() - 1)); // no bare "" words here
                lines << line;
                // Split into runs of two formats, so that edits cross run boundaries.
                const qsizetype cut = line.isEmpty() ? 0 : random.bounded(line.size() + 1);
                std::vector<Inline> inlines;
                if (cut > 0)
                    inlines.push_back(Inline::textRun(line.left(cut), bold()));
                if (cut < line.size())
                    inlines.push_back(Inline::textRun(line.mid(cut)));
                doc.body.push_back(Block{para(std::move(inlines))});
            }
            const QString initial = lines.join(u'\n');
            const qsizetype start = random.bounded(initial.size() + 1);
            macro::PlainTextTarget plain(initial);
            plain.setInsertionPoint(start);
            DocumentMacroTarget target(doc, start);
            QStringList log;
            for (int step = 0; step < 30; ++step) {
                const QString w = words.at(random.bounded(words.size()));
                const QString find = w.isEmpty() ? QStringLiteral("a") : w;
                const bool cs = random.bounded(2) == 1;
                const auto scope =
                    random.bounded(2) ? ReplaceScope::Document : ReplaceScope::FromInsertionPoint;
                // Each operation on a target, answering what it answers (0 when nothing).
                using Target = macro::MacroTarget;
                const std::function<qsizetype(Target&)> operations[] = {
                    [&](Target& t) { return t.insertText(w), 0; },
                    [&](Target& t) { return t.hardReturn(), 0; },
                    [&](Target& t) { return t.moveCharNext(), 0; },
                    [&](Target& t) { return t.moveCharPrevious(), 0; },
                    [&](Target& t) { return t.deleteCharNext(), 0; },
                    [&](Target& t) { return t.deleteCharPrevious(), 0; },
                    [&](Target& t) { return t.deleteSelection(), 0; },
                    [&](Target& t) { return t.findNext(find, cs, false); },
                    [&](Target& t) { return t.findNext(find, cs, true); },
                    [&](Target& t) { return t.countMatches(find, cs, scope); },
                    [&](Target& t) { return t.replaceAll(find, w, cs, scope); },
                    [&](Target& t) { return t.moveToTop(), 0; },
                    [&](Target& t) { return t.clearSelection(), 0; },
                };
                const int op = random.bounded(13);
                log << QStringLiteral("%1 '%2'").arg(op).arg(w);
                QCOMPARE(operations[op](target), operations[op](plain));
                const QString context = log.join(QLatin1String(", "));
                QVERIFY2(target.text() == plain.text(), qPrintable(context));
                QVERIFY2(target.textLength() == plain.textLength(), qPrintable(context));
                QVERIFY2(target.insertionPoint() == plain.insertionPoint(), qPrintable(context));
            }
            // What the model holds afterwards reads back as the same text.
            target.commit();
            DocumentMacroTarget reread(doc, 0);
            QCOMPARE(reread.text(), plain.text());
        }
    }

    void formatsAndStructureSurvive()
    {
        Document doc;
        ParaFormat centred;
        centred.align = Alignment::Center;
        Inline note = Inline::noteRef(0);
        doc.body.push_back(Block{para({Inline::textRun(QStringLiteral("Acme "), bold()),
                                       Inline::textRun(QStringLiteral("Corp sells")),
                                       Inline::of(Inline::Kind::Tab), note},
                                      centred)});
        doc.body.push_back(Block{PageBreak{}});
        doc.body.push_back(Block{para({Inline::textRun(QStringLiteral("Tail"))})});

        DocumentMacroTarget target(doc, 0);
        QCOMPARE(target.text(), QStringLiteral("Acme Corp sells\t\uFFFC\nTail"));
        // Replacing across a run boundary: the new text takes the format where the match began.
        QCOMPARE(target.replaceAll(QStringLiteral("e c"), QStringLiteral("E-C"), false,
                                   ReplaceScope::Document),
                 1);
        QVERIFY(target.findNext(QStringLiteral("sells"), true, false));
        target.hardReturn(); // replaces "sells" with a paragraph end
        target.commit();

        QCOMPARE(doc.body.size(), size_t(4));
        const Paragraph& first = paragraphAt(doc.body, 0);
        QCOMPARE(first.format.align, Alignment::Center);
        QCOMPARE(first.inlines.size(), size_t(2));
        QCOMPARE(first.inlines[0].text, QStringLiteral("AcmE-C"));
        QVERIFY(first.inlines[0].format.bold);
        QCOMPARE(first.inlines[1].text, QStringLiteral("orp "));
        QVERIFY(!first.inlines[1].format.bold);
        const Paragraph& second = paragraphAt(doc.body, 1);
        QCOMPARE(second.format.align, Alignment::Center);
        QCOMPARE(second.inlines.size(), size_t(2));
        QCOMPARE(second.inlines[0].kind, Inline::Kind::Tab);
        QCOMPARE(second.inlines[1].kind, Inline::Kind::NoteRef);
        QCOMPARE(second.inlines[1].note, 0);
        QVERIFY(std::holds_alternative<PageBreak>(doc.body[2].content));
        QCOMPARE(paragraphAt(doc.body, 3).inlines[0].text, QStringLiteral("Tail"));
    }

    // Replacing in the whole document also reaches headers, footers and notes; searching and
    // replacing forward stay in the main text.
    void replacingReachesHeadersAndNotes()
    {
        Document doc;
        HeaderFooter header;
        header.blocks.push_back(Block{para({Inline::textRun(QStringLiteral("Acme header"))})});
        doc.headersFooters.push_back(header);
        Note note;
        note.blocks.push_back(Block{para({Inline::textRun(QStringLiteral("see acme"))})});
        doc.notes.push_back(note);
        doc.body.push_back(
            Block{para({Inline::textRun(QStringLiteral("body")), Inline::noteRef(0)})});

        DocumentMacroTarget target(doc, 0);
        QCOMPARE(target.text(), QStringLiteral("body\uFFFC"));
        QVERIFY(!target.findNext(QStringLiteral("acme"), false, false));
        QCOMPARE(
            target.countMatches(QStringLiteral("ACME"), false, ReplaceScope::FromInsertionPoint),
            0);
        QCOMPARE(target.countMatches(QStringLiteral("ACME"), false, ReplaceScope::Document), 2);
        QCOMPARE(target.replaceAll(QStringLiteral("ACME"), QStringLiteral("Zenith"), false,
                                   ReplaceScope::Document),
                 2);
        QCOMPARE(target.insertionPoint(), 0);
        target.commit();
        QCOMPARE(paragraphAt(doc.headersFooters[0].blocks, 0).inlines[0].text,
                 QStringLiteral("Zenith header"));
        QCOMPARE(paragraphAt(doc.notes[0].blocks, 0).inlines[0].text, QStringLiteral("see Zenith"));
        QCOMPARE(paragraphAt(doc.body, 0).inlines.size(), size_t(2));
    }

    // A hard return between neighbouring paragraphs of one container can be deleted; one at the
    // edge of a table cell cannot.
    void hardReturnsJoinOnlyNeighbours()
    {
        Document doc;
        doc.body.push_back(Block{para({Inline::textRun(QStringLiteral("one"))})});
        doc.body.push_back(Block{para({Inline::textRun(QStringLiteral("[X]"))})});
        doc.body.push_back(Block{para({Inline::textRun(QStringLiteral("two"))})});
        Table table;
        TableCell cell;
        cell.blocks.push_back(Block{para({Inline::textRun(QStringLiteral("cell"))})});
        table.rows.push_back(TableRow{false, {cell}});
        doc.body.push_back(Block{table});
        doc.body.push_back(Block{para({Inline::textRun(QStringLiteral("after"))})});

        DocumentMacroTarget target(doc, 0);
        QCOMPARE(target.text(), QStringLiteral("one\n[X]\ntwo\ncell\nafter"));
        QVERIFY(target.findNext(QStringLiteral("[x]"), false, false));
        target.deleteSelection();
        target.deleteCharNext(); // the emptied paragraph goes with its hard return
        QCOMPARE(target.text(), QStringLiteral("one\ntwo\ncell\nafter"));
        target.deleteCharPrevious(); // joins "one" and "two" across the emptied paragraph
        QCOMPARE(target.text(), QStringLiteral("onetwo\ncell\nafter"));
        target.moveToBottom();
        for (int i = 0; i < 5; ++i)
            target.deleteCharPrevious();
        target.deleteCharPrevious(); // the cell's edge: nothing happens
        QCOMPARE(target.text(), QStringLiteral("onetwo\ncell\n"));
        target.moveToTop();
        target.insertText(QStringLiteral("Archived\tcopy"));
        target.hardReturn();
        target.commit();

        QCOMPARE(doc.body.size(), size_t(4));
        const Paragraph& top = paragraphAt(doc.body, 0);
        QCOMPARE(top.inlines.size(), size_t(3)); // a typed tab is a tab
        QCOMPARE(top.inlines[1].kind, Inline::Kind::Tab);
        const Paragraph& joined = paragraphAt(doc.body, 1);
        QCOMPARE(joined.inlines.size(), size_t(2));
        QCOMPARE(joined.inlines[0].text + joined.inlines[1].text, QStringLiteral("onetwo"));
        const auto& cellBlocks = std::get<Table>(doc.body[2].content).rows[0].cells[0].blocks;
        QCOMPARE(paragraphAt(cellBlocks, 0).inlines[0].text, QStringLiteral("cell"));
        QVERIFY(paragraphAt(doc.body, 3).inlines.empty());
    }

    void playedThroughTheEngine()
    {
        const QString macro =
            writeMacro(QStringLiteral("fox.wcm"),
                       "Application (WordPerfect; \"WordPerfect\"; Default!; \"EN\")\n"
                       "SearchString (StrgToLookFor: \"EXAMPLE DOCUMENT\")\n"
                       "ReplaceString (RplcStrg: \"slow <red>\")\n"
                       "ReplaceAll ()\n"
                       "PosDocTop ()\n"
                       "Type (Text: \"Archived copy\")\n"
                       "HardReturn ()\n");
        Engine engine;
        QCOMPARE(engine
                     .call(QStringLiteral("FileOpen"),
                           {testDocument("aperture_corel-wordperfect-x3.wpd")})
                     .kind,
                 Reply::Kind::Null);
        QCOMPARE(engine.call("PosDocVeryTop", {}).kind, Reply::Kind::Null);
        const Reply r = engine.call("MacroFilePlay", {macro});
        QVERIFY2(r.kind == Reply::Kind::Null, qPrintable(r.text));
        QVERIFY(!engine.call("envMacroPlaying", {}).boolean);

        const QString target = m_dir.filePath(QStringLiteral("fox.xml"));
        QCOMPARE(engine.call("XMLPublish", {target}).kind, Reply::Kind::Text);
        const QString xml = readText(target);
        QVERIFY2(xml.contains(QLatin1String("an slow &lt;red&gt; created")), qPrintable(xml));
        QVERIFY(!xml.contains(QLatin1String("example document"), Qt::CaseInsensitive));
        QVERIFY(xml.indexOf(QLatin1String("Archived copy")) < xml.indexOf(QLatin1String("slow")));

        // The insertion point stays where the macro left it: after the typed line.
        const QString more = writeMacro(QStringLiteral("more.wcm"), "Type (\"[2]\")");
        QCOMPARE(engine.call("MacroFilePlay", {more}).kind, Reply::Kind::Null);
        QCOMPARE(engine.call("XMLPublish", {target}).kind, Reply::Kind::Text);
        QVERIFY(readText(target).contains(QLatin1String("<para>Archived copy</para>\n<para>[2]")));
    }

    void failingMacrosLeaveAPublishableDocument_data()
    {
        QTest::addColumn<QByteArray>("macro");
        QTest::addColumn<QString>("error");
        QTest::addColumn<QString>("published"); // what the macro did before failing
        QTest::newRow("unknown command") << QByteArray("Type (\"never\")\n\nFileSave (\"x.wpd\")\n")
                                         << "Line 3: unknown command 'FileSave'"
                                         << "";
        QTest::newRow("endless loop")
            << QByteArray("Type (\"start \")\nWhile (True)\n  Type (\"x\")\nEndWhile\n")
            << "Line 3: the macro was stopped after 100000 steps"
            << "start xxxxx";
        QTest::newRow("document as macro")
            << QFile::encodeName(testDocument("aperture_corel-wordperfect-x3.wpd")) << "Line 1"
            << "";
        // A macro document cut short is not played in part.
        QFile cut(m_dir.filePath(QStringLiteral("cut.wpd")));
        QFile whole(testDocument("doctor_word-perfect.wpd"));
        QVERIFY(cut.open(QIODevice::WriteOnly) && whole.open(QIODevice::ReadOnly));
        cut.write(whole.read(10000));
        cut.close();
        QTest::newRow("document cut short as macro")
            << QFile::encodeName(cut.fileName())
            << "the document is damaged: the file ends at byte 10000"
            << "";
    }

    void failingMacrosLeaveAPublishableDocument()
    {
        QFETCH(QByteArray, macro);
        QFETCH(QString, error);
        QFETCH(QString, published);
        const QString path = macro.endsWith(".wpd") ? QFile::decodeName(macro)
                                                    : writeMacro(QStringLiteral("bad.wcm"), macro);
        Engine engine;
        QCOMPARE(engine.call(QStringLiteral("FileOpen"), {testDocument("nuxeo_test.wpd")}).kind,
                 Reply::Kind::Null);
        QElapsedTimer timer;
        timer.start();
        const Reply r = engine.call("MacroFilePlay", {path});
        QVERIFY(timer.elapsed() < 10000);
        QCOMPARE(r.kind, Reply::Kind::Error);
        QCOMPARE(r.number, 440);
        QVERIFY2(r.text.contains(error), qPrintable(r.text));
        QVERIFY(r.text.contains(path));
        QVERIFY(!engine.call("envMacroPlaying", {}).boolean);

        const QString target = m_dir.filePath(QStringLiteral("after-failure.html"));
        QCOMPARE(engine.call("HTMLPublish", {target}).kind, Reply::Kind::Text);
        const QString html = readText(target);
        QVERIFY(html.contains(QLatin1String("</html>")));
        QVERIFY(!html.contains(QLatin1String("never")));
        if (!published.isEmpty())
            QVERIFY(html.contains(published));
    }

private:
    QString writeMacro(const QString& name, const QByteArray& text);
    QTemporaryDir m_dir;
};

QString MacrosTest::writeMacro(const QString& name, const QByteArray& text)
{
    QFile file(m_dir.filePath(name));
    if (!file.open(QIODevice::WriteOnly))
        return {};
    file.write(text);
    return file.fileName();
}

QTEST_GUILESS_MAIN(MacrosTest)
#include "tst_macros.moc"
