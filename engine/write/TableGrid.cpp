// Quillon engine: puts a table's cells on a consistent grid before it is written.
#include "TableGrid.h"

#include <algorithm>

namespace engine {
namespace {

// Guards the occupancy grid against a damaged table announcing absurd sizes.
constexpr int kMaxColumns = 1000;
constexpr size_t kMaxGridCells = 4'000'000;

} // namespace

// Places each cell at the first column its row leaves free (spans from rows above occupy
// columns) and shortens spans that would run into a cell already placed; reports the placement
// per row and the widest row.
std::vector<std::vector<TableGrid::Placed>> TableGrid::place(Table& table, int& width)
{
    const int rows = static_cast<int>(table.rows.size());
    std::vector<std::vector<bool>> used(static_cast<size_t>(rows));
    auto occupied = [&used](int row, int column) {
        const auto& u = used[static_cast<size_t>(row)];
        return static_cast<size_t>(column) < u.size() && u[static_cast<size_t>(column)];
    };
    std::vector<std::vector<Placed>> placed(static_cast<size_t>(rows));
    width = 0;
    for (int r = 0; r < rows; ++r) {
        int column = 0;
        for (TableCell& cell : table.rows[static_cast<size_t>(r)].cells) {
            while (occupied(r, column))
                ++column;
            placed[static_cast<size_t>(r)].push_back({r, column});
            int span = 1;
            while (span < std::min(cell.colSpan, kMaxColumns - column) &&
                   !occupied(r, column + span))
                ++span;
            int down = 1;
            for (int rr = r + 1; rr < std::min(rows, r + cell.rowSpan); ++rr, ++down) {
                bool free = true;
                for (int c = column; c < column + span && free; ++c)
                    free = !occupied(rr, c);
                if (!free)
                    break;
            }
            cell.colSpan = span;
            cell.rowSpan = down;
            for (int rr = r; rr < r + down; ++rr) {
                auto& u = used[static_cast<size_t>(rr)];
                if (u.size() < static_cast<size_t>(column + span))
                    u.resize(static_cast<size_t>(column + span), false);
                for (int c = column; c < column + span; ++c)
                    u[static_cast<size_t>(c)] = true;
            }
            column += span;
            width = std::max(width, column);
        }
    }
    for (const auto& u : used)
        width = std::max(width, static_cast<int>(u.size()));
    return placed;
}

Table TableGrid::normalized(const Table& source)
{
    Table table = source;
    const int rows = static_cast<int>(table.rows.size());
    if (rows == 0)
        return table;

    // Cells beyond the column limit are dropped; spans are kept inside the table.
    for (int r = 0; r < rows; ++r) {
        auto& cells = table.rows[static_cast<size_t>(r)].cells;
        if (cells.size() > static_cast<size_t>(kMaxColumns))
            cells.resize(static_cast<size_t>(kMaxColumns));
        for (TableCell& cell : cells) {
            cell.colSpan = std::clamp(cell.colSpan, 1, kMaxColumns);
            cell.rowSpan = std::clamp(cell.rowSpan, 1, rows - r);
        }
    }
    int width = 0;
    auto placed = place(table, width);
    if (static_cast<size_t>(width) * static_cast<size_t>(rows) > kMaxGridCells) {
        // Too large to square up: keep one cell per grid slot, spans dropped.
        for (TableRow& row : table.rows) {
            for (TableCell& cell : row.cells)
                cell.colSpan = cell.rowSpan = 1;
        }
        placed = place(table, width);
    }

    // Fill each row up to the full width.
    std::vector<std::vector<bool>> used(static_cast<size_t>(rows),
                                        std::vector<bool>(static_cast<size_t>(width), false));
    for (int r = 0; r < rows; ++r) {
        const auto& cells = table.rows[static_cast<size_t>(r)].cells;
        for (size_t i = 0; i < cells.size(); ++i) {
            const Placed& p = placed[static_cast<size_t>(r)][i];
            for (int rr = r; rr < r + cells[i].rowSpan; ++rr) {
                for (int c = p.column; c < std::min(width, p.column + cells[i].colSpan); ++c)
                    used[static_cast<size_t>(rr)][static_cast<size_t>(c)] = true;
            }
        }
    }
    for (int r = 0; r < rows; ++r) {
        const auto free = std::count(used[static_cast<size_t>(r)].begin(),
                                     used[static_cast<size_t>(r)].end(), false);
        table.rows[static_cast<size_t>(r)].cells.resize(
            table.rows[static_cast<size_t>(r)].cells.size() + static_cast<size_t>(free));
    }
    placed = place(table, width);

    // Drop columns and rows in which no cell begins, shortening the spans across them.
    std::vector<bool> columnStarts(static_cast<size_t>(width), false);
    std::vector<bool> rowStarts(static_cast<size_t>(rows), false);
    for (int r = 0; r < rows; ++r) {
        for (const Placed& p : placed[static_cast<size_t>(r)]) {
            columnStarts[static_cast<size_t>(p.column)] = true;
            rowStarts[static_cast<size_t>(r)] = true;
        }
    }
    std::vector<int> newColumn(static_cast<size_t>(width) + 1, 0);
    for (int c = 0; c < width; ++c)
        newColumn[static_cast<size_t>(c) + 1] =
            newColumn[static_cast<size_t>(c)] + (columnStarts[static_cast<size_t>(c)] ? 1 : 0);
    std::vector<int> newRow(static_cast<size_t>(rows) + 1, 0);
    for (int r = 0; r < rows; ++r)
        newRow[static_cast<size_t>(r) + 1] =
            newRow[static_cast<size_t>(r)] + (rowStarts[static_cast<size_t>(r)] ? 1 : 0);
    for (int r = 0; r < rows; ++r) {
        auto& cells = table.rows[static_cast<size_t>(r)].cells;
        for (size_t i = 0; i < cells.size(); ++i) {
            const int c0 = placed[static_cast<size_t>(r)][i].column;
            const int c1 = std::min(width, c0 + cells[i].colSpan);
            cells[i].colSpan = std::max(1, newColumn[static_cast<size_t>(c1)] -
                                               newColumn[static_cast<size_t>(c0)]);
            const int r1 = r + cells[i].rowSpan;
            cells[i].rowSpan =
                std::max(1, newRow[static_cast<size_t>(r1)] - newRow[static_cast<size_t>(r)]);
        }
    }
    // Rows in which no cell begins are now empty.
    table.rows.erase(std::remove_if(table.rows.begin(), table.rows.end(),
                                    [](const TableRow& r) { return r.cells.empty(); }),
                     table.rows.end());
    if (!table.columnWidths.empty()) {
        std::vector<double> widths;
        for (int c = 0; c < width; ++c) {
            if (columnStarts[static_cast<size_t>(c)])
                widths.push_back(static_cast<size_t>(c) < table.columnWidths.size()
                                     ? table.columnWidths[static_cast<size_t>(c)]
                                     : 0.0);
        }
        table.columnWidths = std::move(widths);
    }
    return table;
}

} // namespace engine
