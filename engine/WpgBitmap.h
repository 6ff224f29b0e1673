// Quillon engine: the bitmap records of WordPerfect graphics, read without libwpg (picture module
// only).
#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

namespace engine::wpg {

// What the records of a WordPerfect graphic (WPG 1 or 2) say about its bitmaps and its text.
struct Bitmaps {
    // False when a bitmap's header does not fit the data it holds or passes the ceiling: the
    // graphic must not reach libwpg, which would allocate what the header announces.
    bool sane = true;
    QString problem; // why not
    // Whether the graphic may show text (text records, or embedded pictures such as metafiles,
    // which may hold text): drawing it then needs the font database.
    bool text = false;
    // The one bitmap of a graphic that draws nothing else, decoded here (a run-length encoded
    // 24-bit WPG 2 bitmap, the common case of a scanned picture); null when libwpg must read it.
    QImage bitmap;
    QSize largest; // the bitmap of most pixels (none when there is no bitmap)
};

// Reads the records; decodes the bitmap of a graphic that merely wraps one when decode is set.
// Bitmaps larger than maxPixels (or 16384 pixels a side) are refused.
Bitmaps readBitmaps(const QByteArray& wpg, qint64 maxPixels, bool decode);

// Whether the graphic may show text, from its records alone (see Bitmaps::text).
bool mayShowText(const QByteArray& wpg);

// The problem of a bitmap whose size is refused.
QString sizeProblem(qint64 width, qint64 height);

} // namespace engine::wpg
