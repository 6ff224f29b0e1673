// Quillon tests: the Quick Start dialog at start-up and its link to the web page.
#include "AppHarness.h"
#include "Doubles.h"

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
#include <QTemporaryDir>
#include <QtTest>

using apptest::RunningApp;

class TestQuickStart : public QObject {
    Q_OBJECT

private slots:
    void buttonsLeadOnWithQuickStartHidden_data();
    void buttonsLeadOnWithQuickStartHidden();
    void linkAlwaysRemovesScratchFile_data();
    void linkAlwaysRemovesScratchFile();
    void linkStartsTheBrowserAsItsDesktopEntrySays_data();
    void linkStartsTheBrowserAsItsDesktopEntrySays();
};

void TestQuickStart::buttonsLeadOnWithQuickStartHidden_data()
{
    QTest::addColumn<QString>("button"); // empty: the close box
    QTest::addColumn<QString>("shown");  // what comes next, and how
    QTest::newRow("Cancel") << "btnCancel"
                            << "";
    QTest::newRow("close box") << ""
                               << "";
    QTest::newRow("Single (Open dialog cancelled)") << "btnSingle"
                                                    << "Open dialog";
    QTest::newRow("Batch (batch dialog cancelled)") << "btnBatch"
                                                    << "Form1 modal ownerless";
}

// Whatever leaves Quick Start hides it (never unloads it) before anything else is shown, and
// nothing brings it back.
void TestQuickStart::buttonsLeadOnWithQuickStartHidden()
{
    QFETCH(QString, button);
    QFETCH(QString, shown);
    QString seen;
    const auto quickStartShown = [&seen] {
        if (Form3::instance()->isVisible())
            seen += " over Quick Start";
    };
    RunningApp app({}, [&](RunningApp& starting) {
        starting.onQuickStart = [button](Form3* quickStart) {
            if (button.isEmpty())
                quickStart->close();
            else
                quickStart->findChild<QPushButton*>(button)->click();
        };
        starting.files.setObserver([&](const platform::FileDialogRequest& request) {
            seen = request.kind == platform::FileDialogRequest::Kind::Open ? "Open dialog" : "Save";
            quickStartShown();
        });
        if (shown.startsWith("Form1"))
            apptest::whenShown<Form1>([&](Form1* batch) {
                seen = "Form1";
                seen += QApplication::activeModalWidget() == batch ? " modal" : "";
                seen += batch->parentWidget() ? "" : " ownerless";
                quickStartShown();
                batch->Command2->click();
            });
    });
    QCOMPARE(seen, shown);
    QCoreApplication::processEvents();
    QVERIFY(Form3::IsLoaded() && !Form3::instance()->isVisible());
    QCOMPARE(QApplication::activeModalWidget(), nullptr);
    QVERIFY(Form2::instance()->isVisible() && Form2::instance()->isEnabled());
    QCOMPARE(Form2::instance()->ListView1->Count(), 0);
    StateManager* states = gMediator->stateManager();
    QCOMPARE(states->currentState(),
             shown.startsWith("Open") ? states->stateOne() : states->stateThree());
    QCOMPARE(app.boxes.count(), 0);
    QCOMPARE(app.exits.count(), 0);
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

    RunningApp app;
    testsupport::ScriptedShell shell;
    shell.setExecutable(browser);
    shell.setExecuteResult(starts);
    const QString scratch = QDir::tempPath() + QStringLiteral("/temphtm.HTM");
    const QString victim = app.temp("victim.txt");
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
    QCOMPARE(app.boxes.count(), message.isEmpty() ? 0 : clicks);
    for (const platform::MessageBoxRequest& box : app.boxes.requests()) {
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
    QTest::newRow("entry not installed")
        << QString() << QString() << "Could not find associated Browser";
}

// The desktop's own way: its default application for HTML, started as the desktop entry's Exec
// line says.
void TestQuickStart::linkStartsTheBrowserAsItsDesktopEntrySays()
{
    QFETCH(QString, exec);
    QFETCH(QString, started);
    QFETCH(QString, message);
    RunningApp app;
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
    // Only the entry's own Exec counts, not an action's. Without an Exec, the default
    // application is an entry that is not installed.
    QVERIFY(write(data.filePath("applications/fake.desktop"),
                  "[Desktop Entry]\nType=Application\nName=Fake\nExec=" + exec.toUtf8() +
                      "\n\n[Desktop Action new]\nExec=/wrong/program\n"));
    QVERIFY(write(app.settings.configHome() + "/mimeapps.list",
                  "[Default Applications]\ntext/html=" +
                      QByteArray(exec.isEmpty() ? "none" : "fake") + ".desktop\n"));
    // This folder's entry, chosen by the user's own mimeapps.list; no desktop session to ask.
    const testsupport::EnvironmentVariable environment[] = {
        {"XDG_DATA_HOME", QFile::encodeName(data.path())},
        {"XDG_CURRENT_DESKTOP", {}},
        {"DESKTOP_SESSION", {}},
        {"KDE_FULL_SESSION", {}},
        {"DISPLAY", {}}};

    Form3::instance()->show();
    QTest::mouseClick(Form3::instance()->Label3, Qt::LeftButton);
    QCOMPARE(app.boxes.texts().join(u'|'), message);
    if (!started.isEmpty()) {
        QTRY_VERIFY(QFileInfo::exists(bin + "/got"));
        QFile got(bin + "/got");
        QVERIFY(got.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(got.readAll()), started);
    }
}

QTEST_MAIN(TestQuickStart)
#include "tst_quickstart.moc"
