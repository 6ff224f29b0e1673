// Quillon: a list view in report view with keyed rows.
#include "ListView.h"

#include "Error.h"

#include <QAbstractTableModel>
#include <QEvent>
#include <QHash>
#include <QHeaderView>
#include <QSignalBlocker>

#include <algorithm>
#include <vector>

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

// The rows, top to bottom, as a table model. Each row is a record reached from its key through
// a hash; its position is found again by binary search on the record's place in the order, so
// neither a lookup nor an update walks the rows.
class ListView::Rows final : public QAbstractTableModel {
public:
    struct Record {
        QString key;
        // The first column's text when the row was placed: rewriting the first column never
        // moves a row, so the order stays the one these texts had.
        QString sortText;
        QList<QString> texts;
        quint64 arrival = 0;
        QString description;
    };

    explicit Rows(QObject* parent) : QAbstractTableModel(parent) {}
    ~Rows() override { qDeleteAll(m_order); }
    Q_DISABLE_COPY_MOVE(Rows)

    int rowCount(const QModelIndex& parent = QModelIndex()) const override
    {
        return parent.isValid() ? 0 : static_cast<int>(m_order.size());
    }
    int columnCount(const QModelIndex& parent = QModelIndex()) const override
    {
        return parent.isValid() ? 0 : m_columns;
    }
    QVariant data(const QModelIndex& index, int role) const override
    {
        if (!index.isValid() || index.row() >= rowCount())
            return QVariant();
        const QString& description = m_order[static_cast<size_t>(index.row())]->description;
        switch (role) {
        case Qt::DisplayRole:
            return text(index.row(), index.column());
        case Qt::ToolTipRole: {
            // A path too long for its column can still be read in full from the tooltip.
            QStringList lines;
            if (index.column() == 0)
                lines << text(index.row(), 0);
            if (!description.isEmpty())
                lines << description;
            return lines.isEmpty() ? QVariant() : QVariant(lines.join(QLatin1Char('\n')));
        }
        case Qt::AccessibleDescriptionRole:
            return description.isEmpty() ? QVariant() : QVariant(description);
        default:
            return QVariant();
        }
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
            return QVariant();
        return section < m_labels.size() ? m_labels.at(section) : QString::number(section + 1);
    }
    Qt::ItemFlags flags(const QModelIndex& index) const override
    {
        if (!index.isValid())
            return Qt::NoItemFlags;
        return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
    }

    QString text(int row, int column) const
    {
        if (row < 0 || row >= rowCount())
            return QString();
        return m_order[static_cast<size_t>(row)]->texts.value(column);
    }
    const Record* find(const QString& key) const { return m_byKey.value(key); }
    Record* find(const QString& key) { return m_byKey.value(key); }

    // Returns the row the new record went to.
    int add(const QString& key, const QString& text)
    {
        auto* record = new Record{key, text, {text}, m_nextArrival++, QString()};
        const auto at = std::lower_bound(m_order.begin(), m_order.end(), record, precedes());
        const int row = static_cast<int>(at - m_order.begin());
        beginInsertRows(QModelIndex(), row, row);
        m_order.insert(at, record);
        m_byKey.insert(key, record);
        endInsertRows();
        return row;
    }

    void setText(Record* record, int column, const QString& text)
    {
        growColumns(column + 1);
        if (record->texts.size() <= column)
            record->texts.resize(column + 1);
        record->texts[column] = text;
        const QModelIndex cell = index(rowOf(record), column);
        emit dataChanged(cell, cell, {Qt::DisplayRole});
    }

    void setDescription(Record* record, const QString& text)
    {
        record->description = text;
        emit dataChanged(index(rowOf(record), 0), index(rowOf(record), m_columns - 1),
                         {Qt::ToolTipRole, Qt::AccessibleDescriptionRole});
    }

    void clear()
    {
        beginResetModel();
        qDeleteAll(m_order);
        m_order.clear();
        m_byKey.clear();
        endResetModel();
    }

    void setLabels(const QStringList& labels)
    {
        m_labels = labels;
        growColumns(static_cast<int>(labels.size()));
        emit headerDataChanged(Qt::Horizontal, 0, m_columns - 1);
    }

    bool sorted() const { return m_sorted; }
    bool descending() const { return m_descending; }
    // Changing the order is a settings change, not part of filling the list, so it may touch
    // every row. Unsorted rows keep their order of arrival.
    void setOrder(bool sorted, bool descending)
    {
        if (sorted == m_sorted && descending == m_descending)
            return;
        emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
        m_sorted = sorted;
        m_descending = descending;
        const QModelIndexList before = persistentIndexList();
        std::vector<std::pair<const Record*, int>> cells;
        cells.reserve(static_cast<size_t>(before.size()));
        for (const QModelIndex& cell : before)
            cells.emplace_back(m_order[static_cast<size_t>(cell.row())], cell.column());
        for (Record* record : m_order)
            record->sortText = record->texts.value(0);
        std::sort(m_order.begin(), m_order.end(), precedes());
        QModelIndexList after;
        after.reserve(before.size());
        for (const auto& [record, column] : cells)
            after.append(index(rowOf(record), column));
        changePersistentIndexList(before, after);
        emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
    }

private:
    // The strict order of rows: by text in the chosen direction, equal texts by arrival. With
    // sorting off, by arrival alone.
    struct Precedes {
        const Rows* rows;
        bool operator()(const Record* a, const Record* b) const
        {
            if (rows->m_sorted) {
                const int c = compareTexts(a->sortText, b->sortText);
                if (c != 0)
                    return rows->m_descending ? c > 0 : c < 0;
            }
            return a->arrival < b->arrival;
        }
    };
    Precedes precedes() const { return Precedes{this}; }

