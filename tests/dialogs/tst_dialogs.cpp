// Quillon tests: the dialogs the user meets (Quick Start and its link to the web page, the
// batch dialog, the macro dialog, About), each driven through its controls in the running
// application with a scripted word processor.
#include "AppHarness.h"
#include "Doubles.h"

#include "core/General.h"
#include "core/Mediator.h"
#include "core/StateManager.h"
#include "platform/FileListControl.h"
#include "platform/ListView.h"
#include "platform/SettingsStore.h"
#include "ui/Form1.h"
#include "ui/Form2.h"
#include "ui/Form3.h"
#include "ui/frmAbout.h"
#include "ui/frmMacroSelect.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

using apptest::makeFolder;
using apptest::RunningApp;

namespace {

QStringList listed(const QListWidget* list)
{
    QStringList names;
    for (int row = 0; row < list->count(); ++row)
        names << list->item(row)->text();
    return names;
}

QStringList convertedRows(const QString& folder, const QStringList& names)
{
    QStringList rows;
    for (const QString& name : names)
        rows << folder + QLatin1Char('/') + name + QStringLiteral("=Converted");
    return rows;
}

const QString kApp = QStringLiteral("quillon");

QString storedMacro()
{
    return platform::GetSetting(kApp, QStringLiteral("Options"), QStringLiteral("macro"),
                                QStringLiteral("<unset>"));
}

// The macro dialog as the main window leaves it: loaded, its box filled, on screen.
frmMacroSelect* showDialog(const QString& text)
{
    frmMacroSelect* dialog = frmMacroSelect::instance();
    dialog->txtpathfile->setText(text);
    dialog->show();
    return dialog;
}

} // namespace

class DialogsTest : public QObject {
    Q_OBJECT

private slots:
    void buttonsLeadOnWithQuickStartHidden_data()
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
    void buttonsLeadOnWithQuickStartHidden()
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
                seen = request.kind == platform::FileDialogRequest::Kind::Open ? "Open dialog"
                                                                               : "Save";
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

    void linkAlwaysRemovesScratchFile_data()
    {
        QTest::addColumn<QString>("browser");
        QTest::addColumn<bool>("starts");
        QTest::addColumn<QString>("before"); // what stands under the scratch name beforehand
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("title");

        const QString firefox = QStringLiteral("/usr/bin/firefox");
        QTest::newRow("page opened over a stale scratch file")
            << firefox << true << "file" << QString() << QString();
        QTest::newRow("link planted at the scratch name, no browser associated")
            << QString() << true << "link"
            << "Could not find associated Browser"
            << "Browser Not Found";
        QTest::newRow("browser fails to start")
            << firefox << false << QString() << "Web Page not Opened"
            << "URL Failed";
        QTest::newRow("folder in the way: nothing looked up") << firefox << true << "folder"
                                                              << "Web Page not Opened"
                                                              << "URL Failed";
    }

    void linkAlwaysRemovesScratchFile()
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

    void linkStartsTheBrowserAsItsDesktopEntrySays_data()
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
    void linkStartsTheBrowserAsItsDesktopEntrySays()
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

