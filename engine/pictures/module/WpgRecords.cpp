// Quillon engine: the records of WordPerfect graphics, read and rewritten without libwpg.
#include "WpgRecords.h"

#include "PictureFormat.h"

#include <QtEndian>

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

namespace engine::wpg {
namespace {

// The largest bitmap decoded: a 300 dpi scan of an A3 page fits, a size made up by a damaged
// header (tens of thousands of pixels a side) does not.
constexpr qint64 kMaxSide = 16384;

// WPG 2 records that set attributes or describe the page; any other record draws something.
bool drawsNothing(int type)
{
    return type <= 0x0D || type == 0x22 || (type >= 0x25 && type <= 0x3F);
}

struct Reader {
    const unsigned char* d;
    qint64 size;

    unsigned u8(qint64 at) const { return at >= 0 && at < size ? d[at] : 0; }
    unsigned u16(qint64 at) const
    {
        return at >= 0 && at + 2 <= size ? qFromLittleEndian<quint16>(d + at) : 0;
    }
    // A length: one byte, or 0xFF and a 16-bit word, or 0xFF and 31 bits in two words.
    qint64 length(qint64& at) const
    {
        if (at >= size)
            return -1;
        qint64 n = d[at++];
        if (n != 0xFF)
            return n;
        n = u16(at);
        at += 2;
        if (n & 0x8000) {
            n = (n & 0x7FFF) << 16 | u16(at);
            at += 2;
        }
        return n;
    }
};

// The run-length encoding of WPG 2 bitmaps, by units of 1 to 255 bytes (0x7D sets the unit):
// 0x00-0x7C: that many plus one units follow as they are; 0x80-0xFC: the unit that follows,
// (op & 0x7F) + 1 times; 0xFD n: the last unit again n + 1 times; 0xFE n: the last row again
// n + 1 times (only ever at the start of a row); 0xFF n: n + 1 white units; 0x7F n: n + 1
// black units. Decodes into out (rows of rowBytes) or, without out,
// only checks that the data makes every row: false when it does not, or when it holds an
// operation not known here (then *known is false).
bool runLength(const unsigned char* in, qint64 length, qint64 rowBytes, qint64 rows,
               unsigned char* out, bool* known)
{
    *known = true;
    const qint64 total = rowBytes * rows;
    qint64 done = 0;
    qint64 unit = 1;
    const unsigned char* last = nullptr; // the last unit written
    static const auto kWhite = [] {
        std::array<unsigned char, 256> bytes{};
        bytes.fill(0xFF);
        return bytes;
    }();
    static const std::array<unsigned char, 256> kBlack{};
    const auto put = [&](const unsigned char* unitBytes, qint64 times) {
        const qint64 bytes = times * unit;
        if (bytes > total - done)
            return false;
        if (out) { // the unit once, then what is written so far again, doubling
            unsigned char* to = out + done;
            std::memcpy(to, unitBytes, size_t(unit));
            for (qint64 filled = unit; filled < bytes; filled *= 2)
                std::memcpy(to + filled, to, size_t(std::min(filled, bytes - filled)));
        }
        done += bytes;
        return true;
    };
    qint64 at = 0;
    while (at < length && done < total) {
        const unsigned op = in[at++];
        if (op == 0x7D) {
            if (at >= length || in[at] == 0)
                return false;
            unit = in[at++];
            last = nullptr;
        } else if (op == 0x7E) {
            *known = false;
            return false;
        } else if (op == 0x7F || op == 0xFF || op == 0xFD) {
            if (at >= length)
                return false;
            const qint64 times = qint64(in[at++]) + 1;
            const unsigned char* unitBytes = op == 0x7F   ? kBlack.data()
                                             : op == 0xFF ? kWhite.data()
                                                          : (last ? last : kBlack.data());
            if (!put(unitBytes, times))
                return false;
            if (out)
                last = out + done - unit;
        } else if (op == 0xFE) {
            if (at >= length || done % rowBytes != 0 || done == 0)
                return false;
            const qint64 times = qint64(in[at++]) + 1;
            const qint64 bytes = std::min(times * rowBytes, total - done);
            if (out)
                for (qint64 i = 0; i < bytes; i += rowBytes)
                    std::memcpy(out + done + i, out + done - rowBytes, size_t(rowBytes));
            done += bytes;
        } else if (op & 0x80) {
            if (at + unit > length)
                return false;
            if (!put(in + at, qint64(op & 0x7F) + 1))
                return false;
            at += unit;
            if (out)
                last = out + done - unit;
        } else {
            const qint64 units = qint64(op) + 1;
            if (at + units * unit > length || units * unit > total - done)
                return false;
            if (out)
                std::memcpy(out + done, in + at, size_t(units * unit));
            at += units * unit;
            done += units * unit;
            if (out)
                last = out + done - unit;
        }
    }
    return done == total;
}

} // namespace

bool saneSize(qint64 width, qint64 height, qint64 maxPixels)
{
    return width > 0 && height > 0 && width <= kMaxSide && height <= kMaxSide &&
           width * height <= maxPixels;
}

QString sizeProblem(qint64 width, qint64 height)
{
    return QStringLiteral("its size (%1 x %2 pixels) is damaged or too large")
        .arg(width)
        .arg(height);
}

namespace {

// A record of a WordPerfect graphic, as forEachRecord walks them.
struct Record {
    qint64 type;
    qint64 start;     // where the record begins
    qint64 at;        // where its data begins
    qint64 n;         // bytes of data
    qint64 extension; // WPG 2: how many records after it belong to it
};

// Calls visit(record) for each record of a WordPerfect graphic until it returns false, a record
// does not fit the data, or the end record of a WPG 2 graphic, after which libwpg reads nothing.
template <typename Visit> void forEachRecord(const Reader& r, bool wpg2, const Visit& visit)
{
    qint64 at = qFromLittleEndian<quint32>(r.d + 4);
    while (at >= 0 && at < r.size) {
        Record record{r.d[at], at, 0, 0, 0};
        ++at;
        if (wpg2) {
            record.type = at < r.size ? r.d[at++] : -1;
            record.extension = r.length(at);
            if (record.extension < 0)
                break;
        }
        record.n = r.length(at);
        record.at = at;
        if (record.n < 0 || record.n > r.size - at || !visit(record) ||
            (wpg2 && record.type == 0x02))
            break;
        at += record.n;
    }
}

// Text: WPG 1 graphics text (0x0C, 0x18, 0x1A) and PostScript (0x11, 0x1B); WPG 2 text (0x0F,
// 0x1C to 0x1E), object images and capsules (0x12, 0x21).
bool showsText(bool wpg2, qint64 type)
{
    return wpg2 ? type == 0x0F || type == 0x12 || type == 0x21 || (type >= 0x1C && type <= 0x1E)
                : type == 0x0C || type == 0x11 || type == 0x18 || type == 0x1A || type == 0x1B;
}

} // namespace

bool mayShowText(const QByteArray& wpg)
{
    if (!isWpg(wpg))
        return false;
    const Reader r{reinterpret_cast<const unsigned char*>(wpg.constData()), wpg.size()};
    const bool wpg2 = r.u8(10) == 2;
    bool text = false;
    forEachRecord(r, wpg2,
                  [&](const Record& record) { return !(text = showsText(wpg2, record.type)); });
    return text;
}

Bitmaps readBitmaps(const QByteArray& wpg, qint64 maxPixels, BitmapWork work)
{
    Bitmaps result;
    if (!isWpg(wpg))
        return result;
    const Reader r{reinterpret_cast<const unsigned char*>(wpg.constData()), wpg.size()};
    const bool wpg2 = r.u8(10) == 2;
    bool onlyOneBitmap = wpg2;
    int bitmapData = 0;
    bool coordinates16 = false;
    bool flipped = false;
    qint64 largest = 0;
    // Run-length encoded bitmaps whose data is checked after the walk: the one a graphic wraps
    // is checked while it is decoded.
    struct Encoded {
        qint64 at, length, rowBytes, height;
    };
    std::vector<Encoded> encoded;
    const auto tooLarge = [&](qint64 width, qint64 height) {
        if (width * height > largest) {
            largest = width * height;
            result.largest = QSize(int(width), int(height));
        }
        if (saneSize(width, height, maxPixels))
            return false;
        result.sane = false;
        result.problem = sizeProblem(width, height);
        return true;
    };
    forEachRecord(r, wpg2, [&](const Record& record) {
        const qint64 type = record.type;
        const qint64 at = record.at;
        const qint64 n = record.n;
        if (!wpg2) {
            if (type == 0x0B || type == 0x14) { // bitmap, type 1 and 2
                const qint64 base = type == 0x14 ? at + 10 : at;
                return !tooLarge(r.u16(base), r.u16(base + 2));
            }
        } else if (type == 0x01) { // start: 16-bit coordinates when its precision is 0
            coordinates16 = n >= 5 && r.u8(at + 4) == 0;
        } else if (type == 0x1B) { // bitmap: its frame ends the record, then the resolution
            flipped = flipped || n < 12 || r.u16(at + n - 12) > r.u16(at + n - 8) ||
                      r.u16(at + n - 10) > r.u16(at + n - 6);
        } else if (type == 0x0E) { // bitmap data
            ++bitmapData;
            const qint64 width = r.u16(at);
            const qint64 height = r.u16(at + 2);
            if (tooLarge(width, height))
                return false;
            // Bits a pixel by colour format; the least where a format is not known.
            static const int depth[] = {1, 1, 2, 4, 8, 1, 1, 1, 24};
            const unsigned format = r.u8(at + 4);
            const qint64 rowBytes = (width * (format < 9 ? depth[format] : 1) + 7) / 8;
            const unsigned compression = r.u8(at + 5);
            if (compression == 0 && rowBytes * height > n - 6) {
                result.sane = false;
                result.problem = sizeProblem(width, height);
                return false;
            }
            if (compression == 1)
                encoded.push_back({at, n, rowBytes, format == 8 ? height : -height});
        } else if (!drawsNothing(int(type))) {
            onlyOneBitmap = false;
        }
        return true;
    });
    // A 24-bit bitmap (its height kept positive above) that is all the graphic shows.
    result.wrapsOne = result.sane && onlyOneBitmap && bitmapData == 1 && encoded.size() == 1 &&
                      encoded[0].height > 0 && coordinates16 && !flipped;
    if (!result.sane || work == BitmapWork::Sizes)
        return result;
    if (work == BitmapWork::Decode && result.wrapsOne) {
        const Encoded& e = encoded[0];
        const int width = int(r.u16(e.at));
        const int height = int(e.height);
        QImage image(width, height, QImage::Format_RGB888);
        if (image.isNull())
            return result;
        // The rows are decoded one after the other into the image's memory, then moved apart
        // where the image's rows are longer (32-bit aligned), the last row first.
        const qint64 rowBytes = qint64(width) * 3;
        uchar* bits = image.bits();
        bool known = true;
        if (runLength(r.d + e.at + 6, e.length - 6, rowBytes, height, bits, &known)) {
            if (image.bytesPerLine() != rowBytes)
                for (int y = height - 1; y > 0; --y)
                    std::memmove(bits + qsizetype(y) * image.bytesPerLine(), bits + y * rowBytes,
                                 size_t(rowBytes));
            result.bitmap = std::move(image);
        } else if (known) {
            result.sane = false;
            result.problem = sizeProblem(width, height);
        }
        return result;
    }
    for (const Encoded& e : encoded) {
        bool known = true;
        const qint64 height = std::abs(e.height);
        if (!runLength(r.d + e.at + 6, e.length - 6, e.rowBytes, height, nullptr, &known) &&
            known) {
            result.sane = false;
            result.problem = sizeProblem(r.u16(e.at), height);
            return result;
        }
    }
    return result;
}

namespace {

enum : int {
    kStart = 0x01,
    kEnd = 0x02,
    kComment = 0x0A,
    kTextData = 0x0F,
    kPolyline = 0x15,
    kTextLine = 0x1C,
    kTextBlock = 0x1D,
    kPenColor = 0x26,
    kPenSize = 0x2B,
    kBrushColor = 0x31,
};

// Records that libwpg reads without effect on polylines: settings of the page and the font, back
// colours, patterns, line ends and joins, comments.
bool inert(qint64 type)
{
    switch (type) {
    case 0x03:
    case 0x04:
    case 0x05:
    case kComment:
    case 0x22:
    case 0x25:
    case 0x27:
    case 0x2D:
    case 0x2E:
    case 0x33:
    case 0x35:
    case 0x39:
        return true;
    default:
        return false;
    }
}

// A polyline record's flags: the ones readShapes knows, and what they make of the shape.
enum : unsigned {
    kHasObjectId = 0x0020,
    kEditLock = 0x0080,
    kWinding = 0x1000,
    kFilled = 0x2000,
    kClosed = 0x4000,
    kFramed = 0x8000,
};

// The page and the state that the records of a graphic set, while readShapes walks them.
struct ShapeReader {
    const Reader& r;
    Shapes& shapes;
    ShapeStyle style;
    qint64 left = 0; // of the page, in the graphic's units
    qint64 bottom = 0;
    double xres = 1; // units an inch
    double yres = 1;

