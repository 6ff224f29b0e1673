// Quillon tests: single-document and batch conversion end to end, and choosing the documents
// and folders, through the real windows with a scripted word processor.
#include "AppHarness.h"
#include "FileListControl.h"
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
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

using apptest::RunningApp;

namespace {

QString row(const QString& path)
{
    return Form2::instance()->ListView1->SubItem(path, 1);
}

QStringList listed()
{
    QStringList names;
    const QListWidget* list = Form1::instance()->List1;
    for (int i = 0; i < list->count(); ++i)
        names << list->item(i)->text();
    return names;
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
    void singleDocument_data();
    void singleDocument();
    void singleDocumentSaveDialogCancelled();
    void singleDocumentFailingCall();
    void singleDocumentRejectedExtension();
    void batch_data();
    void batch();
    void batchDocumentFailureShowsFailedWithTheReasonAndGoesOn();
    void secondBatchFromTheMenuTakesOver();
    void openDialogFindsDocumentsInAnyCase();
    void macroIsPlayedAndWaitedFor();
    void blankDocumentGetsNoMacroCalls();
    void batchWithoutTargetWritesBesideTheDocuments();
    void largeBatchDoesNotNest();
    void sourceFolderListsAcceptedDocumentsOnly();
    void targetFolderCancelledEmptiesIt();
    void joiningFolderAndName();
    void uncaughtErrorIsShownAndTheProgramGoesOn();
};

void ConversionTest::singleDocument_data()
{
    QTest::addColumn<bool>("html");
    QTest::newRow("xml") << false;
    QTest::newRow("html") << true;
}

void ConversionTest::singleDocument()
{
    QFETCH(bool, html);
    RunningApp app;
    QTemporaryDir dir;
    const QString folder = apptest::makeFiles(dir, {"Report.WPD"});
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
    QVERIFY(open.filter.startsWith("All WordPerfect documents"));
    const platform::FileDialogRequest& save = app.files.requests().at(1);
    QCOMPARE(save.kind, platform::FileDialogRequest::Kind::Save);
    QCOMPARE(save.fileName, folder + (html ? "/Report.htm" : "/Report.xml"));
    QVERIFY(save.filter.contains(html ? "*.htm" : "*.xml"));
    // The document is already open while the user confirms the target.
    QCOMPARE(callsWhenSaveShown, QStringList({"FileOpen(" + source + ")"}));

    const QStringList expected =
        html ? QStringList{"FileOpen(" + source + ")", "HTMLPublish(" + chosen + ")", "CloseNoSave"}
             : QStringList{"FileOpen(" + source + ")", "XMLPublishSetJPEGOptions(80)",
                           "XMLPublish(" + chosen + ")", "CloseNoSave"};
    QCOMPARE(app.calls(), expected);
    QCOMPARE(apptest::documentRows(), QStringList({source + "=Converted!"}));
    QCOMPARE(gMediator->GetSourceFile(), source);
    QCOMPARE(gMediator->GetTgtFolder(), folder + "/");
    QCOMPARE(gMediator->stateManager()->currentState(), gMediator->stateManager()->stateOne());
    QCOMPARE(app.boxes.count(), 0);
}

void ConversionTest::singleDocumentSaveDialogCancelled()
{
    RunningApp app;
    QTemporaryDir dir;
    const QString source = apptest::makeFiles(dir, {"a.wpd"}) + "/a.wpd";
    app.files.queueFile(source);
    app.files.queueCancel();
    Form2::instance()->mnuOpen->trigger();
    QCOMPARE(row(source), QStringLiteral("Failed"));
    // Left open; nothing published, nothing closed.
    QCOMPARE(app.calls(), QStringList({"FileOpen(" + source + ")"}));
    QCOMPARE(app.boxes.count(), 0);

    // Cancelling the Open dialog still selects single-document mode and keeps the old choice.
    gMediator->StartStateTwo();
    app.files.queueCancel();
    Form2::instance()->mnuOpen->trigger();
    QCOMPARE(gMediator->stateManager()->currentState(), gMediator->stateManager()->stateOne());
    QCOMPARE(gMediator->GetSourceFile(), source);
}

void ConversionTest::singleDocumentFailingCall()
{
    RunningApp app;
    QTemporaryDir dir;
    const QString source = apptest::makeFiles(dir, {"a.wpd"}) + "/a.wpd";
    app.server().failOn("XMLPublish", 440, "The target folder is not writable");
    app.files.queueFile(source);
    app.files.queueFile(dir.path() + "/a.xml");
    Form2::instance()->mnuOpen->trigger();
    QCOMPARE(row(source), QStringLiteral("Failed"));
    QCOMPARE(rowHelp(source).at(1), QStringLiteral("The target folder is not writable"));
    QVERIFY(!app.calls().contains("CloseNoSave"));
    QCOMPARE(app.boxes.count(), 0);
}

void ConversionTest::singleDocumentRejectedExtension()
{
    RunningApp app;
    QTemporaryDir dir;
    const QString source = apptest::makeFiles(dir, {"notes.txt"}) + "/notes.txt";
    Form2::instance()->ListView1->AddItem("/old.wpd", "/old.wpd");
    app.files.queueFile(source);
    Form2::instance()->mnuOpen->trigger();
    QCOMPARE(Form2::instance()->ListView1->Count(), 0);
    QVERIFY(app.calls().isEmpty());
    QCOMPARE(app.files.count(), 1);
    QCOMPARE(app.boxes.count(), 0);
}

void ConversionTest::batch_data()
{
    QTest::addColumn<bool>("html");
    QTest::newRow("xml") << false;
    QTest::newRow("html") << true;
}

void ConversionTest::batch()
{
    QFETCH(bool, html);
    RunningApp app;
    QTemporaryDir src;
    QTemporaryDir tgt;
    // a.WPD is listed before a.wpd: it keeps the plain name, a.wpd keeps its whole name.
    const QString folder = apptest::makeFiles(src, {"c.WPD", "b.txt", "a.wpd", "a.WPD"});
    if (html)
        chooseHtml();
    apptest::runBatch(app, folder, tgt.path());
    QVERIFY(!Form1::instance()->isVisible());

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
                     << "HTMLPublish(" + tgt.path() + "/" + output + ".html)";
        else
            expected << "XMLPublish(" + tgt.path() + "/" + output + ".xml)";
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

void ConversionTest::batchDocumentFailureShowsFailedWithTheReasonAndGoesOn()
{
    RunningApp app;
    QTemporaryDir src;
    QTemporaryDir tgt;
    const QString folder = apptest::makeFiles(src, {"a.wpd", "b.wpd", "c.wpd"});
    const QString damaged = QStringLiteral("The document is damaged");
    const QString locked = QStringLiteral("The document is password-protected");
    app.server().failOnArgument("XMLPublish", tgt.path() + "/a.xml", 440, damaged);
    app.server().failOnArgument("FileOpen", folder + "/b.wpd", 440, locked);
    apptest::runBatch(app, folder, tgt.path());
    QCOMPARE(apptest::documentRows(),
             QStringList({folder + "/c.wpd=Converted", folder + "/b.wpd=Failed",
                          folder + "/a.wpd=Failed"}));
    QCOMPARE(rowHelp(folder + "/a.wpd"),
             QStringList({folder + "/a.wpd\n" + damaged, damaged, damaged}));
    QCOMPARE(rowHelp(folder + "/b.wpd").at(1), locked);
    QVERIFY(app.calls().contains("XMLPublish(" + tgt.path() + "/c.xml)"));
    QCOMPARE(app.boxes.count(), 0);
}

// File > Batch while a batch runs shows the batch dialog modally again, and its Start drops
// what the running batch still had queued.
void ConversionTest::secondBatchFromTheMenuTakesOver()
{
    RunningApp app;
    QTemporaryDir first;
    QTemporaryDir second;
    QTemporaryDir tgt;
    const QString firstFolder = apptest::makeFiles(first, {"a.wpd", "b.wpd", "c.wpd"});
    const QString secondFolder = apptest::makeFiles(second, {"x.wpd"});
    const auto startFrom = [&app](const QString& folder) {
        apptest::whenModal("Form1", [&app, folder](QWidget*) {
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
    gMediator->SetTgtFolder(tgt.path());
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

// The real Open dialog of File > Open finds documents whatever the case of their extension,
// by its patterns alone (as a desktop's own dialog that matches names case-sensitively would),
// and shows the filter's text as written.
void ConversionTest::openDialogFindsDocumentsInAnyCase()
{
    RunningApp app;
    platform::setFileDialogProvider(nullptr);
    QString filter;
    QString type;
    QTimer::singleShot(0, [&] {
        if (auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) {
            filter = dialog->nameFilters().value(0);
            type = dialog->findChild<QComboBox*>("fileTypeCombo")->currentText();
            dialog->reject();
        }
    });
    Form2::instance()->mnuOpen->trigger();
    const QStringList patterns =
        filter.mid(filter.lastIndexOf('(') + 1).chopped(1).split(' ', Qt::SkipEmptyParts);
    QStringList matched;
    for (const char* name : {"a.wpd", "B.WPD", "Report.Wpd", "c.doc", "a.wpd.bak"}) {
        for (const QString& pattern : patterns) {
            if (QRegularExpression(QRegularExpression::wildcardToRegularExpression(pattern))
                    .match(name)
                    .hasMatch()) {
                matched << name;
                break;
            }
        }
    }
    QCOMPARE(matched, QStringList({"a.wpd", "B.WPD", "Report.Wpd"}));
    QCOMPARE(type, QStringLiteral("All WordPerfect documents (*.wpd)"));
}

void ConversionTest::macroIsPlayedAndWaitedFor()
{
    RunningApp app;
    QTemporaryDir src;
    QTemporaryDir tgt;
    const QString folder = apptest::makeFiles(src, {"a.wpd", "clean.wcm"});
    const QString macro = folder + "/clean.wcm";
    platform::SaveSetting("quillon", "Options", "macro", macro);
    app.server().queueAnswers("envMacroPlaying", {true, true, false});
    apptest::runBatch(app, folder, tgt.path());
    QCOMPARE(app.calls(),
             QStringList({"FileOpen(" + folder + "/a.wpd)", "envDocBlank", "PosDocVeryTop",
                          "MacroFilePlay(" + macro + ")", "envMacroPlaying", "envMacroPlaying",
                          "envMacroPlaying", "XMLPublishSetJPEGOptions(80)",
                          "XMLPublish(" + tgt.path() + "/a.xml)", "CloseNoSave"}));

    // A stored macro whose file is gone is not played.
    QFile::remove(macro);
    app.server().clearCalls();
    Form1::instance()->Command1->click();
    QCOMPARE(app.calls().mid(0, 4), QStringList({"FileOpen(" + folder + "/a.wpd)", "envDocBlank",
                                                 "PosDocVeryTop", "XMLPublishSetJPEGOptions(80)"}));
}

void ConversionTest::blankDocumentGetsNoMacroCalls()
{
    RunningApp app;
    QTemporaryDir src;
    QTemporaryDir tgt;
    const QString folder = apptest::makeFiles(src, {"a.wpd", "clean.wcm"});
    platform::SaveSetting("quillon", "Options", "macro", folder + "/clean.wcm");
    app.server().queueAnswers("envDocBlank", {true});
    apptest::runBatch(app, folder, tgt.path());
    QCOMPARE(app.calls(), QStringList({"FileOpen(" + folder + "/a.wpd)", "envDocBlank",
                                       "XMLPublishSetJPEGOptions(80)",
                                       "XMLPublish(" + tgt.path() + "/a.xml)", "CloseNoSave"}));
}

void ConversionTest::batchWithoutTargetWritesBesideTheDocuments()
{
    RunningApp app;
    QTemporaryDir src;
    const QString folder = apptest::makeFiles(src, {"a.wpd"});
    apptest::runBatch(app, folder, QString());
    QCOMPARE(gMediator->GetTgtFolder(), QString());
    QVERIFY(app.calls().contains("XMLPublish(" + folder + "/a.xml)"));
    for (const QString& call : app.calls())
        QVERIFY2(!call.contains("(/a.xml)"), qPrintable(call));
    QCOMPARE(row(folder + "/a.wpd"), QStringLiteral("Converted"));
}

void ConversionTest::largeBatchDoesNotNest()
{
    RunningApp app;
    QTemporaryDir src;
    QTemporaryDir tgt;
    QStringList names;
    for (int i = 0; i < 300; ++i)
        names << QStringLiteral("doc%1.wpd").arg(i, 4, 10, QLatin1Char('0'));
    const QString folder = apptest::makeFiles(src, names);
    apptest::runBatch(app, folder, tgt.path());
    // One document after another, not one inside another: every document is opened from the
    // same depth of the stack (nested, each would be opened at least a frame deeper).
    QVERIFY2(app.server().stackSpread("FileOpen") < 256,
             qPrintable(QString::number(app.server().stackSpread("FileOpen"))));
    QCOMPARE(Form2::instance()->ListView1->Count(), 300);
    QCOMPARE(row(folder + "/doc0299.wpd"), QStringLiteral("Converted"));
    QCOMPARE(app.calls().count("CloseNoSave"), 300);
}

void ConversionTest::sourceFolderListsAcceptedDocumentsOnly()
{
    RunningApp app;
    QTemporaryDir first;
    QTemporaryDir second;
    const QString firstFolder =
        apptest::makeFiles(first, {"b.WPD", "a.wpd", "c.doc", ".hidden.wpd", "d.wp"});
    const QString secondFolder = apptest::makeFiles(second, {"z.wpd"});
    Form2::instance()->ListView1->AddItem("/old.wpd", "/old.wpd");
    Form1* batch = Form1::instance();

    app.folders.queueFolder(firstFolder);
    batch->btnSource->click();
    QCOMPARE(listed(), QStringList({"a.wpd", "b.WPD"}));
    QCOMPARE(batch->txtSrcFolder->text(), firstFolder);
    QCOMPARE(gMediator->GetSourceFolder(), firstFolder);
    QCOMPARE(app.folders.titles(), QStringList({"Select a Source Folder"}));

    app.folders.queueCancel();
    batch->btnSource->click();
    QCOMPARE(listed(), QStringList({"a.wpd", "b.WPD"}));
    QCOMPARE(gMediator->GetSourceFolder(), firstFolder);

    app.folders.queueFolder(secondFolder);
    batch->btnSource->click();
    QCOMPARE(listed(), QStringList({"z.wpd"}));
    // Neither the document list nor the mode are touched.
    QCOMPARE(Form2::instance()->ListView1->Count(), 1);
    QCOMPARE(gMediator->stateManager()->currentState(), gMediator->stateManager()->stateThree());
    QVERIFY(app.calls().isEmpty());

    // The root folder, which a test cannot fill, listed as if it held these files: its
    // documents are previewed and converted from "/name", with one separator.
    Form2::instance()->FileList->setLister([](const QDir& folder) {
        return folder.isRoot() ? QStringList{"b.WPD", "a.wpd", "c.doc"} : QStringList{};
    });
    app.folders.queueFolder("/");
    batch->btnSource->click();
    QCOMPARE(listed(), QStringList({"a.wpd", "b.WPD"}));
    app.folders.queueFolder(secondFolder);
    batch->btnTarget->click();
    batch->Command1->click();
    QCOMPARE(app.calls().filter("Open"), QStringList({"FileOpen(/a.wpd)", "FileOpen(/b.WPD)"}));
    QCOMPARE(app.calls().filter("XMLPublish("),
             QStringList({"XMLPublish(" + secondFolder + "/a.xml)",
                          "XMLPublish(" + secondFolder + "/b.xml)"}));
}

void ConversionTest::targetFolderCancelledEmptiesIt()
{
    RunningApp app;
    QTemporaryDir tgt;
    Form1* batch = Form1::instance();
    app.folders.queueFolder(tgt.path());
    batch->btnTarget->click();
    QCOMPARE(batch->txtTgtFolder->text(), tgt.path());
    QCOMPARE(gMediator->GetTgtFolder(), tgt.path());
    app.folders.queueCancel();
    batch->btnTarget->click();
    QCOMPARE(batch->txtTgtFolder->text(), QString());
    QCOMPARE(gMediator->GetTgtFolder(), QString());
    QCOMPARE(app.folders.titles().last(), QStringLiteral("Select a Target Folder"));

    // Cancel keeps the choices; the close box unloads the dialog, not the coordinator's folders.
    app.folders.queueFolder(tgt.path());
    batch->btnTarget->click();
    batch->Command2->click();
    QVERIFY(!batch->isVisible());
    QCOMPARE(Form1::instance()->txtTgtFolder->text(), tgt.path());
    Form1::instance()->close();
    QVERIFY(!Form1::IsLoaded());
    QCOMPARE(Form1::instance()->txtTgtFolder->text(), QString());
    QCOMPARE(gMediator->GetTgtFolder(), tgt.path());
}

void ConversionTest::joiningFolderAndName()
{
    QCOMPARE(JoinPath("/", "a.wpd"), QStringLiteral("/a.wpd"));
    QCOMPARE(JoinPath("/docs", "a.wpd"), QStringLiteral("/docs/a.wpd"));
    QCOMPARE(JoinPath("/docs/", "a.wpd"), QStringLiteral("/docs/a.wpd"));
    QCOMPARE(TargetFolderFor("/out", "/docs/a.wpd"), QStringLiteral("/out"));
    QCOMPARE(TargetFolderFor("", "/docs/a.wpd"), QStringLiteral("/docs/"));
    QCOMPARE(TargetFolderFor("", "/a.wpd"), QStringLiteral("/"));
}

void ConversionTest::uncaughtErrorIsShownAndTheProgramGoesOn()
{
    RunningApp app;
    // Start without a source folder: the folder cannot be listed.
    Form1::instance()->Command1->click();
    QCOMPARE(app.boxes.count(), 1);
    QVERIFY(app.boxes.texts().first().startsWith("Run-time error '76'"));
    QCOMPARE(app.exits.count(), 0);
    QVERIFY(Form2::instance()->isVisible());
}

QTEST_MAIN(ConversionTest)
#include "tst_conversion.moc"