    void choosingFoldersFillsBoxesAndList()
    {
        RunningApp app;
        const QString first = makeFolder(
            app.temp("first"), {"a.wpd", "b.WPD", "c.doc", "notes.txt", ".hidden.wpd", "d.wp"});
        const QString second = makeFolder(app.temp("second"), {"d.wpd"});
        const QString empty = makeFolder(app.temp("empty"), {"e.doc"});
        const QString target = makeFolder(app.temp("out"));
        Form2::instance()->ListView1->AddItem("/old.wpd", "/old.wpd");
        Form1* batch = Form1::instance();
        batch->show();

        app.folders.queueFolder(first);
        batch->btnSource->click();
        QCOMPARE(batch->txtSrcFolder->text(), first);
        QCOMPARE(gMediator->GetSourceFolder(), first);
        QCOMPARE(listed(batch->List1), (QStringList{"a.wpd", "b.WPD"}));

        app.folders.queueFolder(second);
        batch->btnSource->click();
        QCOMPARE(batch->txtSrcFolder->text(), second);
        QCOMPARE(listed(batch->List1), QStringList{"d.wpd"});

        // A cancelled source browser changes nothing.
        app.folders.queueCancel();
        batch->btnSource->click();
        QCOMPARE(batch->txtSrcFolder->text(), second);
        QCOMPARE(gMediator->GetSourceFolder(), second);
        QCOMPARE(listed(batch->List1), QStringList{"d.wpd"});

        app.folders.queueFolder(empty);
        batch->btnSource->click();
        QCOMPARE(batch->List1->count(), 0);

        app.folders.queueFolder(target);
        batch->btnTarget->click();
        QCOMPARE(batch->txtTgtFolder->text(), target);
        QCOMPARE(gMediator->GetTgtFolder(), target);
        // A cancelled target browser empties the target.
        app.folders.queueCancel();
        batch->btnTarget->click();
        QCOMPARE(batch->txtTgtFolder->text(), QString());
        QCOMPARE(gMediator->GetTgtFolder(), QString());

        QCOMPARE(app.folders.titles(),
                 (QStringList{"Select a Source Folder", "Select a Source Folder",
                              "Select a Source Folder", "Select a Source Folder",
                              "Select a Target Folder", "Select a Target Folder"}));
        // Neither the document list nor the mode are touched.
        QCOMPARE(Form2::instance()->ListView1->Count(), 1);
        QCOMPARE(gMediator->stateManager()->currentState(),
                 gMediator->stateManager()->stateThree());
        QVERIFY(app.calls().isEmpty());

        // The root folder, which a test cannot fill, listed as if it held these files: its
        // documents are previewed and converted from "/name", with one separator. Start hides the
        // dialog and converts the chosen folder, not one typed into its box.
        Form2::instance()->FileList->setLister([](const QDir& folder) {
            return folder.isRoot() ? QStringList{"b.WPD", "a.wpd", "c.doc"} : QStringList{};
        });
        app.folders.queueFolder("/");
        batch->btnSource->click();
        app.folders.queueFolder(target);
        batch->btnTarget->click();
        batch->txtSrcFolder->setText(second);
        batch->Command1->click();
        QVERIFY(!batch->isVisible());
        QCOMPARE(app.calls().filter("Open"), QStringList({"FileOpen(/a.wpd)", "FileOpen(/b.WPD)"}));
        QCOMPARE(
            app.calls().filter("XMLPublish("),
            QStringList({"XMLPublish(" + target + "/a.xml)", "XMLPublish(" + target + "/b.xml)"}));
    }

    // File > Batch: choose the folders, Cancel; shown again, the choices are there. The close box
    // unloads the dialog, yet the coordinator keeps the folders, which Start on the fresh dialog
    // converts once its modal wait has ended.
    void choicesOutliveCancelButNotTheCloseBox()
    {
        RunningApp app;
        const QString source = makeFolder(app.temp("src"), {"a.wpd", "b.wpd", "c.wpd"});
        const QString target = makeFolder(app.temp("out"));
        const auto fromMenu = [](std::function<void(Form1*)> act) {
            const auto shown = apptest::whenShown<Form1>(std::move(act));
            Form2::instance()->mnuBatch->trigger();
            return *shown;
        };
        QVERIFY(fromMenu([&](Form1* batch) {
            app.folders.queueFolder(source);
            batch->btnSource->click();
            app.folders.queueFolder(target);
            batch->btnTarget->click();
            batch->Command2->click();
        }));
        QVERIFY(Form1::IsLoaded());
        QCOMPARE(Form2::instance()->ListView1->Count(), 0);

        QStringList shown;
        QPointer<Form1> closed;
        QVERIFY(fromMenu([&](Form1* batch) {
            shown << batch->txtSrcFolder->text() << batch->txtTgtFolder->text()
                  << listed(batch->List1);
            closed = batch;
            batch->close();
        }));
        QCOMPARE(shown, (QStringList{source, target, "a.wpd", "b.wpd", "c.wpd"}));
        QVERIFY(!Form1::IsLoaded());
        QTRY_VERIFY(closed.isNull());

        QVERIFY(fromMenu([&](Form1* batch) {
            shown = QStringList{batch->txtSrcFolder->text(), batch->txtTgtFolder->text()};
            shown << listed(batch->List1);
            batch->Command1->click();
        }));
        QCOMPARE(shown, QStringList({QString(), QString()}));
        QCOMPARE(gMediator->GetSourceFolder(), source);
        QCOMPARE(gMediator->GetTgtFolder(), target);
        QCOMPARE(QApplication::activeModalWidget(), nullptr);
        QTRY_COMPARE(apptest::documentRows(), convertedRows(source, {"c.wpd", "b.wpd", "a.wpd"}));
    }

