// Quillon tests: the common file dialog: its filters, and the real dialog behind it.
#include "CommonDialog.h"
#include "Error.h"

#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>

using platform::CommonDialog;

class TestDialogs : public QObject {
    Q_OBJECT

private slots:
    void filterConversion_data()
    {
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QString>("expected");
        QTest::newRow("documents")
            << QStringLiteral("All WordPerfect documents (*.wpd)|*.WPD")
            << QStringLiteral("All WordPerfect documents (*.wpd) (*.[wW][pP][dD])");
        QTest::newRow("macros, no space")
            << QStringLiteral("All WordPerfect Macros(*.wcm)|*.WCM")
            << QStringLiteral("All WordPerfect Macros(*.wcm) (*.[wW][cC][mM])");
        QTest::newRow("pattern only")
            << QStringLiteral("*.xml") << QStringLiteral("*.xml (*.[xX][mM][lL])");
        QTest::newRow("two entries, several patterns")
            << QStringLiteral("Web|*.htm;*.HTML|All|*.*")
            << QStringLiteral("Web (*.[hH][tT][mM] *.[hH][tT][mM][lL]);;All (*.*)");
        QTest::newRow("empty") << QString() << QString();
    }

    void filterConversion()
    {
        QFETCH(QString, filter);
        QFETCH(QString, expected);
        QCOMPARE(CommonDialog::toQtFilter(filter), expected);
    }

    // The real QFileDialog behind the default provider finds documents whatever the case of their
    // extension, by its patterns alone (as a desktop's own dialog that matches names
    // case-sensitively would), and shows the filter's text as written. Closed from a timer, it
    // reports a cancel.
    void defaultFileDialogCancelsCleanly()
    {
        CommonDialog dialog(nullptr);
        dialog.FileName = QStringLiteral("/kept.wpd");
        dialog.Filter = QStringLiteral("All WordPerfect documents (*.wpd)|*.WPD");
        dialog.CancelError = true;
        QStringList filters;
        QString shown;
        QTimer::singleShot(0, this, [&] {
            QTRY_VERIFY(QApplication::activeModalWidget() != nullptr);
            auto* fileDialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            QVERIFY(fileDialog);
            filters = fileDialog->nameFilters();
            shown = fileDialog->findChild<QComboBox*>("fileTypeCombo")->currentText();
            fileDialog->reject();
        });
        try {
            dialog.ShowOpen();
            QFAIL("cancelling did not raise");
        } catch (const platform::Error& e) {
            QCOMPARE(e.number(), platform::err::DialogCancelled);
        }
        QCOMPARE(filters, QStringList{"All WordPerfect documents (*.wpd) (*.[wW][pP][dD])"});
        QCOMPARE(shown, QStringLiteral("All WordPerfect documents (*.wpd)"));
        const QString pattern = filters.value(0).section(u'(', -1).chopped(1);
        QStringList matched;
        for (const char* name : {"a.wpd", "B.WPD", "Report.Wpd", "c.doc", "a.wpd.bak"}) {
            if (QRegularExpression(QRegularExpression::wildcardToRegularExpression(pattern))
                    .match(QLatin1String(name))
                    .hasMatch())
                matched << name;
        }
        QCOMPARE(matched, QStringList({"a.wpd", "B.WPD", "Report.Wpd"}));
    }
};

QTEST_MAIN(TestDialogs)
#include "tst_dialogs.moc"
