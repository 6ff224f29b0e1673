// Quillon tests: the keyed, sorted report-view list.
#include "Doubles.h"
#include "ListView.h"

#include <QHeaderView>
#include <QScreen>
#include <QScrollBar>
#include <QTest>

using platform::ListView;

using testsupport::errorNumber;

namespace {

QStringList column(const ListView& list, int column)
{
    QStringList texts;
    for (int i = 0; i < list.Count(); ++i)
        texts.append(list.RowText(i, column));
    return texts;
}

// Configured like the main window's document list.
void configure(ListView& list)
{
    list.setHeaderLabels({QStringLiteral("File Name:"), QStringLiteral("Status:")});
    list.setSortDescending(true);
    list.setSorted(true);
}

} // namespace

class TestListView : public QObject {
    Q_OBJECT

private slots:
    void rowsArePlacedByTextAndNeverMovedAfterwards()
    {
        ListView list;
        configure(list);
        QCOMPARE(list.header()->sortIndicatorOrder(), Qt::DescendingOrder);

        // Case is ignored first ("b.wpd" between "C" and "A"), then breaks the tie ("a" > "A");
        // equal texts keep their order of arrival.
        for (const char* name : {"/d/b.wpd", "/d/A.wpd", "/d/C.wpd", "/d/a.wpd", "/d/c2.wpd"})
            list.AddItem(QString::fromLatin1(name), QString::fromLatin1(name));
        list.AddItem(QStringLiteral("k1"), QStringLiteral("/d/b.wpd"));
        QCOMPARE(column(list, 0), (QStringList{"/d/c2.wpd", "/d/C.wpd", "/d/b.wpd", "/d/b.wpd",
                                               "/d/a.wpd", "/d/A.wpd"}));

        // Each key reaches its own row, and writing a cell, even the sorted one, moves nothing.
        list.SetSubItem(QStringLiteral("k1"), 1, QStringLiteral("Converting..."));
        list.SetSubItem(QStringLiteral("/d/b.wpd"), 1, QStringLiteral("Converted"));
        list.SetSubItem(QStringLiteral("/d/c2.wpd"), 0, QStringLiteral("/0.wpd"));
        QCOMPARE(column(list, 1), (QStringList{"", "", "Converted", "Converting...", "", ""}));
        QCOMPARE(list.RowText(0, 0), QStringLiteral("/0.wpd"));
        QCOMPARE(list.RowText(6, 0), QString());
        QCOMPARE(list.RowText(-1, 0), QString());

        // Many rows, landing everywhere rather than only at one end.
        list.Clear();
        for (int i = 0; i < 2000; ++i) {
            const QString text =
                QStringLiteral("/%1").arg((i * 7919) % 2000, 4, 10, QLatin1Char('0'));
            list.AddItem(text, text);
        }
        QCOMPARE(list.RowText(0, 0), QStringLiteral("/1999"));
        QCOMPARE(list.RowText(1999, 0), QStringLiteral("/0000"));
    }

    void keysAreUniqueAndLookedUp()
    {
        ListView list;
        configure(list);
        list.AddItem(QStringLiteral("k1"), QStringLiteral("same text"));
        // Keys, not texts, must be unique.
        list.AddItem(QStringLiteral("k2"), QStringLiteral("same text"));
        // The number callers rely on, not the constant that names it.
        QCOMPARE(errorNumber([&] { list.AddItem(QStringLiteral("k1"), QStringLiteral("other")); }),
                 35602);
        QCOMPARE(list.Count(), 2);

        list.SetSubItem(QStringLiteral("k2"), 1, QStringLiteral("Converted"));
        QCOMPARE(list.SubItem(QStringLiteral("k2"), 1), QStringLiteral("Converted"));
        QCOMPARE(list.SubItem(QStringLiteral("k1"), 1), QString());
        QVERIFY(list.Contains(QStringLiteral("k1")));
        QVERIFY(!list.Contains(QStringLiteral("same text")));
        QCOMPARE(errorNumber([&] { list.SetSubItem(QStringLiteral("nope"), 1, QString()); }),
                 35601);
        QCOMPARE(errorNumber([&] { list.SubItem(QStringLiteral("nope"), 0); }), 35601);

        // A sub-item beyond the columns adds a column.
        list.SetSubItem(QStringLiteral("k1"), 2, QStringLiteral("extra"));
        QCOMPARE(list.columnCount(), 3);
        QCOMPARE(list.SubItem(QStringLiteral("k2"), 2), QString());

        // Clear empties rows and keys: a key is free again.
        list.Clear();
        QCOMPARE(list.Count(), 0);
        QVERIFY(!list.Contains(QStringLiteral("k1")));
        list.AddItem(QStringLiteral("k1"), QStringLiteral("a"));
    }

    void changingTheOrderKeepsTheSelectedRow()
    {
        ListView list;
        configure(list);
        for (const char* name : {"/b", "/d", "/a", "/c"})
            list.AddItem(QString::fromLatin1(name), QString::fromLatin1(name));
        list.setCurrentIndex(list.model()->index(1, 0)); // "/c"

        list.setSortDescending(false);
        QCOMPARE(column(list, 0), (QStringList{"/a", "/b", "/c", "/d"}));
        QCOMPARE(list.currentIndex().row(), 2);
        QVERIFY(list.selectionModel()->isSelected(list.model()->index(2, 0)));
        QCOMPARE(list.header()->sortIndicatorOrder(), Qt::AscendingOrder);

        // Unsorted, rows go back to their order of arrival and new ones are appended.
        list.setSorted(false);
        list.AddItem(QStringLiteral("/0"), QStringLiteral("/0"));
        QCOMPARE(column(list, 0), (QStringList{"/b", "/d", "/a", "/c", "/0"}));
        QCOMPARE(list.RowText(list.currentIndex().row(), 0), QStringLiteral("/c"));
        list.SetSubItem(QStringLiteral("/a"), 1, QStringLiteral("Converted"));
        QCOMPARE(list.RowText(2, 1), QStringLiteral("Converted"));
    }

    // Adding a row repaints only the rows that move: what is on screen must still be what the
    // list paints afresh, whether rows land above, inside or below the rows in view.
    void shownListRepaintsWhatAddedRowsMove()
    {
        ListView list;
        configure(list);
        list.resize(300, 200);
        list.show();
        QVERIFY(QTest::qWaitForWindowExposed(&list));
        int stale = 0;
        for (int i = 0; i < 120; ++i) {
            const QString text = QStringLiteral("/%1").arg((i * 37) % 120, 3, 10, QLatin1Char('0'));
            list.AddItem(text, text);
            if (i == 60)
                list.verticalScrollBar()->setValue(list.verticalScrollBar()->maximum() / 2);
            QCoreApplication::processEvents();
            const QImage shown = list.screen()->grabWindow(list.winId()).toImage();
            if (shown.convertToFormat(QImage::Format_RGB32) !=
                list.grab().toImage().convertToFormat(QImage::Format_RGB32))
                ++stale;
        }
        QCOMPARE(stale, 0);
    }
};

QTEST_MAIN(TestListView)
#include "tst_listview.moc"
