// Quillon: a list view in report view with keyed rows.
#pragma once

#include <QHash>
#include <QTreeWidget>

namespace platform {

// A report-view list: rows carry a unique key, sub-item 1 holds a status text, and rows are
// kept sorted by the text of the first column. Lookups by key use an index, never a scan; a
// row is placed by binary search when it is added, and writing a sub-item never moves a row.
class ListView final : public QTreeWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ListView)

public:
    explicit ListView(QWidget* parent = nullptr);

    // Adds a row with this key and first-column text. Raises error 35602 ("Key is not unique
    // in collection") when the key exists already.
    void AddItem(const QString& key, const QString& text);
    // Sets the text of sub-item index (1 = second column) of the row with this key. Raises
    // error 35601 ("Element not found") when no row has the key.
    void SetSubItem(const QString& key, int index, const QString& text);
    // The row's text of the given column; raises 35601 when no row has the key.
    QString SubItem(const QString& key, int index) const;
    bool Contains(const QString& key) const;
    // Removes all rows.
    void Clear();
    int Count() const;

    // Sorting by the first column's text; descending when Descending is set.
    void setSorted(bool sorted);
    bool isSorted() const { return m_sorted; }
    void setSortDescending(bool descending);
    bool sortDescending() const { return m_descending; }
    // Full-row selection, the further display option the main window switches on.
    void setFullRowSelect(bool on);

private:
    int insertionRow(const QString& text) const;
    void resort();

    QHash<QString, QTreeWidgetItem*> m_index;
    bool m_sorted = false;
    bool m_descending = false;
};

} // namespace platform
