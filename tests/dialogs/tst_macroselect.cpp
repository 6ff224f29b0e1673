// Quillon tests: choosing the macro and keeping it in the settings store.
#include "DialogHarness.h"

#include "core/General.h"
#include "platform/SettingsStore.h"
#include "ui/Form2.h"
#include "ui/frmMacroSelect.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QtTest>

namespace {

const QString kApp = QStringLiteral("quillon");

QString storedMacro()
{
    return platform::GetSetting(kApp, QStringLiteral("Options"), QStringLiteral("macro"),
                                QStringLiteral("<unset>"));
}

void storeMacro(const QString& value)
{
    platform::SaveSetting(kApp, QStringLiteral("Options"), QStringLiteral("macro"), value);
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
    void okWithNothingThereStoresNoMacroSilently_data();
    void okWithNothingThereStoresNoMacroSilently();
    void okStoresExistingMacroExactlyAsTyped_data();
    void okStoresExistingMacroExactlyAsTyped();
    void okRefusesWhatIsNoMacro_data();
    void okRefusesWhatIsNoMacro();
    void cancelKeepsStoredMacro_data();
    void cancelKeepsStoredMacro();
    void selectPutsChosenMacroInBox();
    void macroToRunShowsStoredMacroAfterRestart();
};

void TestMacroSelect::okWithNothingThereStoresNoMacroSilently_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("empty box") << QString();
    QTest::newRow("missing file") << QStringLiteral("/no/such/folder/macro.wcm");
    QTest::newRow("existing macro with a blank before it") << QStringLiteral(" %1");
}

void TestMacroSelect::okWithNothingThereStoresNoMacroSilently()
{
    QFETCH(QString, text);
    dialogs::Harness harness;
    const QString folder = harness.makeFolder(QStringLiteral("macros"), {"tidy.wcm"});
    storeMacro(folder + QStringLiteral("/tidy.wcm"));

    if (text.contains(QLatin1String("%1"))) {
        text = text.arg(folder + QStringLiteral("/tidy.wcm"));
    }
    frmMacroSelect* dialog = showDialog(text);
    dialog->btnOK->click();

    QCOMPARE(storedMacro(), QString());
    QCOMPARE(harness.boxes.count(), 0);
    QVERIFY(!dialog->isVisible());
    QVERIFY(frmMacroSelect::IsLoaded());
}

void TestMacroSelect::okStoresExistingMacroExactlyAsTyped_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QString>("typed"); // %1: the folder
    QTest::newRow("lower case") << QStringLiteral("tidy.wcm") << QStringLiteral("%1/tidy.wcm");
    QTest::newRow("capitals") << QStringLiteral("TIDY.WCM") << QStringLiteral("%1/TIDY.WCM");
    QTest::newRow("not normalised")
        << QStringLiteral("Tidy.Wcm") << QStringLiteral("%1/./..//macros/Tidy.Wcm");
}

void TestMacroSelect::okStoresExistingMacroExactlyAsTyped()
{
    QFETCH(QString, fileName);
    QFETCH(QString, typed);
    dialogs::Harness harness;
    const QString folder = harness.makeFolder(QStringLiteral("macros"), {fileName});
    const QString text = typed.arg(folder);

    frmMacroSelect* dialog = showDialog(text);
    dialog->btnOK->click();

    QCOMPARE(storedMacro(), text);
    QCOMPARE(harness.boxes.count(), 0);
    QVERIFY(!dialog->isVisible());
}

void TestMacroSelect::okRefusesWhatIsNoMacro_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("document") << QStringLiteral("letter.wpd");
    QTest::newRow("no extension") << QStringLiteral("README");
    QTest::newRow("folder named like a macro") << QStringLiteral("folder.wcm/");
}

void TestMacroSelect::okRefusesWhatIsNoMacro()
{
    QFETCH(QString, name);
    dialogs::Harness harness;
    const QString folder = harness.makeFolder(QStringLiteral("macros"));
    if (name.endsWith(QLatin1Char('/'))) {
        name.chop(1);
        QVERIFY(QDir(folder).mkdir(name));
    } else {
        harness.makeFolder(QStringLiteral("macros"), {name});
    }
    storeMacro(QStringLiteral("/kept/macro.wcm"));

    frmMacroSelect* dialog = showDialog(folder + QLatin1Char('/') + name);
    dialog->btnOK->click();

    QCOMPARE(harness.boxes.texts(),
             QStringList{QStringLiteral("Not a valid Macro. Please select a WordPerfect macro")});
    const platform::MessageBoxRequest& box = harness.boxes.requests().first();
    QCOMPARE(box.buttons, platform::MsgButtons::OK);
    QCOMPARE(box.icon, platform::MsgIcon::None);
    QCOMPARE(box.title, QStringLiteral("DuraRudizav Ezedoviro - ZUR EDEV"));
    QCOMPARE(dialog->txtpathfile->text(), QString());
    QVERIFY(dialog->isVisible());
    QCOMPARE(storedMacro(), QStringLiteral("/kept/macro.wcm"));
}

void TestMacroSelect::cancelKeepsStoredMacro_data()
{
    QTest::addColumn<bool>("closeBox");
    QTest::newRow("Cancel") << false;
    QTest::newRow("close box") << true;
}

void TestMacroSelect::cancelKeepsStoredMacro()
{
    QFETCH(bool, closeBox);
    dialogs::Harness harness;
    const QString folder = harness.makeFolder(QStringLiteral("macros"), {"other.wcm"});
    storeMacro(QStringLiteral("/kept/macro.wcm"));

    frmMacroSelect* dialog = showDialog(folder + QStringLiteral("/other.wcm"));
    if (closeBox) {
        dialog->close();
    } else {
        dialog->btnCancel->click();
    }

    QCOMPARE(storedMacro(), QStringLiteral("/kept/macro.wcm"));
    QCOMPARE(dialog->txtpathfile->text(), QString());
    QVERIFY(!dialog->isVisible());
    QCOMPARE(harness.boxes.count(), 0);
}

void TestMacroSelect::selectPutsChosenMacroInBox()
{
    dialogs::Harness harness;
    harness.start();
    const QString folder = harness.makeFolder(QStringLiteral("macros"), {"tidy.wcm"});
    harness.files.queueFile(folder + QStringLiteral("/tidy.wcm"));
    harness.files.queueCancel();

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
    dialogs::Harness harness;
    const QString folder = harness.makeFolder(QStringLiteral("macros"), {"tidy.WCM"});
    const QString macro = folder + QStringLiteral("/tidy.WCM");

    // First run: nothing stored yet, so the box comes up empty; the user chooses a macro.
    harness.start();
    QString shownFirst = QStringLiteral("<not shown>");
    bool modal = false;
    auto shown = dialogs::whenShown<frmMacroSelect>([&](frmMacroSelect* dialog) {
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
    QSettings fresh(harness.settings.iniFile(), QSettings::IniFormat);
    QCOMPARE(fresh.value(QStringLiteral("Options/macro")).toString(), macro);

    harness.start();
    QString shownAgain;
    shown = dialogs::whenShown<frmMacroSelect>([&](frmMacroSelect* dialog) {
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
