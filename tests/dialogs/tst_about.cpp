// Quillon tests: the About box.
#include "AppHarness.h"

#include "ui/Form2.h"
#include "ui/frmAbout.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QtTest>

using apptest::RunningApp;

class TestAbout : public QObject {
    Q_OBJECT

private slots:
    void titleClickShowsCreditEachTime();
    void infoShowsAboutBesideUsableMainWindow_data();
    void infoShowsAboutBesideUsableMainWindow();
};

void TestAbout::titleClickShowsCreditEachTime()
{
    RunningApp app;
    frmAbout* about = frmAbout::instance();
    about->show();
    for (int click = 1; click <= 3; ++click) {
        QTest::mouseClick(about->lblTitle, Qt::LeftButton);
        QCOMPARE(app.boxes.count(), click);
        const platform::MessageBoxRequest& box = app.boxes.requests().last();
        QCOMPARE(box.text, QString());
        QCOMPARE(box.buttons, platform::MsgButtons::OK);
        QCOMPARE(box.icon, platform::MsgIcon::None);
        QCOMPARE(box.title, QStringLiteral("DuraRudizav Ezedoviro - ZUR EDEV"));
        QVERIFY(about->isVisible());
    }
    // The other labels are plain text.
    QTest::mouseClick(about->lblVersion, Qt::LeftButton);
    QCOMPARE(app.boxes.count(), 3);
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

QTEST_MAIN(TestAbout)
#include "tst_about.moc"
