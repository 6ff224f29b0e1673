// Quillon tests: converting real documents through the windows with the real document engine.
#include "AppHarness.h"
#include "ExitRecorder.h"
#include "General.h"
#include "ListView.h"
#include "RecordingMessageBox.h"
#include "ScriptedFileDialog.h"
#include "ScriptedFolderBrowser.h"
#include "TempSettings.h"
#include "automation/EngineAutomationClient.h"
#include "ui/Form1.h"
#include "ui/Form2.h"
#include "ui/frmPublish.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <csignal>
#include <sys/types.h>

namespace {

const QString kProgId = QStringLiteral("WordPerfect.PerfectScript");

QString corpus(const QString& name)
{
    return qEnvironmentVariable("QUILLON_CORPUS") + QLatin1Char('/') + name;
}

// Forwards every call to the engine client; can kill the engine just before a chosen call, the
// way a crash of the reader would.
class KillingProxy final : public platform::AutomationObject {
public:
    explicit KillingProxy(std::shared_ptr<platform::EngineAutomationClient> client)
        : m_client(std::move(client))
    {
    }
    void killBefore(const QString& operation, int occurrence)
    {
        m_killOperation = operation;
        m_killOccurrence = occurrence;
    }
    QList<qint64> enginePids;

protected:
    QVariant invoke(const QString& operation, const QStringList& arguments) override
    {
        if (operation == m_killOperation && ++m_seen == m_killOccurrence) {
            const qint64 pid = m_client->processId();
            if (pid > 0)
                ::kill(static_cast<pid_t>(pid), SIGKILL);
        }
        const QVariant result = m_client->Call(operation, arguments);
        const qint64 pid = m_client->processId();
        if (pid > 0 && !enginePids.contains(pid))
            enginePids << pid;
        return result;
    }

private:
    std::shared_ptr<platform::EngineAutomationClient> m_client;
    QString m_killOperation;
    int m_killOccurrence = 0;
    int m_seen = 0;
};

// The application started with the real engine; dialogs, message boxes, settings and the end
// of the program are scripted.
class EngineApp final {
public:
    EngineApp()
    {
        platform::EngineAutomationClient::Options options;
        options.program =
            qEnvironmentVariable("QUILLON_BIN_DIR") + QStringLiteral("/quillon-engine");
        options.callTimeoutMs = 60000;
        auto client = std::make_shared<platform::EngineAutomationClient>(options);
        client->start();
        proxy = std::make_shared<KillingProxy>(client);
        const std::shared_ptr<KillingProxy> server = proxy;
        platform::RegisterServer(kProgId, [server] { return server; });
        QTimer::singleShot(0, [] {
            if (QWidget* modal = QApplication::activeModalWidget())
                modal->hide();
        });
        Main();
    }
    ~EngineApp()
    {
        ResetGeneral();
        platform::UnregisterServer(kProgId);
    }
    EngineApp(const EngineApp&) = delete;
    EngineApp& operator=(const EngineApp&) = delete;

