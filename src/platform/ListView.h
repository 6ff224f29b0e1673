// Quillon: a list view in report view with keyed rows.
#pragma once

#include <QStringList>
#include <QTableView>

namespace platform {

// A report-view list: rows carry a unique key, sub-item 1 holds a status text, and rows are
// kept sorted by the text of the first column. Lookups by key use an index, never a scan; a
// row is placed by binary search when it is added, and writing a sub-item never moves a row.
//
// A table view over its own row model. Adding a row or writing one of its texts costs a binary
// search plus moving the row pointers after it (and the view's size entries); nothing asks the
// model about every row. Rows are all one height, and only the rows in view are painted.
class ListView final : public QTableView {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ListView)

public:
    explicit ListView(QWidget* parent = nullptr);
    ~ListView() override;

    // Adds a row with this key and first-column text. Raises error 35602 ("Key is not unique
    // in collection") when the key exists already.
    void AddItem(const QString& key, const QString& text);
    // Sets the text of sub-item index (1 = second column) of the row with this key. Raises
    // error 35601 ("Element not found") when no row has the key.
    void SetSubItem(const QString& key, int index, const QString& text);
    // The row's text of the given column; raises 35601 when no row has the key.
    QString SubItem(const QString& key, int index) const;
    // Keeps a text that says more about the row (why its document failed): it is the row's
    // tooltip, after the path in the first column, and its accessible description. Raises
    // 35601 when no row has the key.
    void SetDescription(const QString& key, const QString& text);
    bool Contains(const QString& key) const;
    // Removes all rows.
    void Clear();
    int Count() const;
    // The text shown in row (0 = top) and column; empty outside the list.
    QString RowText(int row, int column) const;
    int columnCount() const;

    // Column headers; the columns grow to hold every label.
    void setHeaderLabels(const QStringList& labels);
    QString headerText(int column) const;
    void setHeaderHidden(bool hidden);
    bool isHeaderHidden() const;
    QHeaderView* header() const { return horizontalHeader(); }

    // Sorting by the first column's text; descending when Descending is set.
    void setSorted(bool sorted);
    bool isSorted() const;
    void setSortDescending(bool descending);
    bool sortDescending() const;
    // Full-row selection, the further display option the main window switches on.
    void setFullRowSelect(bool on);

protected:
    void changeEvent(QEvent* event) override;

private:
    class Rows;

    void updateRowHeight();

    Rows* m_rows;
};

} // namespace platform
