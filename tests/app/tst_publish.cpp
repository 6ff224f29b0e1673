// Quillon tests: the publish settings dialog and its HTML help.
#include "Doubles.h"
#include "Engine.h"
#include "General.h"
#include "ui/Form4.h"
#include "ui/frmPublish.h"

#include <QApplication>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
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
    void cleanup()
    {
        ResetGeneral();
        QLocale::setDefault(QLocale::system());
    }

    void opensWithXmlAndEighty()
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

    void okAcceptsWhatTheEngineReads_data()
    {
        QTest::addColumn<QString>("quality");
        QTest::addColumn<int>("read"); // the quality the engine uses; -1: not a number
        QTest::addColumn<bool>("german");
        QTest::newRow("above range") << "150" << 100 << false;
        QTest::newRow("negative") << "-5" << 0 << false;
        QTest::newRow("decimal") << "7.5" << 8 << false;
        QTest::newRow("blanks and decimals") << " 55.5 " << 56 << false;
        QTest::newRow("exponent") << "1e1" << 10 << false;
        QTest::newRow("number and letters") << "80%" << -1 << false;
        QTest::newRow("not a number") << "nan" << -1 << false;
        QTest::newRow("empty") << "" << -1 << false;
        QTest::newRow("infinity") << "inf" << -1 << false;
        QTest::newRow("thousands") << "1,000" << 100 << false;
        QTest::newRow("comma in English") << "7,5" << -1 << false;
        QTest::newRow("decimal comma in German") << "1,000" << 1 << true;
        QTest::newRow("decimal point in German") << "7.5" << 8 << true;
    }

    // The dialog accepts exactly the texts the engine reads as a number, in the user's locale.
    void okAcceptsWhatTheEngineReads()
    {
        QFETCH(QString, quality);
        QFETCH(int, read);
        QFETCH(bool, german);
        const bool accepted = read >= 0;
        QLocale::setDefault(QLocale(german ? "de_DE" : "en_US"));
        engine::Engine engine;
        const wire::Reply reply =
            engine.call(QStringLiteral("XMLPublishSetJPEGOptions"), {quality});
        QCOMPARE(reply.kind == wire::Reply::Kind::Null, accepted);
        QCOMPARE(engine.jpegQuality(), accepted ? read : 80); // a refused text changes nothing
        if (!accepted) {
            QCOMPARE(reply.number, 440);
            QVERIFY2(reply.text.contains("\"" + quality + "\" is not a number"),
                     qPrintable(reply.text));
        }

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

    void cancelRestoresWhatOkLastAccepted()
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

    void settingsExplainWhereHtmlIsSet()
    {
        testsupport::TempSettings settings;
        testsupport::ScriptedShell shell;
        testsupport::RecordingMessageBox boxes;
        const QString folder = settings.configHome() + "/quillon-engine";
        frmPublish* dialog = frmPublish::instance();
        dialog->radhtml->click();
        QString title;
        QString text;
        QTimer::singleShot(0, [&] {
            if (auto* help = qobject_cast<Form4*>(QApplication::activeModalWidget())) {
                title = help->windowTitle();
                text = help->Frame1->title() + "|" + help->Label1->text() + "|" +
                       help->lblSettingsFile->text();
                // Open Folder hands the settings file's folder to the desktop, made if missing.
                help->btnOpenFolder->click();
                shell.setExecutable("files.desktop");
                help->btnOpenFolder->click();
                help->Command1->click();
            }
        });
        dialog->btnSettings->click();
        QCOMPARE(title, QStringLiteral("HTML Settings"));
        QVERIFY(text.startsWith("How to Set HTML Settings|To set the settings, please open"));
        QVERIFY(text.endsWith("|Quillon keeps these settings in " + folder + "/html.ini"));
        QVERIFY(!Form4::IsLoaded());
        QCOMPARE(shell.lookups(), QStringList({folder, folder}));
        QVERIFY(QFileInfo(folder).isDir());
        QCOMPARE(shell.executions().size(), 1);
        QCOMPARE(shell.executions().first().program, QStringLiteral("files.desktop"));
        QCOMPARE(shell.executions().first().argument, folder);
        QCOMPARE(boxes.texts(), QStringList({"The folder " + folder + " could not be opened."}));
    }
};

QTEST_MAIN(PublishTest)
#include "tst_publish.moc"
