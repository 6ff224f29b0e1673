// Quillon tests: the keyed, sorted report-view list.
#include "Doubles.h"
#include "ListView.h"

#include <QHeaderView>
#include <QScrollBar>
#include <QTest>

using platform::ListView;

using testsupport::errorNumber;

namespace {

QStringList firstColumn(const ListView& list)
{
    QStringList texts;
    for (int i = 0; i < list.Count(); ++i)
        texts.append(list.RowText(i, 0));
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
    void rowsArePlacedDescendingWhateverTheOrderOfArrival()
    {
        ListView list;
        configure(list);
        QVERIFY(list.header()->isSortIndicatorShown());
        QCOMPARE(list.header()->sortIndicatorSection(), 0);
        QCOMPARE(list.header()->sortIndicatorOrder(), Qt::DescendingOrder);

        // Case is ignored first ("b.wpd" between "C" and "A"), then breaks the tie ("a" > "A").
        for (const char* name : {"/d/b.wpd", "/d/A.wpd", "/d/C.wpd", "/d/a.wpd", "/d/c2.wpd"})
            list.AddItem(QString::fromLatin1(name), QString::fromLatin1(name));
        QCOMPARE(firstColumn(list),
                 (QStringList{"/d/c2.wpd", "/d/C.wpd", "/d/b.wpd", "/d/a.wpd", "/d/A.wpd"}));

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

        // Clear empties rows and keys: a key is free again.
        list.Clear();
        QCOMPARE(list.Count(), 0);
        QVERIFY(!list.Contains(QStringLiteral("k1")));
        list.AddItem(QStringLiteral("k1"), QStringLiteral("a"));
        QCOMPARE(list.columnCount(), 2);
    }

    void statusChangesNeverMoveRows()
    {
        ListView list;
        configure(list);
        list.AddItem(QStringLiteral("/b.wpd"), QStringLiteral("/b.wpd"));
        list.AddItem(QStringLiteral("/a.wpd"), QStringLiteral("/a.wpd"));
        list.AddItem(QStringLiteral("/c.wpd"), QStringLiteral("/c.wpd"));

        list.SetSubItem(QStringLiteral("/a.wpd"), 1, QStringLiteral("Converting..."));
        list.SetSubItem(QStringLiteral("/a.wpd"), 1, QStringLiteral("Converted"));
        // Even rewriting the sort column itself leaves the row where it is.
        list.SetSubItem(QStringLiteral("/c.wpd"), 0, QStringLiteral("/0.wpd"));
        QCOMPARE(list.RowText(2, 1), QStringLiteral("Converted"));
        QCOMPARE(firstColumn(list), (QStringList{"/0.wpd", "/b.wpd", "/a.wpd"}));
    }

    void equalTextsKeepArrivalOrderAndKeysFindTheirRow()
    {
        ListView list;
        configure(list);
        list.AddItem(QStringLiteral("z"), QStringLiteral("/z.wpd"));
        for (int i = 0; i < 5; ++i)
            list.AddItem(QStringLiteral("k%1").arg(i), QStringLiteral("/same.wpd"));
        list.AddItem(QStringLiteral("a"), QStringLiteral("/a.wpd"));
        // Each key reaches its own row among the equal texts, in the order they arrived.
        for (int i = 0; i < 5; ++i)
            list.SetSubItem(QStringLiteral("k%1").arg(i), 1, QString::number(i));
        for (int i = 0; i < 5; ++i)
            QCOMPARE(list.RowText(i + 1, 1), QString::number(i));
        QCOMPARE(list.RowText(6, 0), QStringLiteral("/a.wpd"));
        QCOMPARE(list.RowText(7, 0), QString());
        QCOMPARE(list.RowText(-1, 0), QString());

        // A sub-item beyond the columns adds a column.
        list.SetSubItem(QStringLiteral("a"), 2, QStringLiteral("extra"));
        QCOMPARE(list.columnCount(), 3);
        QCOMPARE(list.SubItem(QStringLiteral("a"), 2), QStringLiteral("extra"));
        QCOMPARE(list.SubItem(QStringLiteral("z"), 2), QString());
    }

    void changingTheOrderKeepsTheSelectedRow()
    {
        ListView list;
        configure(list);
        for (const char* name : {"/b", "/d", "/a", "/c"})
            list.AddItem(QString::fromLatin1(name), QString::fromLatin1(name));
        list.setCurrentIndex(list.model()->index(1, 0)); // "/c"
        QCOMPARE(list.RowText(list.currentIndex().row(), 0), QStringLiteral("/c"));

        list.setSortDescending(false);
        QCOMPARE(firstColumn(list), (QStringList{"/a", "/b", "/c", "/d"}));
        QCOMPARE(list.currentIndex().row(), 2);
        QVERIFY(list.selectionModel()->isSelected(list.model()->index(2, 0)));
        QCOMPARE(list.header()->sortIndicatorOrder(), Qt::AscendingOrder);

        // Unsorted, rows go back to their order of arrival and new ones are appended.
        list.setSorted(false);
        list.AddItem(QStringLiteral("/0"), QStringLiteral("/0"));
        QCOMPARE(firstColumn(list), (QStringList{"/b", "/d", "/a", "/c", "/0"}));
        QCOMPARE(list.RowText(list.currentIndex().row(), 0), QStringLiteral("/c"));
        list.SetSubItem(QStringLiteral("/a"), 1, QStringLiteral("Converted"));
        QCOMPARE(list.RowText(2, 1), QStringLiteral("Converted"));
    }

    void shownListMapsPointsToRowsAndSelectsWholeRows()
    {
        ListView list;
        configure(list);
        list.setFullRowSelect(true);
        list.resize(400, 300);
        for (int i = 0; i < 1000; ++i) {
            const QString text = QStringLiteral("/docs/%1.wpd").arg(i, 4, 10, QLatin1Char('0'));
            list.AddItem(text, text);
            list.SetSubItem(text, 1, QStringLiteral("Converted"));
        }
        list.show();
        QVERIFY(QTest::qWaitForWindowExposed(&list));

        // The bottom row can be scrolled into view and is then found under its own rectangle.
        const QModelIndex last = list.model()->index(999, 1);
        list.scrollTo(last);
        QVERIFY(list.verticalScrollBar()->value() > 0);
        const QRect cell = list.visualRect(last);
        QVERIFY(list.viewport()->rect().contains(cell));
        QCOMPARE(list.indexAt(cell.center()), last);
        QCOMPARE(list.RowText(last.row(), 0), QStringLiteral("/docs/0000.wpd"));

        // A click on the status selects the whole row; the arrow key moves to the row above.
        QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, cell.center());
        QCOMPARE(list.currentIndex().row(), 999);
        QVERIFY(list.selectionModel()->isRowSelected(999, QModelIndex()));
        QTest::keyClick(list.viewport(), Qt::Key_Up);
        QCOMPARE(list.currentIndex().row(), 998);
        QVERIFY(list.selectionModel()->isRowSelected(998, QModelIndex()));
        QVERIFY(!list.selectionModel()->isRowSelected(999, QModelIndex()));

        // Below the last row there is nothing.
        list.scrollTo(list.model()->index(0, 0), QAbstractItemView::PositionAtTop);
        QCOMPARE(list.indexAt(QPoint(5, 2)).row(), 0);
        list.Clear();
        QCOMPARE(list.indexAt(QPoint(5, 2)), QModelIndex());
        QCOMPARE(list.verticalScrollBar()->maximum(), 0);
    }
};

QTEST_MAIN(TestListView)
#include "tst_listview.moc"