    void leavingStoresOnlyAnExistingMacro_data()
    {
        QTest::addColumn<QString>("button"); // empty: the close box
        QTest::addColumn<QString>("made");   // in the folder; a final "/" makes a folder
        QTest::addColumn<QString>("typed");  // %1: the folder
        QTest::addColumn<QString>("stored"); // afterwards (%1: the folder); before: kept.wcm
        QTest::addColumn<bool>("refused");   // a box says so; the dialog stays, its box emptied
        // Nothing there stores no macro, silently; an existing one is stored exactly as typed.
        const std::tuple<const char*, const char*, const char*, const char*, const char*, bool>
            rows[] = {
                {"empty box", "OK", "", "", "", false},
                {"missing file", "OK", "", "/no/such/folder/macro.wcm", "", false},
                {"blank before an existing macro", "OK", "tidy.wcm", " %1/tidy.wcm", "", false},
                {"lower case", "OK", "tidy.wcm", "%1/tidy.wcm", "%1/tidy.wcm", false},
                {"capitals", "OK", "TIDY.WCM", "%1/TIDY.WCM", "%1/TIDY.WCM", false},
                {"not normalised", "OK", "Tidy.Wcm", "%1/./..//macros/Tidy.Wcm",
                 "%1/./..//macros/Tidy.Wcm", false},
                {"document", "OK", "letter.wpd", "%1/letter.wpd", "kept.wcm", true},
                {"no extension", "OK", "README", "%1/README", "kept.wcm", true},
                {"folder named like a macro", "OK", "folder.wcm/", "%1/folder.wcm", "kept.wcm",
                 true},
                {"Cancel", "Cancel", "other.wcm", "%1/other.wcm", "kept.wcm", false},
                {"close box", "", "other.wcm", "%1/other.wcm", "kept.wcm", false},
            };
        for (const auto& [tag, button, made, typed, stored, refused] : rows)
            QTest::newRow(tag) << QString(button) << QString(made) << QString(typed)
                               << QString(stored) << refused;
    }

    void leavingStoresOnlyAnExistingMacro()
    {
        QFETCH(QString, button);
        QFETCH(QString, made);
        QFETCH(QString, typed);
        QFETCH(QString, stored);
        QFETCH(bool, refused);
        RunningApp app;
        const bool folderMade = made.endsWith(QLatin1Char('/'));
        const QString folder = makeFolder(
            app.temp("macros"), made.isEmpty() || folderMade ? QStringList() : QStringList{made});
        if (folderMade)
            QVERIFY(QDir(folder).mkdir(made.chopped(1)));
        platform::SaveSetting(kApp, QStringLiteral("Options"), QStringLiteral("macro"), "kept.wcm");

        frmMacroSelect* dialog = showDialog(typed.replace("%1", folder));
        if (button == QLatin1String("OK"))
            dialog->btnOK->click();
        else if (button == QLatin1String("Cancel"))
            dialog->btnCancel->click();
        else
            dialog->close();

        QCOMPARE(storedMacro(), stored.replace("%1", folder));
        QCOMPARE(dialog->isVisible(), refused);
        QVERIFY(frmMacroSelect::IsLoaded());
        if (refused || button != QLatin1String("OK"))
            QCOMPARE(dialog->txtpathfile->text(), QString());
        QCOMPARE(app.boxes.texts(),
                 refused ? QStringList{"Not a valid Macro. Please select a WordPerfect macro"}
                         : QStringList());
        for (const platform::MessageBoxRequest& box : app.boxes.requests()) {
            QCOMPARE(box.buttons, platform::MsgButtons::OK);
            QCOMPARE(box.icon, platform::MsgIcon::None);
            QCOMPARE(box.title, QStringLiteral("DuraRudizav Ezedoviro - ZUR EDEV"));
        }
    }

