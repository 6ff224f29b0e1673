// Quillon tests: single-document and batch conversion end to end, through the real windows with
// a scripted word processor.
#include "AppHarness.h"
#include "General.h"
#include "ListView.h"
#include "Mediator.h"
#include "PathJoin.h"
#include "SettingsStore.h"
#include "StateManager.h"
#include "ui/Form1.h"
#include "ui/Form2.h"
#include "ui/frmPublish.h"

#include <QApplication>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QtTest>

using apptest::makeFolder;
using apptest::RunningApp;

namespace {

QString row(const QString& path)
{
    return Form2::instance()->ListView1->SubItem(path, 1);
}

void chooseHtml()
{
    frmPublish::instance()->radhtml->setChecked(true);
}

// The row's tooltips (file name cell, status cell) and accessible description.
QStringList rowHelp(const QString& path)
{
    const QAbstractItemModel* model = Form2::instance()->ListView1->model();
    for (int row = 0; row < model->rowCount(); ++row) {
        if (model->index(row, 0).data().toString() == path)
            return {model->index(row, 0).data(Qt::ToolTipRole).toString(),
                    model->index(row, 1).data(Qt::ToolTipRole).toString(),
                    model->index(row, 1).data(Qt::AccessibleDescriptionRole).toString()};
    }
    return {};
}

} // namespace

class ConversionTest : public QObject {
    Q_OBJECT

private slots:
    void singleDocument_data()
    {
        QTest::addColumn<bool>("html");
        QTest::newRow("xml") << false;
        QTest::newRow("html") << true;
    }

    void singleDocument()
    {
        QFETCH(bool, html);
        RunningApp app;
        const QString folder = makeFolder(app.temp("docs"), {"Report.WPD"});
        const QString source = folder + "/Report.WPD";
        const QString chosen = folder + "/elsewhere.out";
        // A conversion before the publish dialog was ever opened uses XML and "80".
        QVERIFY(!frmPublish::IsLoaded());
        if (html)
            chooseHtml();
        Form2::instance()->ListView1->AddItem("/old.wpd", "/old.wpd");

        QStringList callsWhenSaveShown;
        app.files.setObserver(
            [&](const platform::FileDialogRequest&) { callsWhenSaveShown = app.calls(); });
        app.files.queueFile(source);
        app.files.queueFile(chosen);
        Form2::instance()->mnuOpen->trigger();

        QCOMPARE(app.files.count(), 2);
        const platform::FileDialogRequest& open = app.files.requests().at(0);
        QCOMPARE(open.kind, platform::FileDialogRequest::Kind::Open);
        QVERIFY(open.mustExist);
        QCOMPARE(open.filter, "All WordPerfect documents (*.wpd) (*.[wW][pP][dD])");
        const platform::FileDialogRequest& save = app.files.requests().at(1);
        QCOMPARE(save.kind, platform::FileDialogRequest::Kind::Save);
        QCOMPARE(save.fileName, folder + (html ? "/Report.htm" : "/Report.xml"));
        QVERIFY(save.filter.contains(html ? "*.htm" : "*.xml"));
        // The document is already open while the user confirms the target.
        QCOMPARE(callsWhenSaveShown, QStringList({"FileOpen(" + source + ")"}));

        const QStringList expected =
            html ? QStringList{"FileOpen(" + source + ")", "HTMLPublish(" + chosen + ")",
                               "CloseNoSave"}
                 : QStringList{"FileOpen(" + source + ")", "XMLPublishSetJPEGOptions(80)",
                               "XMLPublish(" + chosen + ")", "CloseNoSave"};
        QCOMPARE(app.calls(), expected);
        QCOMPARE(apptest::documentRows(), QStringList({source + "=Converted!"}));
        QCOMPARE(gMediator->GetSourceFile(), source);
        QCOMPARE(gMediator->GetTgtFolder(), folder + "/");
        QCOMPARE(gMediator->stateManager()->currentState(), gMediator->stateManager()->stateOne());
        QCOMPARE(app.boxes.count(), 0);
    }

