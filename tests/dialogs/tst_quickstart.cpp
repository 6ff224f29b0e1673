// Quillon tests: the Quick Start dialog at start-up and its link to the web page.
#include "DialogHarness.h"
#include "ScriptedShell.h"

#include "core/General.h"
#include "core/Mediator.h"
#include "core/StateManager.h"
#include "platform/ListView.h"
#include "ui/Form1.h"
#include "ui/Form2.h"
#include "ui/Form3.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QtTest>

using platform::MsgIcon;

namespace {

// Reads the scratch file at the moment the browser is looked up, then lets the scripted shell
// answer.
class PeekingShell final : public platform::ShellProvider {
public:
    explicit PeekingShell(testsupport::ScriptedShell& inner)
        : m_inner(inner), m_previous(platform::setShellProvider(this))
    {
    }
    ~PeekingShell() override { platform::setShellProvider(m_previous); }
    PeekingShell(const PeekingShell&) = delete;
    PeekingShell& operator=(const PeekingShell&) = delete;

    QString findExecutable(const QString& file) override
    {
        QFile scratch(file);
        if (scratch.open(QIODevice::ReadOnly)) {
            contents << scratch.readAll();
        }
        return m_inner.findExecutable(file);
    }
    bool execute(const QString& program, const QString& argument) override
    {
        return m_inner.execute(program, argument);
    }

    QList<QByteArray> contents;

private:
    testsupport::ScriptedShell& m_inner;
    platform::ShellProvider* m_previous;
};

} // namespace

class TestQuickStart : public QObject {
    Q_OBJECT

private slots:
    void leavingQuickStartLeavesMainWindowIdle_data();
    void leavingQuickStartLeavesMainWindowIdle();
    void openDocumentHidesQuickStartBeforeOpenDialog_data();
    void openDocumentHidesQuickStartBeforeOpenDialog();
    void batchDocumentsShowsBatchDialogAndQuickStartStaysAway();
    void linkAlwaysRemovesScratchFile_data();
    void linkAlwaysRemovesScratchFile();
    void unwritableScratchFileOpensNothing();
};

void TestQuickStart::leavingQuickStartLeavesMainWindowIdle_data()
{
    QTest::addColumn<bool>("closeBox");
    QTest::newRow("Cancel") << false;
    QTest::newRow("close box") << true;
}

void TestQuickStart::leavingQuickStartLeavesMainWindowIdle()
{
    QFETCH(bool, closeBox);
    dialogs::Harness harness;
    bool mainShownBehind = false;
    bool quickStartModal = false;
    const bool ran = harness.runMain([&](Form3* quickStart) {
        mainShownBehind = Form2::instance()->isVisible();
        quickStartModal = QApplication::activeModalWidget() == quickStart;
        if (closeBox) {
            quickStart->close();
        } else {
            quickStart->btnCancel->click();
        }
    });
    QVERIFY(ran);
    QVERIFY(mainShownBehind);
    QVERIFY(quickStartModal);

    // Hidden, not unloaded; nothing modal is left, the list is empty and nothing ran.
    QVERIFY(Form3::IsLoaded());
    QVERIFY(!Form3::instance()->isVisible());
    QCOMPARE(QApplication::activeModalWidget(), nullptr);
    Form2* main = Form2::instance();
    QVERIFY(main->isVisible());
    QVERIFY(main->isEnabled());
    QCOMPARE(main->ListView1->Count(), 0);
    QCOMPARE(gMediator->stateManager()->currentState(), gMediator->stateManager()->stateThree());
    QCOMPARE(harness.files.count(), 0);
    QVERIFY(!harness.exits.ended());
    QCOMPARE(harness.boxes.count(), 0);
}

void TestQuickStart::openDocumentHidesQuickStartBeforeOpenDialog_data()
{
    QTest::addColumn<bool>("pickDocument");
    QTest::newRow("Open dialog cancelled") << false;
    QTest::newRow("document chosen") << true;
}

