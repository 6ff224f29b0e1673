// Quillon tests: the About box.
#include "DialogHarness.h"

#include "ui/Form2.h"
#include "ui/frmAbout.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QtTest>

class TestAbout : public QObject {
    Q_OBJECT

private slots:
    void showsTitleAndVersion();
    void titleClickShowsCreditEachTime();
    void infoShowsAboutBesideUsableMainWindow_data();
    void infoShowsAboutBesideUsableMainWindow();
};

void TestAbout::showsTitleAndVersion()
{
    dialogs::Harness harness;
    frmAbout* about = frmAbout::instance();
    QCOMPARE(about->windowTitle(), QStringLiteral("About DuraRudizav Ezedoviro - ZUR EDEV"));
    QCOMPARE(about->lblTitle->text(), QStringLiteral("DuraRudizav Ezedoviro - ZUR EDEV"));
    QCOMPARE(about->lblVersion->text(), QStringLiteral("Version 2.0.4"));
    QCOMPARE(about->lblDescription->text(),
             QStringLiteral("Converts WordPerfect documents to XML HTML"));
    about->show();
    QVERIFY(about->cmdOK->isVisible());
    QVERIFY(!about->cmdSysInfo->isVisible());
}

void TestAbout::titleClickShowsCreditEachTime()
{
    dialogs::Harness harness;
    frmAbout* about = frmAbout::instance();
    about->show();
    for (int click = 1; click <= 3; ++click) {
        QTest::mouseClick(about->lblTitle, Qt::LeftButton);
        QCOMPARE(harness.boxes.count(), click);
        const platform::MessageBoxRequest& box = harness.boxes.requests().last();
        QCOMPARE(box.text, QString());
        QCOMPARE(box.buttons, platform::MsgButtons::OK);
        QCOMPARE(box.icon, platform::MsgIcon::None);
        QCOMPARE(box.title, QStringLiteral("DuraRudizav Ezedoviro - ZUR EDEV"));
        QVERIFY(about->isVisible());
    }
    // The other labels are plain text.
    QTest::mouseClick(about->lblVersion, Qt::LeftButton);
    QCOMPARE(harness.boxes.count(), 3);
}

void TestAbout::infoShowsAboutBesideUsableMainWindow_data()
{
    QTest::addColumn<bool>("closeBox");
    QTest::newRow("OK") << false;
    QTest::newRow("close box") << true;
}

void TestAbout::infoShowsAboutBesideUsableMainWindow()
{
    QFETCH(bool, closeBox);
    dialogs::Harness harness;
    harness.start();
    Form2* main = Form2::instance();

    main->mnuInfo->trigger();
    QVERIFY(frmAbout::IsLoaded());
    QPointer<frmAbout> about = frmAbout::instance();
    QVERIFY(about->isVisible());
    QVERIFY(!about->isModal());
    QCOMPARE(about->parentWidget(), nullptr);
    QCOMPARE(QApplication::activeModalWidget(), nullptr);
    // The main window goes on working meanwhile: File > Close runs at once.
    main->mnuClose->trigger();
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
    QVERIFY(!harness.exits.ended());
}

QTEST_MAIN(TestAbout)
#include "tst_about.moc"
