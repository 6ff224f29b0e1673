// Quillon engine: puts a table's cells on a consistent grid before it is written.
#pragma once

#include "Document.h"

namespace engine {

// A table as the writers need it: no two cells overlap, every row covers the same number of
// columns, no span reaches past the last row, and every column and row has at least one cell
// that begins in it (the HTML table model requires all of these). Spans that would overlap a
// cell placed before them are shortened. Missing cells are added empty at the row's end; spans over
// a column or row in which no cell begins are shortened and that column or row dropped.
class TableGrid final {
public:
    static Table normalized(const Table& table);

private:
    struct Placed {
        int row;
        int column;
    };
    static std::vector<std::vector<Placed>> place(Table& table, int& width);
};

} // namespace engine
