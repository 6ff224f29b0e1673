// Quillon: a list view in report view with keyed rows.
#include "ListView.h"

#include "Error.h"

#include <QHeaderView>

#include <algorithm>

namespace platform {
namespace {

constexpr int kElementNotFound = 35601;

// Case-insensitive order, with the case-sensitive one breaking ties so that the order is total
// and the same whichever way texts arrive.
int compareTexts(const QString& a, const QString& b)
{
    const int c = QString::compare(a, b, Qt::CaseInsensitive);
    return c != 0 ? c : QString::compare(a, b, Qt::CaseSensitive);
}

} // namespace

ListView::ListView(QWidget* parent) : QTreeWidget(parent)
{
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    // Qt's own sorting would move rows whenever a cell changes; rows are placed here instead.
    QTreeWidget::setSortingEnabled(false);
    setColumnCount(2);
}

void ListView::AddItem(const QString& key, const QString& text)
{
    if (m_index.contains(key))
        throw Error(err::KeyNotUnique, QStringLiteral("Key is not unique in collection"));
    auto* item = new QTreeWidgetItem;
    item->setText(0, text);
    const int row = m_sorted ? insertionRow(text) : topLevelItemCount();
    insertTopLevelItem(row, item);
    m_index.insert(key, item);
}

void ListView::SetSubItem(const QString& key, int index, const QString& text)
{
    QTreeWidgetItem* item = m_index.value(key);
    if (!item)
        throw Error(kElementNotFound, QStringLiteral("Element not found"));
    if (index < 0)
        throw Error(err::InvalidArgument, QStringLiteral("Invalid procedure call or argument"));
    if (index >= columnCount())
        setColumnCount(index + 1);
    item->setText(index, text);
}

QString ListView::SubItem(const QString& key, int index) const
{
    const QTreeWidgetItem* item = m_index.value(key);
    if (!item)
        throw Error(kElementNotFound, QStringLiteral("Element not found"));
    return item->text(index);
}

bool ListView::Contains(const QString& key) const
{
    return m_index.contains(key);
}

void ListView::Clear()
{
    m_index.clear();
    clear();
}

int ListView::Count() const
{
    return topLevelItemCount();
}

void ListView::setSorted(bool sorted)
{
    if (m_sorted == sorted)
        return;
    m_sorted = sorted;
    header()->setSortIndicatorShown(sorted);
    if (sorted)
        resort();
}

void ListView::setSortDescending(bool descending)
{
    if (m_descending == descending)
        return;
    m_descending = descending;
    if (m_sorted)
        resort();
}

void ListView::setFullRowSelect(bool on)
{
    setSelectionBehavior(on ? QAbstractItemView::SelectRows : QAbstractItemView::SelectItems);
    setAllColumnsShowFocus(on);
}

// The first position whose text sorts after the new one, so equal texts keep their order of
// arrival.
int ListView::insertionRow(const QString& text) const
{
    int lo = 0;
    int hi = topLevelItemCount();
    while (lo < hi) {
        const int mid = lo + (hi - lo) / 2;
        int c = compareTexts(topLevelItem(mid)->text(0), text);
        if (m_descending)
            c = -c;
        if (c <= 0)
            lo = mid + 1;
        else
            hi = mid;
    }
    return lo;
}

void ListView::resort()
{
    header()->setSortIndicator(0, m_descending ? Qt::DescendingOrder : Qt::AscendingOrder);
    QList<QTreeWidgetItem*> items;
    items.reserve(topLevelItemCount());
    while (topLevelItemCount() > 0)
        items.append(takeTopLevelItem(topLevelItemCount() - 1));
    std::reverse(items.begin(), items.end());
    std::stable_sort(items.begin(), items.end(), [this](QTreeWidgetItem* a, QTreeWidgetItem* b) {
        const int c = compareTexts(a->text(0), b->text(0));
        return m_descending ? c > 0 : c < 0;
    });
    addTopLevelItems(items);
}

} // namespace platform
