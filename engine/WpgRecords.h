// Quillon engine: the records of WordPerfect graphics, read and rewritten without libwpg (picture
// module only).
#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

namespace engine::wpg {

// What the records of a WordPerfect graphic (WPG 1 or 2) say about its bitmaps.
struct Bitmaps {
    // False when a bitmap's header does not fit the data it holds or passes the ceiling: the
    // graphic must not reach libwpg, which would allocate what the header announces.
    bool sane = true;
    QString problem; // why not
    // The one bitmap of a graphic that draws nothing else, decoded here (a run-length encoded
    // 24-bit WPG 2 bitmap, the common case of a scanned picture); null when libwpg must read it.
    QImage bitmap;
    QSize largest; // the bitmap of most pixels (none when there is no bitmap)
};

// Reads the records; decodes the bitmap of a graphic that merely wraps one when decode is set.
// Bitmaps larger than maxPixels (or 16384 pixels a side) are refused.
Bitmaps readBitmaps(const QByteArray& wpg, qint64 maxPixels, bool decode);

// Whether the graphic may show text (text records, or embedded pictures such as metafiles,
// which may hold text), from its records alone: drawing it then needs the font database.
bool mayShowText(const QByteArray& wpg);

// Whether a bitmap of this size is decoded: from 1 to 16384 pixels a side, maxPixels at most.
bool saneSize(qint64 width, qint64 height, qint64 maxPixels);
// The problem of a bitmap whose size is refused.
QString sizeProblem(qint64 width, qint64 height);

// A large WPG 2 graphic of shapes and text alone, as two graphics that each draw half of its
// shapes (every other record kept as it is, the other half's drawing records turned into
// comments), so that the halves can be drawn at once, the second over the first. Empty when
// the graphic has fewer than minShapes shapes, or holds what the halves could not share
// (groups, bitmaps, embedded pictures, compound shapes, charts).
struct Halves {
    QByteArray first;
    QByteArray second;
};
Halves splitShapes(const QByteArray& wpg, int minShapes);

} // namespace engine::wpg
