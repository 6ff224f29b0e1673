// Quillon tests: setting up and starting a batch in the batch dialog.
#include "AppHarness.h"

#include "core/General.h"
#include "core/Mediator.h"
#include "core/StateManager.h"
#include "platform/FileListControl.h"
#include "platform/ListView.h"
#include "ui/Form1.h"
#include "ui/Form2.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
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

} // namespace

class TestBatchDialog : public QObject {
    Q_OBJECT

private slots:
    void choosingFoldersFillsBoxesAndList();
    void startIgnoresTypedSourceFolder();
    void choicesOutliveCancelButNotTheCloseBox();
};

void TestBatchDialog::choosingFoldersFillsBoxesAndList()
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
    QCOMPARE(gMediator->stateManager()->currentState(), gMediator->stateManager()->stateThree());
    QVERIFY(app.calls().isEmpty());

    // The root folder, which a test cannot fill, listed as if it held these files: its
    // documents are previewed and converted from "/name", with one separator.
    Form2::instance()->FileList->setLister([](const QDir& folder) {
        return folder.isRoot() ? QStringList{"b.WPD", "a.wpd", "c.doc"} : QStringList{};
    });
    apptest::runBatch(app, "/", target);
    QCOMPARE(app.calls().filter("Open"), QStringList({"FileOpen(/a.wpd)", "FileOpen(/b.WPD)"}));
    QCOMPARE(app.calls().filter("XMLPublish("),
             QStringList({"XMLPublish(" + target + "/a.xml)", "XMLPublish(" + target + "/b.xml)"}));
}

void TestBatchDialog::startIgnoresTypedSourceFolder()
{
    RunningApp app;
    const QString chosen = makeFolder(app.temp("chosen"), {"a.wpd", "b.wpd"});
    const QString typed = makeFolder(app.temp("typed"), {"x.wpd"});
    const QString target = makeFolder(app.temp("out"));
    Form1* batch = Form1::instance();
    batch->show();
    app.folders.queueFolder(chosen);
    batch->btnSource->click();
    app.folders.queueFolder(target);
    batch->btnTarget->click();

    batch->txtSrcFolder->setText(typed);
    batch->Command1->click();

    QVERIFY(!batch->isVisible());
    // The newest row goes in on top.
    QCOMPARE(apptest::documentRows(), convertedRows(chosen, {"b.wpd", "a.wpd"}));
    QVERIFY(!app.calls().join(QLatin1Char('\n')).contains(typed));
    QCOMPARE(app.boxes.count(), 0);
}

// File > Batch: choose the folders, Cancel; shown again, the choices are there. The close box
// unloads the dialog, yet the coordinator keeps the folders, which Start on the fresh dialog
// converts once its modal wait has ended.
void TestBatchDialog::choicesOutliveCancelButNotTheCloseBox()
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
        shown << batch->txtSrcFolder->text() << batch->txtTgtFolder->text() << listed(batch->List1);
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

QTEST_MAIN(TestBatchDialog)
#include "tst_batchdialog.moc"
