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
    QTest::addColumn<QString>("before"); // what stands under the scratch name beforehand
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("title");

    const QString firefox = QStringLiteral("/usr/bin/firefox");
    QTest::newRow("page opened") << firefox << true << QString() << QString() << QString();
    QTest::newRow("no browser associated")
        << QString() << true << QString() << "Could not find associated Browser"
        << "Browser Not Found";
    QTest::newRow("browser fails to start")
        << firefox << false << QString() << "Web Page not Opened"
        << "URL Failed";
    QTest::newRow("stale scratch file") << firefox << true << "file" << QString() << QString();
    QTest::newRow("link planted at the scratch name")
        << firefox << true << "link" << QString() << QString();
    QTest::newRow("folder in the way: nothing looked up") << firefox << true << "folder"
                                                          << "Web Page not Opened"
                                                          << "URL Failed";
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
    const QString scratch = QDir::tempPath() + QStringLiteral("/temphtm.HTM");
    const QString victim = harness.tempPath() + QStringLiteral("/victim.txt");
    if (before == QLatin1String("file") || before == QLatin1String("link")) {
        QFile file(before == QLatin1String("file") ? scratch : victim);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("kept");
    }
    if (before == QLatin1String("link")) {
        QVERIFY(QFile::link(victim, scratch));
    }
    const bool blocked = before == QLatin1String("folder");
    if (blocked) {
        QVERIFY(QDir().mkpath(scratch + QStringLiteral("/inside")));
    }

    Form3* quickStart = Form3::instance();
    quickStart->show();
    // Each click hands the address over again.
    const int clicks = 2;
    for (int click = 1; click <= clicks; ++click) {
        QTest::mouseClick(quickStart->Label3, Qt::LeftButton);
        QVERIFY(quickStart->isVisible());
        QCOMPARE(QFileInfo::exists(scratch), blocked);
        QVERIFY(!QFileInfo(scratch).isSymLink());
    }

    QCOMPARE(shell.lookups(), blocked ? QStringList() : QStringList(clicks, scratch));
    QCOMPARE(shell.lookupFileExisted(), QList<bool>(shell.lookups().size(), true));
    const bool opens = !blocked && !browser.isEmpty();
    QCOMPARE(shell.executions().size(), opens ? clicks : 0);
    if (opens) {
        QCOMPARE(shell.executions().last().program, browser);
        QCOMPARE(shell.executions().last().argument, Form3::webPageAddress());
    }
    QCOMPARE(harness.boxes.count(), message.isEmpty() ? 0 : clicks);
    for (const platform::MessageBoxRequest& box : harness.boxes.requests()) {
        QVERIFY2(blocked ? box.text.startsWith(message) : box.text == message,
                 qPrintable(box.text));
        QCOMPARE(box.title, title);
        QCOMPARE(box.icon, platform::MsgIcon::Exclamation);
        QCOMPARE(box.buttons, platform::MsgButtons::OK);
    }
    if (before == QLatin1String("link")) {
        QFile file(victim);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("kept"));
    }
}

QTEST_MAIN(TestQuickStart)
#include "tst_quickstart.moc"
