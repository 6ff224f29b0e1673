// Quillon tests: converting real documents through the windows with the real document engine,
// one at a time, in a batch under hostile conditions, and with the user's stored macro.
#include "AppHarness.h"
#include "ListView.h"
#include "TestData.h"
#include "automation/EngineAutomationClient.h"
#include "platform/AppIdentity.h"
#include "platform/SettingsStore.h"
#include "ui/Form2.h"
#include "ui/frmPublish.h"

#include <QAction>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMimeDatabase>
#include <QRadioButton>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <sys/types.h>

using apptest::documentRows;
using apptest::RunningApp;

using testsupport::readText;

namespace {

// Copies a test document into the folder under another name; false when it failed.
bool copyInto(const QTemporaryDir& dir, const QString& document, const QString& asName)
{
    return QFile::copy(testsupport::testDocument(document), dir.filePath(asName));
}

// Forwards every call to the engine, which starts with the first call (so it reads the
// settings of the running test), through the wrapper when one is given (a program and its
// arguments before the engine's path). Can send the engine a signal just before a chosen call
// (SIGSTOP: frozen), and notes each engine process it saw.
class KillingProxy final : public platform::AutomationObject {
public:
    explicit KillingProxy(const QStringList& wrapper = {})
    {
        platform::EngineAutomationClient::Options options;
        options.program = qEnvironmentVariable("QUILLON_BIN_DIR") + "/quillon-engine";
        if (!wrapper.isEmpty()) {
            options.arguments = wrapper.mid(1) << options.program;
            options.program = wrapper.first();
        }
        options.callTimeoutMs = 60000;
        m_client = std::make_shared<platform::EngineAutomationClient>(options);
    }
    void killBefore(const QString& operation, int occurrence, int signal)
    {
        m_killOperation = operation;
        m_killOccurrence = occurrence;
        m_signal = signal;
    }
    QList<qint64> enginePids;

protected:
    QVariant invoke(const QString& operation, const QStringList& arguments) override
    {
        const qint64 running = m_client->processId();
        if (operation == m_killOperation && ++m_seen == m_killOccurrence && running > 0)
            ::kill(static_cast<pid_t>(running), m_signal);
        const QVariant result = m_client->Call(operation, arguments);
        if (const qint64 pid = m_client->processId(); pid > 0 && !enginePids.contains(pid))
            enginePids << pid;
        return result;
    }

private:
    std::shared_ptr<platform::EngineAutomationClient> m_client;
    QString m_killOperation;
    int m_killOccurrence = 0;
    int m_signal = 0;
    int m_seen = 0;
};

} // namespace

