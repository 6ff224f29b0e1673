// Quillon engine: where a WordPerfect file's own structure says it ends.
#pragma once

#include <QString>
#include <QtGlobal>

#include <optional>

namespace librevenge {
class RVNGInputStream;
}

namespace engine {

// A file that ends before its structure does: cut short in a copy, a download or on a full disk.
struct Shortfall {
    qint64 fileEnd = 0;      // the bytes there are
    qint64 promisedEnd = -1; // where the structure says the contents run to; -1: not known
    qint64 codeStart = -1;   // the formatting code the file ends inside, when that is all we know
    bool textBeyondEnd = false; // the document's text would begin beyond the end: none is there
    bool inContainer = false;   // the document is the WordPerfect stream of an OLE2 file

    // "the document is damaged: the file ends at byte 10000, but its contents run to byte 17566"
    QString describe() const;
};

// What each kind of WordPerfect file promises, checked against the bytes there are:
// - 5.x, 6 and later (the "\xFFWPC" header): the document area begins at the header's pointer
//   within the file; every block of the prefix index and every packet it lists (fonts, styles,
//   pictures, summary) lies within the file; 6 and later also give the file's size in the header.
//   Their text runs to the end of the file: in 5.x (no size in the header) a file cut between two
//   characters cannot be told from a shorter document, one cut inside a formatting code can.
// - 4.2 (no header): only its formatting codes, each closed by the byte that opened it.
// - OLE2 containers: every sector the allocation table uses lies within the file; then the
//   WordPerfect stream inside is checked as above.
// Reads the stream (from any position) and leaves its position undefined. Empty when the file
// reaches as far as its structure says, or when the structure cannot be read far enough to say.
std::optional<Shortfall> findShortfall(librevenge::RVNGInputStream& input, qint64 size);

} // namespace engine
