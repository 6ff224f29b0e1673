// Quillon engine: the records of WordPerfect graphics, read and rewritten without libwpg (picture
// module only).
#pragma once

#include <QByteArray>
#include <QImage>
#include <QPointF>
#include <QString>

#include <optional>
#include <vector>

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
    // The graphic merely wraps one bitmap of the kind decoded here: a decode takes the memory
    // of its pixels, not the much more libwpg takes for each.
    bool wrapsOne = false;
};

// How much of the bitmaps readBitmaps looks at.
enum class BitmapWork {
    Sizes,  // their headers only: for the largest and the sizes refused
    Check,  // and whether their run-length encoded data makes every row
    Decode, // and decodes the bitmap of a graphic that merely wraps one
};
// Reads the records. Bitmaps larger than maxPixels (or 16384 pixels a side) are refused.
Bitmaps readBitmaps(const QByteArray& wpg, qint64 maxPixels, BitmapWork work);

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

// How a shape is filled and outlined, from the records before it.
struct ShapeStyle {
    QRgb pen = qRgb(0, 0, 0);   // colour and opacity of the outline
    QRgb brush = qRgb(0, 0, 0); // of the fill
    double penWidth = 0;        // inches
    bool filled = false;
    bool framed = false;
    bool winding = false; // the non-zero fill rule, else even-odd

    bool operator==(const ShapeStyle& o) const
    {
        return pen == o.pen && brush == o.brush && penWidth == o.penWidth && filled == o.filled &&
               framed == o.framed && winding == o.winding;
    }
    bool operator!=(const ShapeStyle& o) const { return !(*this == o); }
};

// A WPG 2 graphic of polylines and polygons in solid colours (a map, an outline drawing), read
// from its records the way libwpg reads them but without a property list for every point, which
// makes most of libwpg's time. Null when the graphic holds anything else that draws or styles
// (curves, rectangles, groups, bitmaps, dashes, gradients, transformed shapes, 32-bit
// coordinates), a record that does not fit its data, or no end record: libwpg draws those.
struct Shapes {
    struct Shape {
        size_t style; // in styles
        size_t first; // in points
        size_t count;
        bool closed; // a polygon, else a polyline
    };
    double width = 0; // the page, in points
    double height = 0;
    std::vector<ShapeStyle> styles;
    std::vector<Shape> shapes;
    std::vector<QPointF> points; // in points from the top left corner of the page
    // Text records: what libwpg draws of them must be asked of libwpg (see withoutPolylines).
    bool text = false;
};
std::optional<Shapes> readShapes(const QByteArray& wpg);

// The graphic with its polylines turned into comments: what is left for libwpg to draw.
QByteArray withoutPolylines(const QByteArray& wpg);

} // namespace engine::wpg