void TestQuickStart::openDocumentHidesQuickStartBeforeOpenDialog()
{
    QFETCH(bool, pickDocument);
    dialogs::Harness harness;
    const QString folder = harness.makeFolder(QStringLiteral("docs"), {"report.wpd"});
    const QString document = folder + QStringLiteral("/report.wpd");

    QList<bool> quickStartVisibleAtDialog;
    harness.files.setObserver([&](const platform::FileDialogRequest&) {
        quickStartVisibleAtDialog << Form3::instance()->isVisible();
    });
    if (pickDocument) {
        harness.files.queueFile(document);
        harness.files.queueFile(folder + QStringLiteral("/report.xml"));
    } else {
        harness.files.queueCancel();
    }

    QVERIFY(harness.runMain([](Form3* quickStart) { quickStart->btnSingle->click(); }));

    QVERIFY(!quickStartVisibleAtDialog.isEmpty());
    QCOMPARE(quickStartVisibleAtDialog.first(), false);
    const platform::FileDialogRequest& open = harness.files.requests().first();
    QCOMPARE(open.kind, platform::FileDialogRequest::Kind::Open);
    QVERIFY(open.filter.contains(QStringLiteral("*.WPD"), Qt::CaseInsensitive));

    QVERIFY(!Form3::instance()->isVisible());
    QCOMPARE(QApplication::activeModalWidget(), nullptr);
    QVERIFY(Form2::instance()->isVisible());
    if (pickDocument) {
        QCOMPARE(dialogs::Harness::documentRows(), QStringList{document + "|Converted!"});
    } else {
        QCOMPARE(Form2::instance()->ListView1->Count(), 0);
        QCOMPARE(gMediator->stateManager()->currentState(), gMediator->stateManager()->stateOne());
    }
    QCOMPARE(harness.boxes.count(), 0);
}

void TestQuickStart::batchDocumentsShowsBatchDialogAndQuickStartStaysAway()
{
    dialogs::Harness harness;
    bool quickStartHidden = false;
    bool batchModal = false;
    bool batchOwnerless = false;
    const auto batchShown = dialogs::whenShown<Form1>([&](Form1* batch) {
        quickStartHidden = !Form3::instance()->isVisible();
        batchModal = QApplication::activeModalWidget() == batch;
        batchOwnerless = batch->parentWidget() == nullptr;
        batch->Command2->click();
    });
    QVERIFY(harness.runMain([](Form3* quickStart) { quickStart->btnBatch->click(); }));

    QVERIFY(*batchShown);
    QVERIFY(quickStartHidden);
    QVERIFY(batchModal);
    QVERIFY(batchOwnerless);
    // Once the batch dialog is gone, nothing brings Quick Start back.
    QCoreApplication::processEvents();
    QVERIFY(!Form1::instance()->isVisible());
    QVERIFY(!Form3::instance()->isVisible());
    QCOMPARE(QApplication::activeModalWidget(), nullptr);
    QVERIFY(Form2::instance()->isVisible());
}

void TestQuickStart::linkAlwaysRemovesScratchFile_data()
{
    QTest::addColumn<QString>("browser");
    QTest::addColumn<bool>("starts");
    QTest::addColumn<QString>("before"); // "", "file" or "link"
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("title");

    const QString none;
    QTest::newRow("browser opens the page")
        << QStringLiteral("/usr/bin/firefox") << true << none << none << none;
    QTest::newRow("no browser associated")
        << none << true << none << QStringLiteral("Could not find associated Browser")
        << QStringLiteral("Browser Not Found");
    QTest::newRow("browser fails to start")
        << QStringLiteral("/usr/bin/firefox") << false << none
        << QStringLiteral("Web Page not Opened") << QStringLiteral("URL Failed");
    QTest::newRow("stale scratch file replaced")
        << QStringLiteral("/usr/bin/firefox") << true << QStringLiteral("file") << none << none;
    QTest::newRow("link at the scratch name is not written through")
        << QStringLiteral("/usr/bin/firefox") << true << QStringLiteral("link") << none << none;
}

