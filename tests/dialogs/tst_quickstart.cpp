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
#include <QScopeGuard>
#include <QTemporaryDir>
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
    void linkStartsTheBrowserAsItsDesktopEntrySays_data();
    void linkStartsTheBrowserAsItsDesktopEntrySays();
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

void TestQuickStart::linkStartsTheBrowserAsItsDesktopEntrySays_data()
{
    // In Exec, <b> stands for the fake browser (its path has a blank), <d> for its folder. The
    // desktop's own look-up (xdg-mime) wants a first word it can find on its own.
    QTest::addColumn<QString>("exec");
    QTest::addColumn<QString>("started"); // what the browser got: its environment, |arguments
    QTest::addColumn<QString>("message");
    const QString url = Form3::webPageAddress();
    QTest::newRow("wrapped in env") << R"(env PROBE=env "<b>" --new-window %u)"
                                    << "env|--new-window|" + url << QString();
    QTest::newRow("flatpak style markers") << R"(env "<b>" @@u %U @@)"
                                           << "|@@u|" + url + "|@@" << QString();
    QTest::newRow("escapes, %%, no field code") << R"(env "<b>" "say \\"hi\\"" 100%% "\\$x")"
                                                << R"(|say "hi"|100%|$x|)" + url << QString();
    QTest::newRow("program missing")
        << "<d>/missing %u" << QString() << "Could not find associated Browser";
    QTest::newRow("cannot start") << "<d>/broken %u" << QString() << "Web Page not Opened";
}

// The desktop's own way: its default application for HTML, started as the desktop entry's Exec
// line says.
void TestQuickStart::linkStartsTheBrowserAsItsDesktopEntrySays()
{
    QFETCH(QString, exec);
    QFETCH(QString, started);
    QFETCH(QString, message);
    dialogs::Harness harness;
    harness.start();
    QTemporaryDir data;
    const QString bin = data.filePath("bin");
    QVERIFY(QDir().mkpath(bin) && QDir().mkpath(data.filePath("applications")));
    const auto write = [](const QString& path, const QByteArray& text) {
        QFile file(path);
        return file.open(QIODevice::WriteOnly) && file.write(text) == text.size() &&
               file.setPermissions(file.permissions() | QFile::ExeOwner);
    };
    QVERIFY(write(bin + "/fake browser",
                  "#!/bin/sh\n{ printf '%s' \"$PROBE\"; for a; do printf '|%s' \"$a\"; done; } "
                  "> \"$(dirname \"$0\")/got.tmp\" && mv \"$(dirname \"$0\")/got.tmp\" "
                  "\"$(dirname \"$0\")/got\"\n"));
    QVERIFY(write(bin + "/broken", "#!/nonexistent/interpreter\n"));
    exec.replace("<b>", bin + "/fake browser").replace("<d>", bin);
    QVERIFY(write(data.filePath("applications/fake.desktop"),
                  "[Desktop Entry]\nType=Application\nName=Fake\nExec=" + exec.toUtf8() + "\n"));
    QVERIFY(write(harness.settings.configHome() + "/mimeapps.list",
                  "[Default Applications]\ntext/html=fake.desktop\n"));
    // This folder's entry, chosen by the user's own mimeapps.list; no desktop session to ask.
    const QList<const char*> names = {"XDG_DATA_HOME", "XDG_CURRENT_DESKTOP", "DESKTOP_SESSION",
                                      "KDE_FULL_SESSION", "DISPLAY"};
    QList<QByteArray> saved;
    for (const char* name : names)
        saved << qgetenv(name);
    const auto restore = qScopeGuard([&] {
        for (int i = 0; i < names.size(); ++i)
            saved.at(i).isNull() ? qunsetenv(names.at(i)) : qputenv(names.at(i), saved.at(i));
    });
    for (const char* name : names)
        qunsetenv(name);
    qputenv("XDG_DATA_HOME", data.path().toUtf8());

    Form3::instance()->show();
    QTest::mouseClick(Form3::instance()->Label3, Qt::LeftButton);
    QCOMPARE(harness.boxes.texts().join(u'|'), message);
    if (!started.isEmpty()) {
        QTRY_VERIFY(QFileInfo::exists(bin + "/got"));
        QFile got(bin + "/got");
        QVERIFY(got.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(got.readAll()), started);
    }
}

QTEST_MAIN(TestQuickStart)
#include "tst_quickstart.moc"