    // The start record: units, 16-bit precision, the viewport and the image's frame.
    bool start(qint64 at, qint64 n)
    {
        if (n < 21 || r.u8(at + 4) != 0)
            return false;
        const auto s16 = [&](qint64 i) { return qint64(qint16(r.u16(at + 5 + 2 * i))); };
        xres = r.u16(at);
        yres = r.u16(at + 2);
        left = s16(4);
        bottom = s16(7);
        const qint64 width = s16(6) - left;
        const qint64 height = bottom - s16(5);
        if (xres <= 0 || yres <= 0 || width <= 0 || height <= 0)
            return false;
        shapes.width = double(width) / xres * 72;
        shapes.height = double(height) / yres * 72;
        return true;
    }

    bool attribute(qint64 type, qint64 at, qint64 n)
    {
        const auto rgba = [&](qint64 i) {
            return qRgba(int(r.u8(i)), int(r.u8(i + 1)), int(r.u8(i + 2)), 255 - int(r.u8(i + 3)));
        };
        switch (type) {
        case kPenColor:
            if (n < 4)
                return false;
            style.pen = rgba(at);
            return true;
        case kPenSize:
            if (n < 2)
                return false;
            style.penWidth = r.u16(at) / xres;
            return true;
        case kBrushColor: // a solid colour; a gradient is left to libwpg
            if (n < 5 || r.u8(at) != 0)
                return false;
            style.brush = rgba(at + 1);
            return true;
        default:
            return inert(type);
        }
    }

