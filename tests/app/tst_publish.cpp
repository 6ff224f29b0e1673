// Quillon tests: the publish settings dialog and its HTML help.
#include "General.h"
#include "RecordingMessageBox.h"
#include "ui/Form4.h"
#include "ui/frmPublish.h"

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QtTest>

namespace {

bool inXmlState(const frmPublish* dialog)
{
    return dialog->radxml->isChecked() && dialog->frameXML->isEnabled() &&
           dialog->txtQuality->isEnabled() && !dialog->btnSettings->isEnabled();
}

bool inHtmlState(const frmPublish* dialog)
{
    return dialog->radhtml->isChecked() && !dialog->frameXML->isEnabled() &&
           !dialog->txtQuality->isEnabled() && dialog->btnSettings->isEnabled();
}

} // namespace

class PublishTest : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { ResetGeneral(); }
    void opensWithXmlAndEighty();
    void okChecksTheQuality_data();
    void okChecksTheQuality();
    void cancelRestoresWhatOkLastAccepted();
    void settingsExplainWhereHtmlIsSet();
};

void PublishTest::opensWithXmlAndEighty()
{
    frmPublish* dialog = frmPublish::instance();
    QCOMPARE(dialog->windowTitle(), QStringLiteral("Publish to Web Settings"));
    QVERIFY(dialog->windowFlags() & Qt::Tool);
    QVERIFY(inXmlState(dialog));
    QCOMPARE(dialog->txtQuality->text(), QStringLiteral("80"));
    QCOMPARE(dialog->Label5->text(), QStringLiteral("(Quality: 100 - highest,  Lowest- 0)"));

    dialog->radhtml->click();
    QVERIFY(inHtmlState(dialog));
    // The quality stays readable in the HTML state.
    QCOMPARE(dialog->txtQuality->text(), QStringLiteral("80"));
    dialog->radxml->click();
    QVERIFY(inXmlState(dialog));
}

void PublishTest::okChecksTheQuality_data()
{
    QTest::addColumn<QString>("quality");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("above range") << "150" << true;
    QTest::newRow("negative") << "-5" << true;
    QTest::newRow("decimal") << "7.5" << true;
    QTest::newRow("letters") << "high" << false;
    QTest::newRow("empty") << "" << false;
}

void PublishTest::okChecksTheQuality()
{
    QFETCH(QString, quality);
    QFETCH(bool, accepted);
    testsupport::RecordingMessageBox boxes;
    frmPublish* dialog = frmPublish::instance();
    dialog->show();
    dialog->txtQuality->setText(quality);
    dialog->btnPublish->click();
    QCOMPARE(dialog->isVisible(), !accepted);
    if (accepted) {
        QCOMPARE(boxes.count(), 0);
        QCOMPARE(dialog->txtQuality->text(), quality);
    } else {
        QCOMPARE(boxes.texts(), QStringList({"Please enter a numeric value for Quality."}));
        QCOMPARE(boxes.requests().first().icon, platform::MsgIcon::None);
        QCOMPARE(dialog->txtQuality->text(), QString());
    }
}

void PublishTest::cancelRestoresWhatOkLastAccepted()
{
    frmPublish* dialog = frmPublish::instance();
    dialog->show();
    dialog->radhtml->click();
    dialog->txtQuality->setText("12");
    dialog->Command3->click();
    QVERIFY(!dialog->isVisible());
    QVERIFY(inXmlState(dialog));
    QCOMPARE(dialog->txtQuality->text(), QStringLiteral("80"));

    dialog->show();
    dialog->txtQuality->setText("50");
    dialog->radhtml->click();
    dialog->btnPublish->click();
    dialog->show();
    dialog->radxml->click();
    dialog->txtQuality->setText("20");
    dialog->reject(); // Escape or the close box
    QVERIFY(!dialog->isVisible());
    QVERIFY(inHtmlState(dialog));
    QCOMPARE(dialog->txtQuality->text(), QStringLiteral("50"));
}

void PublishTest::settingsExplainWhereHtmlIsSet()
{
    frmPublish* dialog = frmPublish::instance();
    dialog->radhtml->click();
    QString title;
    QString text;
    QTimer::singleShot(0, [&] {
        if (auto* help = qobject_cast<Form4*>(QApplication::activeModalWidget())) {
            title = help->windowTitle();
            text = help->Frame1->title() + "|" + help->Label1->text();
            help->Command1->click();
        }
    });
    dialog->btnSettings->click();
    QCOMPARE(title, QStringLiteral("HTML Settings"));
    QVERIFY(text.startsWith("How to Set HTML Settings|To set the settings, please open"));
    QVERIFY(!Form4::IsLoaded());
}

QTEST_MAIN(PublishTest)
#include "tst_publish.moc"