    void singleDocumentNotConverted_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("saved");      // a target is chosen in the Save dialog
        QTest::addColumn<QString>("failing"); // the call that fails
        QTest::addColumn<QString>("rows");    // %1: the folder
        QTest::addColumn<QStringList>("calls");
        QTest::newRow("Save dialog cancelled: left open, nothing published or closed")
            << "a.wpd" << false << ""
            << "%1/a.wpd=Failed" << QStringList{"FileOpen(%1/a.wpd)"};
        QTest::newRow("publish fails: not closed")
            << "a.wpd" << true << "XMLPublish"
            << "%1/a.wpd=Failed"
            << QStringList{"FileOpen(%1/a.wpd)", "XMLPublishSetJPEGOptions(80)",
                           "XMLPublish(%1/a.xml)"};
        QTest::newRow("other extension: the list is emptied, no Save dialog")
            << "notes.txt" << false << ""
            << "" << QStringList();
    }

    void singleDocumentNotConverted()
    {
        QFETCH(QString, name);
        QFETCH(bool, saved);
        QFETCH(QString, failing);
        QFETCH(QString, rows);
        QFETCH(QStringList, calls);
        RunningApp app;
        const QString folder = makeFolder(app.temp("docs"), {name});
        const QString reason = QStringLiteral("The target folder is not writable");
        if (!failing.isEmpty())
            app.server().failOn(failing, 440, reason);
        Form2::instance()->ListView1->AddItem("/old.wpd", "/old.wpd");
        app.files.queueFile(folder + "/" + name);
        if (saved)
            app.files.queueFile(folder + "/a.xml");
        else
            app.files.queueCancel();
        Form2::instance()->mnuOpen->trigger();
        QCOMPARE(apptest::documentRows().join(u'|'), rows.replace("%1", folder));
        QCOMPARE(app.calls(), calls.replaceInStrings("%1", folder));
        if (!failing.isEmpty())
            QCOMPARE(rowHelp(folder + "/a.wpd").at(1), reason);
        QCOMPARE(app.files.count(), name.endsWith(".wpd") ? 2 : 1);
        QCOMPARE(app.boxes.count(), 0);

        // Cancelling the Open dialog still selects single-document mode and keeps the old choice.
        const QString chosen = gMediator->GetSourceFile();
        gMediator->StartStateTwo();
        app.files.queueCancel();
        Form2::instance()->mnuOpen->trigger();
        QCOMPARE(gMediator->stateManager()->currentState(), gMediator->stateManager()->stateOne());
        QCOMPARE(gMediator->GetSourceFile(), chosen);
    }

    void batch_data()
    {
        QTest::addColumn<bool>("html");
        QTest::addColumn<bool>("beside"); // no target folder: beside the documents
        QTest::newRow("xml") << false << false;
        QTest::newRow("html") << true << false;
        QTest::newRow("xml beside the documents") << false << true;
    }

    void batch()
    {
        QFETCH(bool, html);
        QFETCH(bool, beside);
        RunningApp app;
        // a.WPD is listed before a.wpd: it keeps the plain name, a.wpd keeps its whole name.
        const QString folder = makeFolder(app.temp("src"), {"c.WPD", "b.txt", "a.wpd", "a.WPD"});
        const QString target = beside ? folder : makeFolder(app.temp("out"));
        if (html)
            chooseHtml();
        apptest::runBatch(app, folder, beside ? QString() : target);
        QVERIFY(!Form1::instance()->isVisible());
        QCOMPARE(gMediator->GetTgtFolder(), beside ? QString() : target);

        QStringList expected;
        const QList<QPair<QString, QString>> outputs = {
            {"a.WPD", "a"}, {"a.wpd", "a.wpd"}, {"c.WPD", "c"}};
        for (const auto& [name, output] : outputs) {
            expected << "FileOpen(" + folder + "/" + name + ")"
                     << "envDocBlank"
                     << "PosDocVeryTop"
                     << "XMLPublishSetJPEGOptions(80)";
            if (html)
                expected << "MasterDocExpand"
                         << "HTMLPublish(" + target + "/" + output + ".html)";
            else
                expected << "XMLPublish(" + target + "/" + output + ".xml)";
            expected << "CloseNoSave";
        }
        QCOMPARE(app.calls(), expected);
        QCOMPARE(apptest::documentRows(),
                 QStringList({folder + "/c.WPD=Converted", folder + "/a.wpd=Converted",
                              folder + "/a.WPD=Converted"}));
        QCOMPARE(rowHelp(folder + "/c.WPD"), QStringList({folder + "/c.WPD", "", ""}));

        // Started again, the batch writes the same names.
        app.server().clearCalls();
        Form1::instance()->Command1->click();
        QCOMPARE(app.calls(), expected);
        QCOMPARE(app.boxes.count(), 0);

        // Once the batch has finished, a further Command2 does nothing.
        QString text = QStringLiteral("test");
        gMediator->Command2(text);
        QCOMPARE(app.calls().size(), expected.size());
    }

    void batchDocumentFailureShowsFailedWithTheReasonAndGoesOn()
    {
        RunningApp app;
        const QString folder = makeFolder(app.temp("src"), {"a.wpd", "b.wpd", "c.wpd"});
        const QString target = makeFolder(app.temp("out"));
        const QString damaged = QStringLiteral("The document is damaged");
        const QString locked = QStringLiteral("The document is password-protected");
        app.server().failOn("XMLPublish", 440, damaged, target + "/a.xml");
        app.server().failOn("FileOpen", 440, locked, folder + "/b.wpd");
        apptest::runBatch(app, folder, target);
        QCOMPARE(apptest::documentRows(),
                 QStringList({folder + "/c.wpd=Converted", folder + "/b.wpd=Failed",
                              folder + "/a.wpd=Failed"}));
        QCOMPARE(rowHelp(folder + "/a.wpd"),
                 QStringList({folder + "/a.wpd\n" + damaged, damaged, damaged}));
        QCOMPARE(rowHelp(folder + "/b.wpd").at(1), locked);
        QVERIFY(app.calls().contains("XMLPublish(" + target + "/c.xml)"));
        QCOMPARE(app.boxes.count(), 0);
    }

    // File > Batch while a batch runs shows the batch dialog modally again, and its Start drops
    // what the running batch still had queued.
    void secondBatchFromTheMenuTakesOver()
    {
        RunningApp app;
        const QString firstFolder = makeFolder(app.temp("first"), {"a.wpd", "b.wpd", "c.wpd"});
        const QString secondFolder = makeFolder(app.temp("second"), {"x.wpd"});
        const auto startFrom = [&app](const QString& folder) {
            apptest::whenShown<Form1>([&app, folder](Form1*) {
                app.folders.queueFolder(folder);
                Form1::instance()->btnSource->click();
                Form1::instance()->Command1->click();
            });
        };
        bool again = false;
        // Once the first document is open, the batch's next yield lets the user choose the menu.
        app.server().setObserver([&](const platform::ScriptedAutomationServer::Call& call) {
            if (again || call.operation != "FileOpen")
                return;
            again = true;
            startFrom(secondFolder);
            QTimer::singleShot(0, Form2::instance()->mnuBatch, &QAction::trigger);
        });
        gMediator->SetTgtFolder(makeFolder(app.temp("out")));
        startFrom(firstFolder);
        Form2::instance()->mnuBatch->trigger();

        QTRY_COMPARE(apptest::documentRows(), QStringList({secondFolder + "/x.wpd=Converted"}));
        QStringList opened;
        for (const auto& call : app.server().calls()) {
            if (call.operation == "FileOpen")
                opened << call.arguments.first();
        }
        QCOMPARE(opened, QStringList({firstFolder + "/a.wpd", secondFolder + "/x.wpd"}));
        QCOMPARE(QApplication::activeModalWidget(), nullptr);
    }

    // The stored macro is played after moving to the top, and waited for, on every document that
    // is not blank; a stored macro whose file is gone is not played.
    void macroIsPlayedAndWaitedForExceptOnBlankDocuments()
    {
        RunningApp app;
        const QString folder = makeFolder(app.temp("src"), {"a.wpd", "b.wpd", "clean.wcm"});
        const QString target = makeFolder(app.temp("out"));
        const QString macro = folder + "/clean.wcm";
        platform::SaveSetting("quillon", "Options", "macro", macro);
        app.server().queueAnswers("envDocBlank", {true});
        app.server().queueAnswers("envMacroPlaying", {true, true, false});
        apptest::runBatch(app, folder, target);
        QCOMPARE(app.calls(),
                 QStringList({"FileOpen(" + folder + "/a.wpd)", "envDocBlank",
                              "XMLPublishSetJPEGOptions(80)", "XMLPublish(" + target + "/a.xml)",
                              "CloseNoSave", "FileOpen(" + folder + "/b.wpd)", "envDocBlank",
                              "PosDocVeryTop", "MacroFilePlay(" + macro + ")", "envMacroPlaying",
                              "envMacroPlaying", "envMacroPlaying", "XMLPublishSetJPEGOptions(80)",
                              "XMLPublish(" + target + "/b.xml)", "CloseNoSave"}));

        QFile::remove(macro);
        app.server().clearCalls();
        Form1::instance()->Command1->click();
        QCOMPARE(app.calls().mid(0, 4),
                 QStringList({"FileOpen(" + folder + "/a.wpd)", "envDocBlank", "PosDocVeryTop",
                              "XMLPublishSetJPEGOptions(80)"}));
    }

    void largeBatchDoesNotNest()
    {
        RunningApp app;
        QStringList names;
        for (int i = 0; i < 300; ++i)
            names << QStringLiteral("doc%1.wpd").arg(i, 4, 10, QLatin1Char('0'));
        const QString folder = makeFolder(app.temp("src"), names);
        apptest::runBatch(app, folder, makeFolder(app.temp("out")));
        // One document after another, not one inside another: every document is opened from the
        // same depth of the stack (nested, each would be opened at least a frame deeper).
        QVERIFY2(app.server().stackSpread("FileOpen") < 256,
                 qPrintable(QString::number(app.server().stackSpread("FileOpen"))));
        QCOMPARE(Form2::instance()->ListView1->Count(), 300);
        QCOMPARE(row(folder + "/doc0299.wpd"), QStringLiteral("Converted"));
        QCOMPARE(app.calls().count("CloseNoSave"), 300);
    }

    void joiningFolderAndName()
    {
        QCOMPARE(JoinPath("/", "a.wpd"), QStringLiteral("/a.wpd"));
        QCOMPARE(JoinPath("/docs", "a.wpd"), QStringLiteral("/docs/a.wpd"));
        QCOMPARE(JoinPath("/docs/", "a.wpd"), QStringLiteral("/docs/a.wpd"));
        QCOMPARE(TargetFolderFor("/out", "/docs/a.wpd"), QStringLiteral("/out"));
        QCOMPARE(TargetFolderFor("", "/docs/a.wpd"), QStringLiteral("/docs/"));
        QCOMPARE(TargetFolderFor("", "/a.wpd"), QStringLiteral("/"));
    }

    void uncaughtErrorIsShownAndTheProgramGoesOn()
    {
        RunningApp app;
        // Start without a source folder: the folder cannot be listed.
        Form1::instance()->Command1->click();
        QCOMPARE(app.boxes.count(), 1);
        QVERIFY(app.boxes.texts().first().startsWith("Run-time error '76'"));
        QCOMPARE(app.exits.count(), 0);
        QVERIFY(Form2::instance()->isVisible());
    }
};

QTEST_MAIN(ConversionTest)
#include "tst_conversion.moc"
