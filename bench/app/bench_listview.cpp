// Quillon benchmark: the cost of adding a row to a shown document list, short and long.
//
// Built with the project (target bench_app_listview), never part of the test run:
//
//   QT_QPA_PLATFORM=offscreen build/bin/bench_app_listview [rows] [seconds per list] [lists]
//
// Lists, each shown in a window, are filled the way a batch fills the main window's list: add
// a row, write its status, let the event loop lay out and paint. Rows alternate between
// landing at the top and landing in the middle of the list. For each list it prints the mean
// cost per row over the first and the last thousand rows and their ratio; a list that runs out
// of its time budget stops early and reports the rows it reached. [lists] names the lists to
// fill, separated by commas (default: all three).
//
//   QTreeWidget   the list as it once was: a tree widget with rows placed by binary search
//   QTreeView     a tree view over the list's own sorted row model, uniform row heights
//   ListView      platform::ListView as it is now (a table view over that model)
#include "ListView.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QHash>
#include <QHeaderView>
#include <QTreeView>
#include <QTreeWidget>

#include <cstdio>
#include <functional>
#include <vector>

namespace {

// The first list: every insertion makes the tree schedule a layout of all its rows.
class TreeWidgetList {
public:
    TreeWidgetList()
    {
        tree.setRootIsDecorated(false);
        tree.setUniformRowHeights(true);
        tree.setColumnCount(2);
        tree.setHeaderLabels({QStringLiteral("File Name:"), QStringLiteral("Status:")});
        tree.header()->setSortIndicator(0, Qt::DescendingOrder);
        tree.header()->setSortIndicatorShown(true);
    }
    void add(const QString& text)
    {
        int lo = 0;
        int hi = tree.topLevelItemCount();
        while (lo < hi) {
            const int mid = lo + (hi - lo) / 2;
            const QString other = tree.topLevelItem(mid)->text(0);
            int c = QString::compare(other, text, Qt::CaseInsensitive);
            if (c == 0)
                c = QString::compare(other, text, Qt::CaseSensitive);
            if (-c <= 0)
                lo = mid + 1;
            else
                hi = mid;
        }
        auto* item = new QTreeWidgetItem;
        item->setText(0, text);
        tree.insertTopLevelItem(lo, item);
        index.insert(text, item);
    }
    void setStatus(const QString& key, const QString& status)
    {
        index.value(key)->setText(1, status);
    }

    QTreeWidget tree;
    QHash<QString, QTreeWidgetItem*> index;
};

// Even rows sort above every row so far, odd rows above every odd row but below all even ones.
QString rowText(int i)
{
    return QStringLiteral("/docs/%1/%2.wpd")
        .arg(i % 2 == 0 ? QLatin1Char('b') : QLatin1Char('a'))
        .arg(i, 7, 10, QLatin1Char('0'));
}

struct Result {
    int rows = 0;
    double firstMicros = 0;
    double lastMicros = 0;
};

Result run(QWidget* shown, const std::function<void(const QString&)>& add, int rows, double budget)
{
    shown->resize(760, 460);
    shown->show();
    QApplication::processEvents();
    std::vector<qint64> costs;
    costs.reserve(static_cast<size_t>(rows));
    QElapsedTimer total;
    total.start();
    QElapsedTimer timer;
    for (int i = 0; i < rows; ++i) {
        timer.start();
        add(rowText(i));
        QApplication::processEvents();
        costs.push_back(timer.nsecsElapsed());
        if (total.elapsed() > budget * 1000 && costs.size() >= 2000)
            break;
    }
    const auto mean = [&](size_t from) {
        qint64 sum = 0;
        for (size_t i = from; i < from + 1000; ++i)
            sum += costs[i];
        return sum / 1000.0 / 1000.0;
    };
    Result result;
    result.rows = static_cast<int>(costs.size());
    if (costs.size() >= 2000) {
        result.firstMicros = mean(0);
        result.lastMicros = mean(costs.size() - 1000);
    }
    shown->hide();
    return result;
}

void report(const char* name, const Result& result)
{
    std::printf("%-12s %10d %14.1f %14.1f %8.2f\n", name, result.rows, result.firstMicros,
                result.lastMicros,
                result.firstMicros > 0 ? result.lastMicros / result.firstMicros : 0.0);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    const int rows = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 100000;
    const double budget = argc > 2 ? QString::fromLocal8Bit(argv[2]).toDouble() : 120;
    const QStringList lists =
        QString::fromLocal8Bit(argc > 3 ? argv[3] : "QTreeWidget,QTreeView,ListView")
            .split(QLatin1Char(','));
    const QString converting = QStringLiteral("Converting...");
    const QStringList labels{QStringLiteral("File Name:"), QStringLiteral("Status:")};

    std::printf("%-12s %10s %14s %14s %8s\n", "list", "rows", "first 1k us", "last 1k us", "ratio");
    if (lists.contains(QLatin1String("QTreeWidget"))) {
        TreeWidgetList list;
        report("QTreeWidget", run(
                                  &list.tree,
                                  [&](const QString& text) {
                                      list.add(text);
                                      list.setStatus(text, converting);
                                  },
                                  rows, budget));
    }
    if (lists.contains(QLatin1String("QTreeView"))) {
        platform::ListView rowsOwner; // never shown; supplies the sorted row model
        rowsOwner.setSortDescending(true);
        rowsOwner.setSorted(true);
        rowsOwner.setHeaderLabels(labels);
        QTreeView tree;
        tree.setModel(rowsOwner.model());
        tree.setRootIsDecorated(false);
        tree.setUniformRowHeights(true);
        tree.setItemsExpandable(false);
        tree.header()->setSortIndicator(0, Qt::DescendingOrder);
        tree.header()->setSortIndicatorShown(true);
        report("QTreeView", run(
                                &tree,
                                [&](const QString& text) {
                                    rowsOwner.AddItem(text, text);
                                    rowsOwner.SetSubItem(text, 1, converting);
                                },
                                rows, budget));
    }
    if (lists.contains(QLatin1String("ListView"))) {
        platform::ListView list;
        list.setSortDescending(true);
        list.setSorted(true);
        list.setHeaderLabels(labels);
        report("ListView", run(
                               &list,
                               [&](const QString& text) {
                                   list.AddItem(text, text);
                                   list.SetSubItem(text, 1, converting);
                               },
                               rows, budget));
    }
    return 0;
}