class TestEndToEnd : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // A whole document is converted; one cut short is written as far as it could be read, and
    // its row fails, saying what is missing and where what could be read went.
    void singleDocumentAsXmlAndHtml()
    {
        QTemporaryDir dir;
        QVERIFY(copyInto(dir, "doctor_word-perfect.wpd", "report.wpd"));
        RunningApp app({}, {}, std::make_shared<KillingProxy>());
        const QString source = dir.filePath("report.wpd");
        app.files.queueFile(source);
        app.files.queueFile(dir.filePath("chosen.xml"));
        Form2::instance()->mnuOpen->trigger();
        QCOMPARE(documentRows(), QStringList{source + "=Converted!"});
        const QString xml = readText(dir.filePath("chosen.xml"));
        QVERIFY2(xml.contains("http://docbook.org/ns/docbook"), qPrintable(xml.left(300)));
        QVERIFY(xml.contains("SUPREME COURT OF INDIANA"));
        // The output records the document it was made from and how.
        QVERIFY(xml.contains("<bibliosource>" + source + "</bibliosource>"));
        QVERIFY(xml.contains("<releaseinfo role=\"publish-settings\">xml quality=80<"));

        frmPublish::instance()->radhtml->click();
        app.files.queueFile(source);
        app.files.queueFile(dir.filePath("chosen.htm"));
        Form2::instance()->mnuOpen->trigger();
        QCOMPARE(documentRows(), QStringList{source + "=Converted!"});
        const QString html = readText(dir.filePath("chosen.htm"));
        QVERIFY(html.startsWith("<!DOCTYPE html>"));
        QVERIFY(html.contains("<meta name=\"source\" content=\"" + source + "\">"));
        QCOMPARE(app.boxes.count(), 0);

        QFile whole(source);
        QFile cut(dir.filePath("cut.wpd"));
        QVERIFY(whole.open(QIODevice::ReadOnly) && cut.open(QIODevice::WriteOnly));
        cut.write(whole.read(10000));
        cut.close();
        app.files.queueFile(cut.fileName());
        app.files.queueFile(dir.filePath("cut.htm"));
        Form2::instance()->mnuOpen->trigger();
        QCOMPARE(documentRows(), QStringList{cut.fileName() + "=Failed"});
        const QString why =
            Form2::instance()->ListView1->model()->index(0, 1).data(Qt::ToolTipRole).toString();
        QVERIFY2(why.contains("the file ends at byte 10000, but its contents run to byte 17566") &&
                     why.contains(dir.filePath("cut.htm")),
                 qPrintable(why));
        QVERIFY(readText(dir.filePath("cut.htm")).contains("SUPREME COURT OF INDIANA"));
        QCOMPARE(app.boxes.count(), 0);
    }

    // The desktop entry names the class the windows have, and "Open with" offers Quillon every
    // file of the types the entry claims: each is taken at start-up whatever its name when it is a
    // WordPerfect document, and refused when not.
    void desktopEntryAgreesWithTheProgram()
    {
        // The desktop's own file types (shared-mime-info), and nothing else of what the machine
        // has installed.
        QTemporaryDir data;
        QVERIFY2(QFile::link("/usr/share/mime", data.filePath("mime")) &&
                     QFileInfo::exists(data.filePath("mime/packages/freedesktop.org.xml")),
                 "the desktop's file types are missing: install shared-mime-info");
        const testsupport::EnvironmentVariable dataDirs{"XDG_DATA_DIRS",
                                                        QFile::encodeName(data.path())};
        QFile entry(QStringLiteral(QUILLON_DESKTOP_ENTRY));
        QVERIFY(entry.open(QIODevice::ReadOnly | QIODevice::Text));
        const QByteArray entryText = entry.readAll();
        QCOMPARE(QFileInfo(entry).fileName(), platform::desktopId() + ".desktop");
        QVERIFY(entryText.contains("\nStartupWMClass=" + platform::appName().toUtf8() + '\n'));
        QStringList suffixes;
        const QMimeDatabase types;
        for (const QByteArray& line : entryText.split('\n')) {
            if (!line.startsWith("MimeType="))
                continue;
            for (const QString& name :
                 QString::fromUtf8(line.mid(9)).split(u';', Qt::SkipEmptyParts))
                suffixes += types.mimeTypeForName(name).suffixes();
        }
        suffixes.removeDuplicates();
        QVERIFY2(suffixes.contains("wp") && suffixes.contains("wp5") && suffixes.contains("wpd"),
                 qPrintable(suffixes.join(u' ')));
        QTemporaryDir dir;
        for (const QString& suffix : suffixes) {
            const QString document = dir.filePath("report." + suffix);
            QVERIFY(QFile::copy(testsupport::testDocument("aperture_corel-wordperfect-5.1.wp"),
                                document));
            RunningApp app(
                document,
                [&](RunningApp& starting) { starting.files.queueFile(document + ".xml"); },
                std::make_shared<KillingProxy>());
            QCOMPARE(documentRows(), QStringList{document + "=Converted!"});
            QCOMPARE(app.boxes.count(), 0);
        }
        const QString notes = dir.filePath("notes.wp");
        QFile text(notes);
        QVERIFY(text.open(QIODevice::WriteOnly) && text.write("Dear Sir,\n") > 0);
        text.close();
        RunningApp app(notes, {}, std::make_shared<KillingProxy>());
        QCOMPARE(app.boxes.texts(),
                 QStringList{"\"notes.wp\" was not converted: it is not a WordPerfect document."});
        QCOMPARE(app.quickStartModal, QStringLiteral("Form3"));
    }

    // Each document that cannot be converted fails alone and leaves nothing; the batch goes on:
    // a link planted in the target folder is replaced, never written through; a document whose
    // pictures do not fit on the disk (a file size limit) fails; a frozen engine is ended after
    // its silence limit (5 s, not its call limit of 60 s) and a fresh one takes over; a document
    // the engine cannot read fails.
    void batchUnderHostileConditions()
    {
        QTemporaryDir sourceDir;
        QTemporaryDir targetDir;
        QTemporaryDir elsewhere;
        const std::pair<const char*, const char*> documents[] = {
            {"aperture_corel-wordperfect-x3.wpd", "a.wpd"}, // a link stands at a.xml
            {"opf_TOPOPREC.WPD", "b.wpd"},                  // pictures and page of 25 KB
            {"opf_testWordPerfect_6_61.wpd", "c.wpd"},      // the engine freezes
            {"doctor_word-perfect.wpd", "d.WPD"},           // 12 KB
            {"ff_stub_sample1.wpd", "e.wpd"},               // unreadable
        };
        for (const auto& [from, to] : documents)
            QVERIFY(copyInto(sourceDir, from, to));
        const QString victim = elsewhere.filePath("victim");
        QFile precious(victim);
        QVERIFY(precious.open(QIODevice::WriteOnly) && precious.write("precious") == 8);
        precious.close();
        QVERIFY(QFile::link(victim, targetDir.filePath("a.xml")));

        const QString prlimit = QStandardPaths::findExecutable("prlimit");
        QVERIFY2(!prlimit.isEmpty(), "prlimit (util-linux) is needed");
        const auto engine =
            std::make_shared<KillingProxy>(QStringList{prlimit, "--fsize=14000", "--"});
        engine->killBefore("XMLPublish", 3, SIGSTOP);
        RunningApp app({}, {}, engine);
        QElapsedTimer timer;
        timer.start();
        apptest::runBatch(app, sourceDir.path(), targetDir.path());
        QVERIFY2(timer.elapsed() < 20000, qPrintable(QString::number(timer.elapsed())));

        const QString s = sourceDir.path() + QLatin1Char('/');
        QCOMPARE(documentRows(),
                 (QStringList{s + "e.wpd=Failed", s + "d.WPD=Converted", s + "c.wpd=Failed",
                              s + "b.wpd=Failed", s + "a.wpd=Converted"}));
        QCOMPARE(engine->enginePids.size(), 2);
        QCOMPARE(readText(victim), QStringLiteral("precious"));
        QVERIFY(!QFileInfo(targetDir.filePath("a.xml")).isSymLink());
        QVERIFY(readText(targetDir.filePath("a.xml")).contains("docbook"));
        QVERIFY(readText(targetDir.filePath("d.xml")).size() > 8000);
        QCOMPARE(QDir(targetDir.path())
                     .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
                 (QStringList{"a.xml", "d.xml"}));
        QCOMPARE(app.boxes.count(), 0);
    }

    void storedMacroChangesEveryConvertedDocument()
    {
        QTemporaryDir sourceDir;
        QTemporaryDir targetDir;
        const std::pair<const char*, const char*> documents[] = {
            {"nuxeo_test.wpd", "a.wpd"},
            {"tika_testWordPerfect_5_0.wp", "b.wpd"},
            {"doctor_word-perfect.wpd", "c.wpd"},
            {"smi_regular.wpd", "d.wpd"}, // blank: no macro is played on it
        };
        for (const auto& [from, to] : documents)
            QVERIFY(copyInto(sourceDir, from, to));
        const QString macro = targetDir.filePath("archive.wcm");
        QFile file(macro);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("// Marks every document and replaces a word.\n"
                   "SearchString (StrgToLookFor: \"the\")\n"
                   "ReplaceString (RplcStrg: \"T-H-E\")\n"
                   "ReplaceAll ()\n"
                   "PosDocVeryTop ()\n"
                   "Type (Text: \"ARCHIVED COPY\")\n"
                   "HardReturn ()\n");
        file.close();

        RunningApp app({}, {}, std::make_shared<KillingProxy>());
        platform::SaveSetting(platform::appName(), "Options", "macro", macro);
        apptest::runBatch(app, sourceDir.path(), targetDir.path());

        static const QRegularExpression tag("<[^>]*>");
        // The typed line opens the body, in the format of the text it was typed into.
        static const QRegularExpression firstLine(
            "</info>\n<para( role=\"\\w+\")?>(<emphasis[^>]*>)?ARCHIVED COPY<");
        for (const char* name : {"a.xml", "b.xml", "c.xml"}) {
            const QString xml = readText(targetDir.filePath(name));
            QVERIFY2(xml.contains(firstLine), qPrintable(name + xml.left(600)));
            const QString body = xml.mid(xml.indexOf("</info>")).replace(tag, " ");
            QVERIFY2(body.contains("T-H-E"), name);
            QVERIFY2(!body.contains("the", Qt::CaseInsensitive), name);
        }
        const QString blank = readText(targetDir.filePath("d.xml"));
        QVERIFY(blank.contains("docbook"));
        QVERIFY(!blank.contains("ARCHIVED"));
        QCOMPARE(app.boxes.count(), 0);

        // A macro that fails (an unknown command): the documents are converted all the same, and
        // each row it was played on says why in its tooltip.
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write("Type (Text: \"x\")\nFileSave ()\n");
        file.close();
        QTemporaryDir againDir;
        apptest::runBatch(app, sourceDir.path(), againDir.path());
        const QString s = sourceDir.path() + QLatin1Char('/');
        QCOMPARE(documentRows(), (QStringList{s + "d.wpd=Converted", s + "c.wpd=Converted",
                                              s + "b.wpd=Converted", s + "a.wpd=Converted"}));
        const QAbstractItemModel* rows = Form2::instance()->ListView1->model();
        for (int row = 1; row < 4; ++row) { // d.wpd, blank, is first: no macro played on it
            const QString why = rows->index(row, 1).data(Qt::ToolTipRole).toString();
            QVERIFY2(why.contains("could not be played: Line 2: unknown command 'FileSave'"),
                     qPrintable(why));
        }
        QVERIFY(!rows->index(0, 1).data(Qt::ToolTipRole).toString().contains("FileSave"));
    }
};

QTEST_MAIN(TestEndToEnd)
#include "tst_e2e_engine.moc"
