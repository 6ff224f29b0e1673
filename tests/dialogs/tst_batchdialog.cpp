// Quillon tests: setting up and starting a batch in the batch dialog.
#include "DialogHarness.h"

#include "core/General.h"
#include "core/Mediator.h"
#include "platform/ListView.h"
#include "ui/Form1.h"
#include "ui/Form2.h"

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QtTest>

namespace {

QStringList listed(const QListWidget* list)
{
    QStringList names;
    for (int row = 0; row < list->count(); ++row) {
        names << list->item(row)->text();
    }
    return names;
}

QStringList convertedRows(const QString& folder, const QStringList& names)
{
    QStringList rows;
    for (const QString& name : names) {
        rows << folder + QLatin1Char('/') + name + QStringLiteral("|Converted");
    }
    return rows;
}

} // namespace

class TestBatchDialog : public QObject {
    Q_OBJECT

private slots:
    void choosingFoldersFillsBoxesAndList();
    void startIgnoresTypedSourceFolder();
    void cancelKeepsChoicesForNextShowing();
    void closeBoxUnloadsButCoordinatorKeepsFolders();
};

void TestBatchDialog::choosingFoldersFillsBoxesAndList()
{
    dialogs::Harness harness;
    harness.start();
    const QString first =
        harness.makeFolder(QStringLiteral("first"), {"a.wpd", "b.WPD", "c.doc", "notes.txt"});
    const QString second = harness.makeFolder(QStringLiteral("second"), {"d.wpd"});
    const QString empty = harness.makeFolder(QStringLiteral("empty"), {"e.doc"});
    const QString target = harness.makeFolder(QStringLiteral("out"));
    Form1* batch = Form1::instance();
    batch->show();

    harness.folders.queueFolder(first);
    batch->btnSource->click();
    QCOMPARE(batch->txtSrcFolder->text(), first);
    QCOMPARE(listed(batch->List1), (QStringList{"a.wpd", "b.WPD"}));

    harness.folders.queueFolder(second);
    batch->btnSource->click();
    QCOMPARE(batch->txtSrcFolder->text(), second);
    QCOMPARE(listed(batch->List1), QStringList{"d.wpd"});

    // A cancelled source browser changes nothing.
    harness.folders.queueCancel();
    batch->btnSource->click();
    QCOMPARE(batch->txtSrcFolder->text(), second);
    QCOMPARE(listed(batch->List1), QStringList{"d.wpd"});

    harness.folders.queueFolder(empty);
    batch->btnSource->click();
    QCOMPARE(batch->txtSrcFolder->text(), empty);
    QCOMPARE(batch->List1->count(), 0);

    harness.folders.queueFolder(target);
    batch->btnTarget->click();
    QCOMPARE(batch->txtTgtFolder->text(), target);
    // A cancelled target browser empties the target.
    harness.folders.queueCancel();
    batch->btnTarget->click();
    QCOMPARE(batch->txtTgtFolder->text(), QString());
    QCOMPARE(gMediator->GetTgtFolder(), QString());

    QCOMPARE(harness.folders.titles(),
             (QStringList{"Select a Source Folder", "Select a Source Folder",
                          "Select a Source Folder", "Select a Source Folder",
                          "Select a Target Folder", "Select a Target Folder"}));
    QCOMPARE(Form2::instance()->ListView1->Count(), 0);
}

void TestBatchDialog::startIgnoresTypedSourceFolder()
{
    dialogs::Harness harness;
    harness.start();
    const QString chosen = harness.makeFolder(QStringLiteral("chosen"), {"a.wpd", "b.wpd"});
    const QString typed = harness.makeFolder(QStringLiteral("typed"), {"x.wpd"});
    const QString target = harness.makeFolder(QStringLiteral("out"));
    Form1* batch = Form1::instance();
    batch->show();
    harness.folders.queueFolder(chosen);
    batch->btnSource->click();
    harness.folders.queueFolder(target);
    batch->btnTarget->click();

    batch->txtSrcFolder->setText(typed);
    batch->Command1->click();

    QVERIFY(!batch->isVisible());
    // The newest row goes in on top.
    QCOMPARE(dialogs::Harness::documentRows(), convertedRows(chosen, {"b.wpd", "a.wpd"}));
    QVERIFY(!harness.server->callLog().join(QLatin1Char('\n')).contains(typed));
    QCOMPARE(harness.boxes.count(), 0);
}

void TestBatchDialog::cancelKeepsChoicesForNextShowing()
{
    dialogs::Harness harness;
    harness.start();
    const QString source = harness.makeFolder(QStringLiteral("src"), {"a.wpd", "b.wpd", "c.wpd"});
    const QString target = harness.makeFolder(QStringLiteral("out"));

    // File > Batch: choose the folders, then Cancel.
    auto shown = dialogs::whenShown<Form1>([&](Form1* batch) {
        harness.folders.queueFolder(source);
        batch->btnSource->click();
        harness.folders.queueFolder(target);
        batch->btnTarget->click();
        batch->Command2->click();
    });
    Form2::instance()->mnuBatch->trigger();
    QVERIFY(*shown);
    QVERIFY(Form1::IsLoaded());
    QCOMPARE(Form2::instance()->ListView1->Count(), 0);

    // File > Batch again: the choices are still there, and Start uses them.
    QString sourceShown;
    QString targetShown;
    QStringList listShown;
    shown = dialogs::whenShown<Form1>([&](Form1* batch) {
        sourceShown = batch->txtSrcFolder->text();
        targetShown = batch->txtTgtFolder->text();
        listShown = listed(batch->List1);
        batch->Command1->click();
    });
    Form2::instance()->mnuBatch->trigger();
    QVERIFY(*shown);
    QCOMPARE(sourceShown, source);
    QCOMPARE(targetShown, target);
    QCOMPARE(listShown, (QStringList{"a.wpd", "b.wpd", "c.wpd"}));
    // The batch starts once the dialog's modal wait has ended.
    QCOMPARE(QApplication::activeModalWidget(), nullptr);
    QTRY_COMPARE(dialogs::Harness::documentRows(),
                 convertedRows(source, {"c.wpd", "b.wpd", "a.wpd"}));
}

void TestBatchDialog::closeBoxUnloadsButCoordinatorKeepsFolders()
{
    dialogs::Harness harness;
    harness.start();
    const QString source = harness.makeFolder(QStringLiteral("src"), {"a.wpd"});
    const QString target = harness.makeFolder(QStringLiteral("out"));
    QPointer<Form1> batch = Form1::instance();
    batch->show();
    harness.folders.queueFolder(source);
    batch->btnSource->click();
    harness.folders.queueFolder(target);
    batch->btnTarget->click();

    batch->close();
    QVERIFY(!Form1::IsLoaded());
    QTRY_VERIFY(batch.isNull());

    Form1* again = Form1::instance();
    QCOMPARE(again->txtSrcFolder->text(), QString());
    QCOMPARE(again->txtTgtFolder->text(), QString());
    QCOMPARE(again->List1->count(), 0);
    QCOMPARE(gMediator->GetSourceFolder(), source);
    QCOMPARE(gMediator->GetTgtFolder(), target);

    // Start on the fresh dialog still converts the folders the coordinator kept.
    again->show();
    again->Command1->click();
    QCOMPARE(dialogs::Harness::documentRows(), convertedRows(source, {"a.wpd"}));
}

QTEST_MAIN(TestBatchDialog)
#include "tst_batchdialog.moc"