void TestQuickStart::linkAlwaysRemovesScratchFile()
{
    QFETCH(QString, browser);
    QFETCH(bool, starts);
    QFETCH(QString, before);
    QFETCH(QString, message);
    QFETCH(QString, title);

    dialogs::Harness harness;
    harness.start();
    testsupport::ScriptedShell shell;
    shell.setExecutable(browser);
    shell.setExecuteResult(starts);
    PeekingShell peek(shell);

    const QString scratch = QDir::tempPath() + QStringLiteral("/temphtm.HTM");
    QCOMPARE(QFileInfo(scratch).absolutePath(), QFileInfo(harness.tempPath()).absoluteFilePath());
    const QString victim = harness.tempPath() + QStringLiteral("/victim.txt");
    const QByteArray stale = QByteArrayLiteral("an older and much longer text than the new one");
    if (!before.isEmpty()) {
        QFile file(before == QLatin1String("file") ? scratch : victim);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(stale);
    }
    if (before == QLatin1String("link")) {
        QVERIFY(QFile::link(victim, scratch));
    }

    Form3* quickStart = Form3::instance();
    quickStart->show();
    // Twice: each click hands the address over again.
    for (int click = 1; click <= 2; ++click) {
        QTest::mouseClick(quickStart->Label3, Qt::LeftButton);

        QCOMPARE(shell.lookups(), QStringList(click, scratch));
        QCOMPARE(shell.lookupFileExisted(), QList<bool>(click, true));
        QCOMPARE(peek.contents.last(), QByteArray("\"<HTML> <\\HTML>\"\r\n"));
        QVERIFY(!QFileInfo::exists(scratch));
        QVERIFY(!QFileInfo(scratch).isSymLink());
        QVERIFY(quickStart->isVisible());
    }

    if (browser.isEmpty()) {
        QVERIFY(shell.executions().isEmpty());
    } else {
        QCOMPARE(shell.executions().size(), 2);
        QCOMPARE(shell.executions().last().program, browser);
        QCOMPARE(shell.executions().last().argument, Form3::webPageAddress());
        QCOMPARE(quickStart->Label3->text(), Form3::webPageAddress());
    }
    if (message.isEmpty()) {
        QCOMPARE(harness.boxes.count(), 0);
    } else {
        QCOMPARE(harness.boxes.texts(), QStringList(2, message));
        const platform::MessageBoxRequest& box = harness.boxes.requests().last();
        QCOMPARE(box.title, title);
        QCOMPARE(box.icon, MsgIcon::Exclamation);
        QCOMPARE(box.buttons, platform::MsgButtons::OK);
    }
    if (before == QLatin1String("link")) {
        QFile file(victim);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), stale);
    }
}

void TestQuickStart::unwritableScratchFileOpensNothing()
{
    dialogs::Harness harness;
    harness.start();
    testsupport::ScriptedShell shell;
    shell.setExecutable(QStringLiteral("/usr/bin/firefox"));
    // A folder in the way: the scratch file can be neither written nor removed.
    const QString scratch = QDir::tempPath() + QStringLiteral("/temphtm.HTM");
    QVERIFY(QDir().mkpath(scratch + QStringLiteral("/inside")));

    Form3::instance()->Label3_Click();

    QVERIFY(shell.lookups().isEmpty());
    QVERIFY(shell.executions().isEmpty());
    QCOMPARE(harness.boxes.count(), 1);
    QVERIFY(harness.boxes.texts().first().startsWith(QStringLiteral("Web Page not Opened")));
    QCOMPARE(harness.boxes.requests().first().title, QStringLiteral("URL Failed"));
    QCOMPARE(harness.boxes.requests().first().icon, MsgIcon::Exclamation);
    QVERIFY(QFileInfo(scratch).isDir());
}

QTEST_MAIN(TestQuickStart)
#include "tst_quickstart.moc"