    int rowOf(const Record* record) const
    {
        const auto at = std::lower_bound(m_order.begin(), m_order.end(), record, precedes());
        Q_ASSERT(at != m_order.end() && *at == record);
        return static_cast<int>(at - m_order.begin());
    }

    void growColumns(int count)
    {
        if (count <= m_columns)
            return;
        beginInsertColumns(QModelIndex(), m_columns, count - 1);
        m_columns = count;
        endInsertColumns();
    }

    std::vector<Record*> m_order; // owns the records
    QHash<QString, Record*> m_byKey;
    QStringList m_labels;
    quint64 m_nextArrival = 0;
    int m_columns = 2;
    bool m_sorted = false;
    bool m_descending = false;
};

ListView::ListView(QWidget* parent) : QTableView(parent), m_rows(new Rows(this))
{
    setModel(m_rows);
    // A report list: no row numbers, no grid, one line per row, the whole of a row one height
    // (so the view finds rows by arithmetic and a long list costs no more to show than a short
    // one), and Tab leaves the list rather than walking its cells.
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setMinimumSectionSize(1);
    setShowGrid(false);
    setWordWrap(false);
    setTabKeyNavigation(false);
    setCornerButtonEnabled(false);
    QHeaderView* columns = horizontalHeader();
    columns->setSectionsClickable(false);
    columns->setHighlightSections(false);
    columns->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    columns->setStretchLastSection(true);
    updateRowHeight();

    setEditTriggers(NoEditTriggers);
    setSelectionMode(SingleSelection);
    setHorizontalScrollMode(ScrollPerPixel);
    setVerticalScrollMode(ScrollPerPixel);
}

ListView::~ListView() = default;

void ListView::AddItem(const QString& key, const QString& text)
{
    if (m_rows->find(key))
        throw Error(err::KeyNotUnique, QStringLiteral("Key is not unique in collection"));
    // Told of a new row by its row header, the table view lays out and repaints all of itself,
    // which a batch filling a long list would pay once per document. Only the rows from the new
    // one down move: the header is kept quiet, the scroll range follows the new row count here,
    // and only the rows that moved are repainted (none when the new row is below the view).
    int row = 0;
    {
        const QSignalBlocker quiet(verticalHeader());
        row = m_rows->add(key, text);
    }
    updateGeometries();
    // Rows are all one height, so the new row's place needs no walk over the rows above it.
    const int top = std::max(0, row * verticalHeader()->defaultSectionSize() - verticalOffset());
    if (top < viewport()->height())
        viewport()->update(0, top, viewport()->width(), viewport()->height() - top);
}

void ListView::SetSubItem(const QString& key, int index, const QString& text)
{
    Rows::Record* record = m_rows->find(key);
    if (!record)
        throw Error(kElementNotFound, QStringLiteral("Element not found"));
    if (index < 0)
        throw Error(err::InvalidArgument, QStringLiteral("Invalid procedure call or argument"));
    m_rows->setText(record, index, text);
}

QString ListView::SubItem(const QString& key, int index) const
{
    const Rows::Record* record = m_rows->find(key);
    if (!record)
        throw Error(kElementNotFound, QStringLiteral("Element not found"));
    return record->texts.value(index);
}

void ListView::SetDescription(const QString& key, const QString& text)
{
    Rows::Record* record = m_rows->find(key);
    if (!record)
        throw Error(kElementNotFound, QStringLiteral("Element not found"));
    m_rows->setDescription(record, text);
}

bool ListView::Contains(const QString& key) const
{
    return m_rows->find(key) != nullptr;
}

void ListView::Clear()
{
    m_rows->clear();
}

int ListView::Count() const
{
    return m_rows->rowCount();
}

QString ListView::RowText(int row, int column) const
{
    return m_rows->text(row, column);
}

int ListView::columnCount() const
{
    return m_rows->columnCount();
}

void ListView::setHeaderLabels(const QStringList& labels)
{
    m_rows->setLabels(labels);
}

QString ListView::headerText(int column) const
{
    return m_rows->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString();
}

void ListView::setHeaderHidden(bool hidden)
{
    horizontalHeader()->setHidden(hidden);
}

bool ListView::isHeaderHidden() const
{
    return horizontalHeader()->isHidden();
}

void ListView::setSorted(bool sorted)
{
    m_rows->setOrder(sorted, m_rows->descending());
    horizontalHeader()->setSortIndicatorShown(sorted);
    horizontalHeader()->setSortIndicator(0, sortDescending() ? Qt::DescendingOrder
                                                             : Qt::AscendingOrder);
}

bool ListView::isSorted() const
{
    return m_rows->sorted();
}

void ListView::setSortDescending(bool descending)
{
    m_rows->setOrder(m_rows->sorted(), descending);
    horizontalHeader()->setSortIndicator(0, descending ? Qt::DescendingOrder : Qt::AscendingOrder);
}

bool ListView::sortDescending() const
{
    return m_rows->descending();
}

void ListView::setFullRowSelect(bool on)
{
    setSelectionBehavior(on ? SelectRows : SelectItems);
    viewport()->update();
}

void ListView::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange)
        updateRowHeight();
    QTableView::changeEvent(event);
}

// One line of the list's font, with the room the style gives an item's focus frame.
void ListView::updateRowHeight()
{
    const int margin = style()->pixelMetric(QStyle::PM_FocusFrameVMargin, nullptr, this) + 1;
    verticalHeader()->setDefaultSectionSize(std::max(1, fontMetrics().height() + 2 * margin));
}

} // namespace platform
