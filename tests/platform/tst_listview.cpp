// Quillon tests: the keyed, sorted report-view list.
#include "Error.h"
#include "ListView.h"

#include <QElapsedTimer>
#include <QHeaderView>
#include <QTest>

using platform::ListView;

namespace {

QStringList firstColumn(const ListView& list)
{
    QStringList texts;
    for (int i = 0; i < list.topLevelItemCount(); ++i)
        texts.append(list.topLevelItem(i)->text(0));
    return texts;
}

int errorNumber(const std::function<void()>& call)
{
    try {
        call();
    } catch (const platform::Error& e) {
        return e.number();
    }
    return 0;
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
    void rowsArePlacedDescendingWhateverTheOrderOfArrival();
    void keysAreUniqueAndLookedUp();
    void statusChangesNeverMoveRows();
    void clearEmptiesRowsAndKeys();
    void manyRowsStayFast();
};

void TestListView::rowsArePlacedDescendingWhateverTheOrderOfArrival()
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

    ListView ascending;
    ascending.setSorted(true);
    for (const char* name : {"b", "c", "a"})
        ascending.AddItem(QString::fromLatin1(name), QString::fromLatin1(name));
    QCOMPARE(firstColumn(ascending), (QStringList{"a", "b", "c"}));
}

void TestListView::keysAreUniqueAndLookedUp()
{
    ListView list;
    configure(list);
    list.AddItem(QStringLiteral("k1"), QStringLiteral("same text"));
    // Keys, not texts, must be unique.
    list.AddItem(QStringLiteral("k2"), QStringLiteral("same text"));
    QCOMPARE(errorNumber([&] { list.AddItem(QStringLiteral("k1"), QStringLiteral("other")); }),
             platform::err::KeyNotUnique);
    QCOMPARE(list.Count(), 2);

    list.SetSubItem(QStringLiteral("k2"), 1, QStringLiteral("Converted"));
    QCOMPARE(list.SubItem(QStringLiteral("k2"), 1), QStringLiteral("Converted"));
    QCOMPARE(list.SubItem(QStringLiteral("k1"), 1), QString());
    QVERIFY(list.Contains(QStringLiteral("k1")));
    QVERIFY(!list.Contains(QStringLiteral("same text")));
    QCOMPARE(errorNumber([&] { list.SetSubItem(QStringLiteral("nope"), 1, QString()); }), 35601);
    QCOMPARE(errorNumber([&] { list.SubItem(QStringLiteral("nope"), 0); }), 35601);
}

void TestListView::statusChangesNeverMoveRows()
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
    QCOMPARE(list.topLevelItem(2)->text(1), QStringLiteral("Converted"));
    QCOMPARE(firstColumn(list), (QStringList{"/0.wpd", "/b.wpd", "/a.wpd"}));
}

void TestListView::clearEmptiesRowsAndKeys()
{
    ListView list;
    configure(list);
    list.AddItem(QStringLiteral("k"), QStringLiteral("t"));
    list.Clear();
    QCOMPARE(list.Count(), 0);
    QVERIFY(!list.Contains(QStringLiteral("k")));
    // The key is free again and the list keeps sorting.
    list.AddItem(QStringLiteral("k"), QStringLiteral("a"));
    list.AddItem(QStringLiteral("j"), QStringLiteral("b"));
    QCOMPARE(firstColumn(list), (QStringList{"b", "a"}));
    QCOMPARE(list.columnCount(), 2);
}

void TestListView::manyRowsStayFast()
{
    ListView list;
    configure(list);
    QElapsedTimer timer;
    timer.start();
    const int rows = 20000;
    for (int i = 0; i < rows; ++i) {
        // Spread over the whole range so rows land everywhere, not only at one end.
        const QString text =
            QStringLiteral("/docs/%1.wpd").arg((i * 7919) % rows, 5, 10, QLatin1Char('0'));
        list.AddItem(text, text);
        list.SetSubItem(text, 1, QStringLiteral("Converted"));
    }
    QVERIFY2(timer.elapsed() < 3000, qPrintable(QStringLiteral("%1 ms").arg(timer.elapsed())));
    QCOMPARE(list.Count(), rows);
    QCOMPARE(list.topLevelItem(0)->text(0), QStringLiteral("/docs/19999.wpd"));
    QCOMPARE(list.topLevelItem(rows - 1)->text(0), QStringLiteral("/docs/00000.wpd"));
}

QTEST_MAIN(TestListView)
#include "tst_listview.moc"
