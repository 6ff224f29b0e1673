// Quillon tests: choosing the macro and keeping it in the settings store.
#include "AppHarness.h"

#include "core/General.h"
#include "platform/SettingsStore.h"
#include "ui/Form2.h"
#include "ui/Form3.h"
#include "ui/frmMacroSelect.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QtTest>

using apptest::makeFolder;
using apptest::RunningApp;

namespace {

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

class TestMacroSelect : public QObject {
    Q_OBJECT

private slots:
    void leavingStoresOnlyAnExistingMacro_data();
    void leavingStoresOnlyAnExistingMacro();
    void selectPutsChosenMacroInBox();
    void macroToRunShowsStoredMacroAfterRestart();
};

void TestMacroSelect::leavingStoresOnlyAnExistingMacro_data()
{
    QTest::addColumn<QString>("button"); // empty: the close box
    QTest::addColumn<QString>("made");   // in the folder; a final "/" makes a folder
    QTest::addColumn<QString>("typed");  // %1: the folder
    QTest::addColumn<QString>("stored"); // afterwards (%1: the folder); before: kept.wcm
    QTest::addColumn<bool>("refused");   // a box says so; the dialog stays, its box emptied
    // Nothing there stores no macro, silently; an existing one is stored exactly as typed.
    QTest::newRow("empty box") << "OK"
                               << ""
                               << ""
                               << "" << false;
    QTest::newRow("missing file") << "OK"
                                  << ""
                                  << "/no/such/folder/macro.wcm"
                                  << "" << false;
    QTest::newRow("blank before an existing macro") << "OK"
                                                    << "tidy.wcm"
                                                    << " %1/tidy.wcm"
                                                    << "" << false;
    QTest::newRow("lower case") << "OK"
                                << "tidy.wcm"
                                << "%1/tidy.wcm"
                                << "%1/tidy.wcm" << false;
    QTest::newRow("capitals") << "OK"
                              << "TIDY.WCM"
                              << "%1/TIDY.WCM"
                              << "%1/TIDY.WCM" << false;
    QTest::newRow("not normalised") << "OK"
                                    << "Tidy.Wcm"
                                    << "%1/./..//macros/Tidy.Wcm"
                                    << "%1/./..//macros/Tidy.Wcm" << false;
    QTest::newRow("document") << "OK"
                              << "letter.wpd"
                              << "%1/letter.wpd"
                              << "kept.wcm" << true;
    QTest::newRow("no extension") << "OK"
                                  << "README"
                                  << "%1/README"
                                  << "kept.wcm" << true;
    QTest::newRow("folder named like a macro") << "OK"
                                               << "folder.wcm/"
                                               << "%1/folder.wcm"
                                               << "kept.wcm" << true;
    QTest::newRow("Cancel") << "Cancel"
                            << "other.wcm"
                            << "%1/other.wcm"
                            << "kept.wcm" << false;
    QTest::newRow("close box") << ""
                               << "other.wcm"
                               << "%1/other.wcm"
                               << "kept.wcm" << false;
}

void TestMacroSelect::leavingStoresOnlyAnExistingMacro()
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

void TestMacroSelect::selectPutsChosenMacroInBox()
{
    RunningApp app;
    const QString folder = makeFolder(app.temp("macros"), {"tidy.wcm"});
    app.files.queueFile(folder + QStringLiteral("/tidy.wcm"));
    app.files.queueCancel();

    frmMacroSelect* dialog = showDialog(QStringLiteral("typed"));
    dialog->btnSelect->click();
    QCOMPARE(dialog->txtpathfile->text(), folder + QStringLiteral("/tidy.wcm"));

    // Cancelling the Open dialog empties the box.
    dialog->btnSelect->click();
    QCOMPARE(dialog->txtpathfile->text(), QString());
    QVERIFY(dialog->isVisible());
}

void TestMacroSelect::macroToRunShowsStoredMacroAfterRestart()
{
    RunningApp app;
    const QString macro = makeFolder(app.temp("macros"), {"tidy.WCM"}) + "/tidy.WCM";

    // First run: nothing stored yet, so the box comes up empty; the user chooses a macro.
    QString shownFirst = QStringLiteral("<not shown>");
    bool modal = false;
    auto shown = apptest::whenShown<frmMacroSelect>([&](frmMacroSelect* dialog) {
        shownFirst = dialog->txtpathfile->text();
        modal = QApplication::activeModalWidget() == dialog;
        dialog->txtpathfile->setText(macro);
        dialog->btnOK->click();
    });
    Form2::instance()->mnuMacroRun->trigger();
    QVERIFY(*shown);
    QVERIFY(modal);
    QCOMPARE(shownFirst, QString());

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

QTEST_MAIN(TestMacroSelect)
#include "tst_macroselect.moc"
