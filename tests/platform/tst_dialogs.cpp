// Quillon tests: the common file dialog component and the folder browser.
#include "CommonDialog.h"
#include "Error.h"
#include "ScriptedFileDialog.h"

#include <QApplication>
#include <QFileDialog>
#include <QTest>
#include <QTimer>

using platform::CommonDialog;
using platform::FileDialogRequest;

class TestDialogs : public QObject {
    Q_OBJECT

private slots:
    void filterConversion_data();
    void filterConversion();
    void openAndSaveAskTheProviderCancelRaisesOnlyWithCancelError();
    void defaultFileDialogCancelsCleanly();
};

void TestDialogs::filterConversion_data()
{
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QString>("expected");
    QTest::newRow("documents") << QStringLiteral("All WordPerfect documents (*.wpd)|*.WPD")
                               << QStringLiteral(
                                      "All WordPerfect documents (*.wpd) (*.[wW][pP][dD])");
    QTest::newRow("macros, no space")
        << QStringLiteral("All WordPerfect Macros(*.wcm)|*.WCM")
        << QStringLiteral("All WordPerfect Macros(*.wcm) (*.[wW][cC][mM])");
    QTest::newRow("pattern only") << QStringLiteral("*.xml")
                                  << QStringLiteral("*.xml (*.[xX][mM][lL])");
    QTest::newRow("two entries, several patterns")
        << QStringLiteral("Web|*.htm;*.HTML|All|*.*")
        << QStringLiteral("Web (*.[hH][tT][mM] *.[hH][tT][mM][lL]);;All (*.*)");
    QTest::newRow("empty") << QString() << QString();
}

void TestDialogs::filterConversion()
{
    QFETCH(QString, filter);
    QFETCH(QString, expected);
    QCOMPARE(CommonDialog::toQtFilter(filter), expected);
}

void TestDialogs::openAndSaveAskTheProviderCancelRaisesOnlyWithCancelError()
{
    testsupport::ScriptedFileDialog dialogs;
    dialogs.queueFile(QStringLiteral("/docs/chosen.wpd"));
    dialogs.queueFile(QStringLiteral("/out/target.xml"));
    dialogs.queueCancel();
    dialogs.queueCancel();

    QWidget owner;
    CommonDialog dialog(&owner);
    dialog.Filter = QStringLiteral("All WordPerfect documents (*.wpd)|*.WPD");
    dialog.Flags = CommonDialog::cdlOFNFileMustExist;
    dialog.DialogTitle = QStringLiteral("Open");
    dialog.ShowOpen();
    QCOMPARE(dialog.FileName, QStringLiteral("/docs/chosen.wpd"));

    dialog.FileName = QStringLiteral("/out/proposed.xml");
    dialog.Filter = QStringLiteral("*.xml");
    dialog.ShowSave();
    QCOMPARE(dialog.FileName, QStringLiteral("/out/target.xml"));

    QCOMPARE(dialogs.count(), 2);
    const FileDialogRequest& open = dialogs.requests().at(0);
    QCOMPARE(open.kind, FileDialogRequest::Kind::Open);
    QVERIFY(open.mustExist);
    QCOMPARE(open.title, QStringLiteral("Open"));
    QCOMPARE(open.filter, QStringLiteral("All WordPerfect documents (*.wpd) (*.[wW][pP][dD])"));
    const FileDialogRequest& save = dialogs.requests().at(1);
    QCOMPARE(save.kind, FileDialogRequest::Kind::Save);
    // The must-exist flag has no effect on a save dialog.
    QVERIFY(!save.mustExist);
    QCOMPARE(save.fileName, QStringLiteral("/out/proposed.xml"));

    // Cancelled, the file name stays; only with CancelError set does cancelling raise.
    dialog.FileName = QStringLiteral("/kept.wpd");
    dialog.ShowOpen();
    QCOMPARE(dialog.FileName, QStringLiteral("/kept.wpd"));

    dialog.CancelError = true;
    try {
        dialog.ShowSave();
        QFAIL("cancelling did not raise");
    } catch (const platform::Error& e) {
        QCOMPARE(e.number(), platform::err::DialogCancelled);
        QCOMPARE(e.description(), QStringLiteral("Cancel was selected."));
    }
    QCOMPARE(dialog.FileName, QStringLiteral("/kept.wpd"));
}

// The real QFileDialog behind the default provider: closed from a timer, it reports a cancel.
void TestDialogs::defaultFileDialogCancelsCleanly()
{
    CommonDialog dialog(nullptr);
    dialog.FileName = QStringLiteral("/kept.wpd");
    dialog.Filter = QStringLiteral("All WordPerfect documents (*.wpd)|*.WPD");
    dialog.CancelError = true;
    bool closed = false;
    QTimer::singleShot(0, this, [&] {
        QTRY_VERIFY(QApplication::activeModalWidget() != nullptr);
        auto* fileDialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        QVERIFY(fileDialog);
        QCOMPARE(fileDialog->nameFilters(),
                 QStringList{QStringLiteral("All WordPerfect documents (*.wpd) (*.[wW][pP][dD])")});
        fileDialog->reject();
        closed = true;
    });
    try {
        dialog.ShowOpen();
        QFAIL("cancelling did not raise");
    } catch (const platform::Error& e) {
        QCOMPARE(e.number(), platform::err::DialogCancelled);
    }
    QVERIFY(closed);
}

QTEST_MAIN(TestDialogs)
#include "tst_dialogs.moc"
