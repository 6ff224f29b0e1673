// Quillon: a list view in report view with keyed rows.
#include "ListView.h"

#include "Error.h"

#include <QAbstractTableModel>
#include <QEvent>
#include <QHash>
#include <QHeaderView>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>

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

    void add(const QString& key, const QString& text)
    {
        auto* record = new Record{key, text, {text}, m_nextArrival++, QString()};
        const auto at = std::lower_bound(m_order.begin(), m_order.end(), record, precedes());
        const int row = static_cast<int>(at - m_order.begin());
        beginInsertRows(QModelIndex(), row, row);
        m_order.insert(at, record);
        m_byKey.insert(key, record);
        endInsertRows();
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

ListView::ListView(QWidget* parent)
    : QAbstractItemView(parent), m_rows(new Rows(this)),
      m_header(new QHeaderView(Qt::Horizontal, this))
{
    updateRowHeight();
    QAbstractItemView::setModel(m_rows);
    m_header->setModel(m_rows);
    m_header->setSectionsClickable(false);
    m_header->setHighlightSections(false);
    m_header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_header->setStretchLastSection(true);
    m_header->setFocusPolicy(Qt::NoFocus);
    connect(m_header, &QHeaderView::sectionResized, this, [this] {
        updateScrollBars();
        viewport()->update();
    });
    connect(m_header, &QHeaderView::sectionMoved, viewport(), [this] { viewport()->update(); });
    connect(m_header, &QHeaderView::geometriesChanged, this, &ListView::updateGeometries);

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
    m_rows->add(key, text);
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
    updateScrollBars();
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
    m_header->setHidden(hidden);
    updateGeometries();
}

bool ListView::isHeaderHidden() const
{
    return m_header->isHidden();
}

void ListView::setSorted(bool sorted)
{
    m_rows->setOrder(sorted, m_rows->descending());
    m_header->setSortIndicatorShown(sorted);
    m_header->setSortIndicator(0, sortDescending() ? Qt::DescendingOrder : Qt::AscendingOrder);
}

bool ListView::isSorted() const
{
    return m_rows->sorted();
}

void ListView::setSortDescending(bool descending)
{
    m_rows->setOrder(m_rows->sorted(), descending);
    m_header->setSortIndicator(0, descending ? Qt::DescendingOrder : Qt::AscendingOrder);
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

// Rows are one height, so a row's position is its number times that height.

int ListView::rowAtY(int y) const
{
    const int content = y + verticalOffset();
    return content < 0 ? -1 : content / m_rowHeight;
}

QRect ListView::visualRect(const QModelIndex& index) const
{
    if (!index.isValid() || index.model() != m_rows || m_header->isSectionHidden(index.column()))
        return QRect();
    return QRect(m_header->sectionViewportPosition(index.column()),
                 index.row() * m_rowHeight - verticalOffset(),
                 m_header->sectionSize(index.column()), m_rowHeight);
}

void ListView::scrollTo(const QModelIndex& index, ScrollHint hint)
{
    if (!index.isValid() || index.model() != m_rows)
        return;
    const int top = index.row() * m_rowHeight;
    const int height = viewport()->height();
    int value = verticalScrollBar()->value();
    switch (hint) {
    case PositionAtTop:
        value = top;
        break;
    case PositionAtBottom:
        value = top + m_rowHeight - height;
        break;
    case PositionAtCenter:
        value = top - (height - m_rowHeight) / 2;
        break;
    case EnsureVisible:
        if (top < value)
            value = top;
        else if (top + m_rowHeight > value + height)
            value = top + m_rowHeight - height;
        break;
    }
    verticalScrollBar()->setValue(value);

    if (selectionBehavior() == SelectRows)
        return;
    const int left = m_header->sectionPosition(index.column());
    const int width = m_header->sectionSize(index.column());
    const int x = horizontalScrollBar()->value();
    if (left < x)
        horizontalScrollBar()->setValue(left);
    else if (left + width > x + viewport()->width())
        horizontalScrollBar()->setValue(left + width - viewport()->width());
}

QModelIndex ListView::indexAt(const QPoint& point) const
{
    const int row = rowAtY(point.y());
    const int column = m_header->logicalIndexAt(point.x());
    if (row < 0 || row >= m_rows->rowCount() || column < 0)
        return QModelIndex();
    return m_rows->index(row, column);
}

QModelIndex ListView::moveCursor(CursorAction action, Qt::KeyboardModifiers)
{
    const int rows = m_rows->rowCount();
    if (rows == 0)
        return QModelIndex();
    const QModelIndex current = currentIndex();
    if (!current.isValid())
        return m_rows->index(0, m_header->logicalIndex(0));
    int row = current.row();
    int visual = m_header->visualIndex(current.column());
    const int page = std::max(1, viewport()->height() / m_rowHeight);
    switch (action) {
    case MoveUp:
    case MovePrevious:
        --row;
        break;
    case MoveDown:
    case MoveNext:
        ++row;
        break;
    case MovePageUp:
        row -= page;
        break;
    case MovePageDown:
        row += page;
        break;
    case MoveHome:
        row = 0;
        break;
    case MoveEnd:
        row = rows - 1;
        break;
    case MoveLeft:
        --visual;
        break;
    case MoveRight:
        ++visual;
        break;
    }
    row = std::clamp(row, 0, rows - 1);
    visual = std::clamp(visual, 0, m_header->count() - 1);
    return m_rows->index(row, m_header->logicalIndex(visual));
}

int ListView::horizontalOffset() const
{
    return horizontalScrollBar()->value();
}

int ListView::verticalOffset() const
{
    return verticalScrollBar()->value();
}

bool ListView::isIndexHidden(const QModelIndex& index) const
{
    return m_header->isSectionHidden(index.column());
}

void ListView::setSelection(const QRect& rect, QItemSelectionModel::SelectionFlags command)
{
    if (!selectionModel())
        return;
    const QRect area = rect.normalized();
    const int rows = m_rows->rowCount();
    const int top = std::max(0, rowAtY(area.top()));
    const int bottom = std::min(rows - 1, rowAtY(area.bottom()));
    QItemSelection selection;
    for (int visual = 0; top <= bottom && visual < m_header->count(); ++visual) {
        const int column = m_header->logicalIndex(visual);
        const int left = m_header->sectionViewportPosition(column);
        const bool inside =
            left <= area.right() && left + m_header->sectionSize(column) > area.left();
        if (!m_header->isSectionHidden(column) && (inside || selectionBehavior() == SelectRows))
            selection.select(m_rows->index(top, column), m_rows->index(bottom, column));
    }
    selectionModel()->select(selection, command);
}

QRegion ListView::visualRegionForSelection(const QItemSelection& selection) const
{
    QRegion region;
    const int height = viewport()->height();
    for (const QItemSelectionRange& range : selection) {
        if (!range.isValid() || range.model() != m_rows)
            continue;
        const int top = std::max(0, range.top() * m_rowHeight - verticalOffset());
        const int bottom = std::min(height, (range.bottom() + 1) * m_rowHeight - verticalOffset());
        if (top < bottom)
            region += QRect(0, top, viewport()->width(), bottom - top);
    }
    return region;
}

void ListView::updateGeometries()
{
    const int headerHeight = m_header->isHidden() ? 0 : m_header->sizeHint().height();
    setViewportMargins(0, headerHeight, 0, 0);
    const QRect area = viewport()->geometry();
    m_header->setGeometry(area.left(), area.top() - headerHeight, area.width(), headerHeight);
    updateScrollBars();
    QAbstractItemView::updateGeometries();
}

void ListView::updateScrollBars()
{
    const QSize area = viewport()->size();
    verticalScrollBar()->setSingleStep(m_rowHeight);
    verticalScrollBar()->setPageStep(area.height());
    verticalScrollBar()->setRange(0, std::max(0, Count() * m_rowHeight - area.height()));
    horizontalScrollBar()->setSingleStep(m_rowHeight);
    horizontalScrollBar()->setPageStep(area.width());
    horizontalScrollBar()->setRange(0, std::max(0, m_header->length() - area.width()));
}

void ListView::scrollContentsBy(int dx, int dy)
{
    m_header->setOffset(horizontalOffset());
    viewport()->scroll(dx, dy);
}

void ListView::rowsInserted(const QModelIndex& parent, int first, int last)
{
    QAbstractItemView::rowsInserted(parent, first, last);
    updateScrollBars();
    // Rows from the new one down move; those above it stay as they were drawn.
    const int y = std::max(0, first * m_rowHeight - verticalOffset());
    if (y < viewport()->height())
        viewport()->update(0, y, viewport()->width(), viewport()->height() - y);
}

void ListView::paintEvent(QPaintEvent* event)
{
    const int rows = m_rows->rowCount();
    if (rows == 0)
        return;
    QPainter painter(viewport());
    const QRect area = event->rect();
    const int first = std::max(0, rowAtY(area.top()));
    const int last = std::min(rows - 1, rowAtY(area.bottom()));
    QStyleOptionViewItem base;
    initViewItemOption(&base);
    const QModelIndex current = currentIndex();
    const QItemSelectionModel* selected = selectionModel();
    for (int row = first; row <= last; ++row) {
        const int y = row * m_rowHeight - verticalOffset();
        for (int visual = 0; visual < m_header->count(); ++visual) {
            const int column = m_header->logicalIndex(visual);
            const int x = m_header->sectionViewportPosition(column);
            const int width = m_header->sectionSize(column);
            if (m_header->isSectionHidden(column) || x > area.right() || x + width <= area.left())
                continue;
            const QModelIndex index = m_rows->index(row, column);
            QStyleOptionViewItem option = base;
            option.rect = QRect(x, y, width, m_rowHeight);
            if (selected && selected->isSelected(index))
                option.state |= QStyle::State_Selected;
            if (index == current && hasFocus())
                option.state |= QStyle::State_HasFocus;
            if (alternatingRowColors() && row % 2 == 1)
                option.features |= QStyleOptionViewItem::Alternate;
            itemDelegateForIndex(index)->paint(&painter, option, index);
        }
    }
}

void ListView::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange)
        updateRowHeight();
    QAbstractItemView::changeEvent(event);
}

void ListView::updateRowHeight()
{
    const int margin = style()->pixelMetric(QStyle::PM_FocusFrameVMargin, nullptr, this) + 1;
    m_rowHeight = std::max(1, fontMetrics().height() + 2 * margin);
    updateGeometries();
}

// What a column needs to show its header and the rows in view; the rows out of view are not
// measured, so a long list costs no more than a short one.
int ListView::sizeHintForColumn(int column) const
{
    if (column < 0 || column >= m_rows->columnCount())
        return -1;
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    int width = m_header->isHidden() ? 0 : m_header->sectionSizeHint(column);
    const int first = std::max(0, rowAtY(0));
    const int last = std::min(m_rows->rowCount() - 1, rowAtY(viewport()->height()));
    for (int row = first; row <= last; ++row) {
        const QModelIndex index = m_rows->index(row, column);
        width = std::max(width, itemDelegateForIndex(index)->sizeHint(option, index).width());
    }
    return width;
}

} // namespace platform