    bool polyline(qint64 at, qint64 n)
    {
        const unsigned flags = r.u16(at);
        if (n < 2 || (flags & ~(kHasObjectId | kEditLock | kWinding | kFilled | kClosed | kFramed)))
            return false; // transformed
        qint64 p = at + 2;
        if (flags & kEditLock)
            p += 4;
        if (flags & kHasObjectId) // 15 bits, or 31 in two words
            p += (r.u16(p) & 0x8000) ? 4 : 2;
        const qint64 count = r.u16(p);
        p += 2;
        if (p + count * 4 > at + n)
            return false;
        ShapeStyle shape = style;
        shape.filled = flags & kFilled;
        shape.framed = flags & kFramed;
        shape.winding = flags & kWinding;
        if (shapes.styles.empty() || shapes.styles.back() != shape)
            shapes.styles.push_back(shape);
        shapes.shapes.push_back({shapes.styles.size() - 1, shapes.points.size(), size_t(count),
                                 count >= 3 && (flags & (kFilled | kClosed))});
        for (qint64 i = 0; i < count; ++i, p += 4) {
            const qint64 x = qint16(r.u16(p));
            const qint64 y = qint16(r.u16(p + 2));
            shapes.points.emplace_back(double(x - left) / xres * 72,
                                       double(bottom - y) / yres * 72);
        }
        return true;
    }
};

} // namespace

std::optional<Shapes> readShapes(const QByteArray& wpg)
{
    if (!isWpg(wpg) || wpg.at(10) != 2)
        return std::nullopt;
    const Reader r{reinterpret_cast<const unsigned char*>(wpg.constData()), wpg.size()};
    Shapes shapes;
    ShapeReader reader{r, shapes, {}};
    bool started = false;
    bool ended = false;
    qint64 ignored = 0;  // records of the start's extension: libwpg does not apply them
    qint64 textData = 0; // records of a text record's extension
    // False for what the reader does not know.
    const auto read = [&](const Record& record) {
        const qint64 type = record.type;
        if (!started) {
            ignored = record.extension;
            return started = type == kStart && reader.start(record.at, record.n);
        }
        if (ignored > 0) {
            --ignored;
            const ShapeStyle kept = reader.style;
            if (type == kPolyline || !reader.attribute(type, record.at, record.n))
                return false;
            reader.style = kept;
            return true;
        }
        if (textData > 0) {
            --textData;
            return type == kTextData;
        }
        if (record.extension > 0 && type != kTextLine && type != kTextBlock)
            return false;
        switch (type) {
        case kEnd:
            return ended = true;
        case kTextLine:
        case kTextBlock:
            textData = record.extension;
            return shapes.text = true;
        case kTextData:
            return shapes.text = true;
        case kPolyline:
            return reader.polyline(record.at, record.n);
        default:
            return reader.attribute(type, record.at, record.n);
        }
    };
    bool known = true;
    forEachRecord(r, true, [&](const Record& record) { return known = read(record); });
    if (!known || !ended)
        return std::nullopt;
    return shapes;
}

QByteArray withoutPolylines(const QByteArray& wpg)
{
    QByteArray rest = wpg;
    if (!isWpg(wpg) || wpg.at(10) != 2)
        return rest;
    const Reader r{reinterpret_cast<const unsigned char*>(wpg.constData()), wpg.size()};
    forEachRecord(r, true, [&](const Record& record) {
        if (record.type == kPolyline)
            rest[qsizetype(record.start + 1)] = char(kComment);
        return true;
    });
    return rest;
}

Halves splitShapes(const QByteArray& wpg, int minShapes)
{
    if (!isWpg(wpg) || wpg.at(10) != 2)
        return {};
    const Reader r{reinterpret_cast<const unsigned char*>(wpg.constData()), wpg.size()};
    // Where each record of a shape (its own and its text data's) begins, with the shape's number.
    std::vector<std::pair<size_t, qint64>> records;
    size_t shapes = 0;
    bool shareable = true;
    bool inText = false; // text data follows the record of its text
    forEachRecord(r, true, [&](const Record& record) {
        const qint64 type = record.type;
        if ((type >= 0x15 && type <= 0x19) || (type >= 0x1C && type <= 0x1E)) {
            records.emplace_back(shapes++, record.start);
            inText = type >= 0x1C;
        } else if (type == kTextData && inText) {
            records.emplace_back(shapes - 1, record.start);
        } else {
            inText = false;
            shareable = drawsNothing(int(type));
        }
        return shareable;
    });
    if (!shareable || shapes < size_t(std::max(minShapes, 2)))
        return {};
    // Each record of the other half's shapes becomes a comment.
    Halves halves{wpg, wpg};
    for (const auto& [shape, start] : records)
        (shape < shapes / 2 ? halves.second : halves.first)[qsizetype(start + 1)] = char(kComment);
    return halves;
}

} // namespace engine::wpg