    void macroToRunShowsStoredMacroAfterRestart()
    {
        RunningApp app;
        const QString macro = makeFolder(app.temp("macros"), {"tidy.WCM"}) + "/tidy.WCM";

        // First run: nothing stored yet, so the box comes up empty. Select puts the chosen macro
        // in the box; cancelling its Open dialog empties the box. The user chooses the macro.
        QStringList seen;
        app.files.queueCancel();
        app.files.queueFile(macro);
        auto shown = apptest::whenShown<frmMacroSelect>([&](frmMacroSelect* dialog) {
            seen << dialog->txtpathfile->text();
            seen << (QApplication::activeModalWidget() == dialog ? "modal" : "modeless");
            dialog->txtpathfile->setText("typed");
            for (int i = 0; i < 2; ++i) {
                dialog->btnSelect->click();
                seen << dialog->txtpathfile->text();
            }
            dialog->btnOK->click();
        });
        Form2::instance()->mnuMacroRun->trigger();
        QVERIFY(*shown);
        QCOMPARE(seen, QStringList({"", "modal", "", macro}));

        // Restart: every window unloaded, the store read afresh.
        ResetGeneral();
        QSettings fresh(app.settings.iniFile(), QSettings::IniFormat);
        QCOMPARE(fresh.value(QStringLiteral("Options/macro")).toString(), macro);
        apptest::whenShown<Form3>([](Form3* quickStart) { quickStart->hide(); });
        Main();

        QString shownAgain;
        shown = apptest::whenShown<frmMacroSelect>([&](frmMacroSelect* dialog) {
            shownAgain = dialog->txtpathfile->text();
            dialog->btnCancel->click();
        });
        Form2::instance()->mnuMacroRun->trigger();
        QVERIFY(*shown);
        QCOMPARE(shownAgain, macro);
        QCOMPARE(storedMacro(), macro);
    }

    void infoShowsAboutBesideUsableMainWindow_data()
    {
        QTest::addColumn<bool>("closeBox");
        QTest::newRow("OK") << false;
        QTest::newRow("close box") << true;
    }

    void infoShowsAboutBesideUsableMainWindow()
    {
        QFETCH(bool, closeBox);
        RunningApp app;
        Form2* main = Form2::instance();

        main->mnuInfo->trigger();
        QVERIFY(frmAbout::IsLoaded());
        QPointer<frmAbout> about = frmAbout::instance();
        QVERIFY(about->isVisible());
        QCOMPARE(about->windowTitle(), QStringLiteral("About DuraRudizav Ezedoviro - ZUR EDEV"));
        QCOMPARE(about->lblTitle->text(), QStringLiteral("DuraRudizav Ezedoviro - ZUR EDEV"));
        QCOMPARE(about->lblVersion->text(), QStringLiteral("Version 2.0.4"));
        QCOMPARE(about->lblDescription->text(),
                 QStringLiteral("Converts WordPerfect documents to XML HTML"));
        QVERIFY(about->cmdOK->isVisible());
        QVERIFY(!about->cmdSysInfo->isVisible());
        QVERIFY(!about->isModal());
        QCOMPARE(about->parentWidget(), nullptr);
        QCOMPARE(QApplication::activeModalWidget(), nullptr);
        // The main window goes on working meanwhile: File > Close runs at once.
        main->mnuClose->trigger();
        QVERIFY(about->isVisible());
        // A click on the title shows the credit (an empty box), each time; other labels are text.
        for (QLabel* label : {about->lblTitle, about->lblTitle, about->lblVersion})
            QTest::mouseClick(label, Qt::LeftButton);
        QCOMPARE(app.boxes.texts(), QStringList({QString(), QString()}));
        for (const platform::MessageBoxRequest& box : app.boxes.requests()) {
            QCOMPARE(box.buttons, platform::MsgButtons::OK);
            QCOMPARE(box.icon, platform::MsgIcon::None);
            QCOMPARE(box.title, QStringLiteral("DuraRudizav Ezedoviro - ZUR EDEV"));
        }
        QVERIFY(about->isVisible());

        if (closeBox) {
            about->close();
        } else {
            about->cmdOK->click();
        }
        QVERIFY(!frmAbout::IsLoaded());
        QTRY_VERIFY(about.isNull());

        // Showing it again loads it afresh.
        main->mnuInfo->trigger();
        QVERIFY(frmAbout::IsLoaded());
        QVERIFY(frmAbout::instance()->isVisible());
        QCOMPARE(frmAbout::instance()->lblVersion->text(), QStringLiteral("Version 2.0.4"));
        QCOMPARE(app.exits.count(), 0);
    }
};

QTEST_MAIN(DialogsTest)
#include "tst_dialogs.moc"