    testsupport::TempSettings settings;
    testsupport::RecordingMessageBox boxes;
    testsupport::ScriptedFileDialog files;
    testsupport::ScriptedFolderBrowser folders;
    testsupport::ExitRecorder exits;
    std::shared_ptr<KillingProxy> proxy;
};

QString readText(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

void copyInto(const QTemporaryDir& dir, const QString& corpusName, const QString& asName)
{
    QVERIFY2(QFile::copy(corpus(corpusName), dir.filePath(asName)), qPrintable(corpusName));
}

// Source and target chosen with the batch dialog's Select... buttons, then Start.
void runBatch(EngineApp& app, const QString& source, const QString& target)
{
    Form1* batch = Form1::instance();
    app.folders.queueFolder(source);
    batch->btnSource->click();
    app.folders.queueFolder(target);
    batch->btnTarget->click();
    batch->Command1->click();
}

} // namespace

class TestEndToEnd : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        if (!QFile::exists(corpus(QStringLiteral("MANIFEST.tsv"))))
            QSKIP("the shared corpus is not beside the project");
    }

    void singleDocumentAsXmlAndHtml()
    {
        QTemporaryDir dir;
        copyInto(dir, QStringLiteral("tika_testWordPerfect.wpd"), QStringLiteral("report.wpd"));
        EngineApp app;
        const QString source = dir.filePath(QStringLiteral("report.wpd"));
        const QString xmlTarget = dir.filePath(QStringLiteral("chosen.xml"));
        app.files.queueFile(source);
        app.files.queueFile(xmlTarget);
        Form2::instance()->mnuOpen->trigger();
        QCOMPARE(apptest::documentRows(), QStringList{source + QStringLiteral("=Converted!")});
        const QString xml = readText(xmlTarget);
        QVERIFY2(xml.contains(QStringLiteral("http://docbook.org/ns/docbook")),
                 qPrintable(xml.left(300)));
        QVERIFY(xml.contains(QStringLiteral("AND FURTHER")));

        frmPublish::instance()->radhtml->click();
        const QString htmlTarget = dir.filePath(QStringLiteral("chosen.htm"));
        app.files.queueFile(source);
        app.files.queueFile(htmlTarget);
        Form2::instance()->mnuOpen->trigger();
        QCOMPARE(apptest::documentRows(), QStringList{source + QStringLiteral("=Converted!")});
        QVERIFY(readText(htmlTarget).startsWith(QStringLiteral("<!DOCTYPE html>")));
        QCOMPARE(app.boxes.count(), 0);
    }

    void batchOfCorpusFolderWritesEveryReadableDocument()
    {
        QTemporaryDir sourceDir;
        QTemporaryDir targetDir;
        copyInto(sourceDir, QStringLiteral("alf_quick.wpd"), QStringLiteral("a.wpd"));
        copyInto(sourceDir, QStringLiteral("ff_stub_sample1.wpd"), QStringLiteral("b.wpd"));
        copyInto(sourceDir, QStringLiteral("doctor_word-perfect.wpd"), QStringLiteral("c.wpd"));
        copyInto(sourceDir, QStringLiteral("abi_HEISE.wp"), QStringLiteral("d.WPD"));
        EngineApp app;
        runBatch(app, sourceDir.path(), targetDir.path());

        const QString s = sourceDir.path() + QLatin1Char('/');
        QCOMPARE(apptest::documentRows(), (QStringList{s + QStringLiteral("d.WPD=Converted"),
                                                       s + QStringLiteral("c.wpd=Converted"),
                                                       s + QStringLiteral("b.wpd=Converting..."),
                                                       s + QStringLiteral("a.wpd=Converted")}));
        for (const QString& name :
             {QStringLiteral("a.xml"), QStringLiteral("c.xml"), QStringLiteral("d.xml")})
            QVERIFY2(readText(targetDir.filePath(name)).contains(QStringLiteral("docbook")),
                     qPrintable(name));
        QVERIFY(!QFile::exists(targetDir.filePath(QStringLiteral("b.xml"))));
        QVERIFY(readText(targetDir.filePath(QStringLiteral("c.xml"))).size() > 8000);
    }

    void engineKilledMidBatchFailsOneDocumentAndTheBatchGoesOn()
    {
        QTemporaryDir sourceDir;
        QTemporaryDir targetDir;
        copyInto(sourceDir, QStringLiteral("alf_quick.wpd"), QStringLiteral("a.wpd"));
        copyInto(sourceDir, QStringLiteral("tika_testWordPerfect.wpd"), QStringLiteral("b.wpd"));
        copyInto(sourceDir, QStringLiteral("opf_testWordPerfect_6_61.wpd"),
                 QStringLiteral("c.wpd"));
        EngineApp app;
        app.proxy->killBefore(QStringLiteral("XMLPublish"), 2);
        runBatch(app, sourceDir.path(), targetDir.path());

        const QString s = sourceDir.path() + QLatin1Char('/');
        QCOMPARE(apptest::documentRows(), (QStringList{s + QStringLiteral("c.wpd=Converted"),
                                                       s + QStringLiteral("b.wpd=Converting..."),
                                                       s + QStringLiteral("a.wpd=Converted")}));
        QVERIFY(QFile::exists(targetDir.filePath(QStringLiteral("a.xml"))));
        QVERIFY(!QFile::exists(targetDir.filePath(QStringLiteral("b.xml"))));
        QVERIFY(readText(targetDir.filePath(QStringLiteral("c.xml")))
                    .contains(QStringLiteral("docbook")));
        QCOMPARE(app.proxy->enginePids.size(), 2); // a fresh engine took over after the crash
    }
};

QTEST_MAIN(TestEndToEnd)
#include "tst_e2e_engine.moc"
