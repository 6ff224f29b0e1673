// Quillon engine: decoding, rendering and encoding pictures (the module quillon-engine-pictures).
#include "PictureCodec.h"

#include "BinaryData.h"
#include "GraphicPainter.h"
#include "Metafile.h"
#include "SvgReferences.h"
#include "WpgRecords.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>
#include <QPainter>
#include <QtEndian>

#include <librevenge-stream/librevenge-stream.h>
#include <librevenge/librevenge.h>
#include <libwpg/libwpg.h>

#include <png.h>
#include <turbojpeg.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <csetjmp>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <mutex>
#include <new>
#include <optional>
#include <system_error>
#include <thread>
#include <unistd.h>

namespace engine {
namespace {

// Pictures are for the screen: drawings at most this many pixels on their longest side.
constexpr int kMaxSide = 2048;
constexpr qint64 kMaxPixels = 40LL * 1000 * 1000;
// What one picture may take: a bitmap of more pixels is decoded scaled down (a JPEG, by a power
// of two as it is decoded) or, in a format that cannot be decoded so, not converted. A page
// scanned at 300 dots per inch has some 8.4 million.
constexpr qint64 kMaxDecodedPixels = 10LL * 1000 * 1000;
// libwpg holds a graphic's bitmap as some forty bytes a pixel while it decodes it: its bitmaps
// stay below this.
constexpr qint64 kMaxWpgBitmapPixels = 2LL * 1000 * 1000;
// A picture that may take more than this many pixels' worth of memory (four bytes each) while
// it is decoded and encoded is converted while no other such picture is, across the process;
// smaller ones run side by side.
constexpr qint64 kLargePixels = 2LL * 1000 * 1000;
// zlib's fastest level with one filter for every row: libpng's default tries all five filters
// on each row and picks one, which costs more than compressing. The "sub" filter suits photos
// (files grow by a few percent); drawings, logos and clip art, in areas of flat colour, compress
// best and fastest unfiltered.
constexpr int kPngLevel = 1;
// A graphic of this many shapes is drawn in two halves at once.
constexpr int kMinShapesToSplit = 1000;

using wpg::saneSize;
using wpg::sizeProblem;

// Qt asks for the user's runtime folder while it starts its GUI and complains on standard error
// when XDG_RUNTIME_DIR is not set (a service, a container). The engine then gets a private one
// of its own, removed when the process ends.
void ensureRuntimeDir()
{
    if (qEnvironmentVariableIsSet("XDG_RUNTIME_DIR"))
        return;
    static QByteArray dir = QDir::tempPath().toLocal8Bit() + "/quillon-engine-XXXXXX";
    if (!::mkdtemp(dir.data())) // made with mode 0700, as Qt requires
        return;
    qputenv("XDG_RUNTIME_DIR", dir);
    std::atexit([] { QDir().rmdir(QString::fromLocal8Bit(dir)); });
}

// Text needs the font database, which Qt opens only under a QGuiApplication. The engine has no
// application object of its own, so the first picture with text creates an offscreen one, on the
// main thread, for the rest of the process; pool threads use it once it is made. Where a
// non-graphical application object already exists (a test program), the text is left out.
std::atomic<bool> g_fontsOpen{false};
std::atomic<bool> g_opening{false}; // the main thread is making the application

bool fontsAvailable()
{
    if (g_fontsOpen.load(std::memory_order_acquire))
        return true;
    if (::gettid() != ::getpid())
        return !g_opening.load(std::memory_order_acquire) &&
               qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        if (QCoreApplication::instance())
            return false;
        static int argc = 1;
        static char name[] = "quillon-engine";
        static char* argv[] = {name, nullptr};
        qputenv("QT_QPA_PLATFORM", "offscreen");
        ensureRuntimeDir();
        g_opening.store(true, std::memory_order_release);
        new QGuiApplication(argc, argv); // kept until the process ends
        g_opening.store(false, std::memory_order_release);
    }
    g_fontsOpen.store(true, std::memory_order_release);
    return true;
}

// The right to convert a large picture, held while its image lives: one at a time.
class LargeTurn {
public:
    // A thread that holds the turn already takes it again at no cost.
    static std::shared_ptr<void> take()
    {
        static LargeTurn turn;
        if (t_holding)
            return std::shared_ptr<void>(&turn, [](void*) {});
        std::unique_lock<std::mutex> lock(turn.m_lock);
        turn.m_free.wait(lock, [] { return !turn.m_taken; });
        turn.m_taken = true;
        t_holding = true;
        return std::shared_ptr<void>(&turn, [](void*) {
            t_holding = false;
            {
                const std::lock_guard<std::mutex> guard(turn.m_lock);
                turn.m_taken = false;
            }
            turn.m_free.notify_one();
        });
    }

private:
    static thread_local bool t_holding;
    std::mutex m_lock;
    std::condition_variable m_free;
    bool m_taken = false;
};

thread_local bool LargeTurn::t_holding = false;

// Thrown on a pool thread when a picture shows text before the font database is open.
struct NeedsFonts {};

// Whether text can be drawn; throws NeedsFonts where only the main thread could make it so.
bool fontsForText()
{
    if (fontsAvailable())
        return true;
    if (!QCoreApplication::instance() || g_opening.load(std::memory_order_acquire))
        throw NeedsFonts();
    return false;
}

void appendPng(png_structp png, png_bytep data, png_size_t length)
{
    static_cast<QByteArray*>(png_get_io_ptr(png))
        ->append(reinterpret_cast<const char*>(data), static_cast<qsizetype>(length));
}

void flushPng(png_structp) {}

// libpng reports errors through longjmp: nothing with a destructor lives in between.
bool writePngRows(QByteArray* out, const QImage& rows, bool alpha, int filter)
{
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (!png)
        return false;
    png_infop info = png_create_info_struct(png);
    if (!info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_set_write_fn(png, out, appendPng, flushPng);
    png_set_compression_level(png, kPngLevel);
    png_set_filter(png, PNG_FILTER_TYPE_BASE, filter);
    png_set_IHDR(png, info, static_cast<png_uint_32>(rows.width()),
                 static_cast<png_uint_32>(rows.height()), 8,
                 alpha ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_BASE, PNG_FILTER_TYPE_BASE);
    png_write_info(png, info);
    for (int y = 0; y < rows.height(); ++y)
        png_write_row(png, rows.constScanLine(y));
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return true;
}

bool isOpaque(const QImage& image)
{
    if (!image.hasAlphaChannel())
        return true;
    if (image.format() != QImage::Format_ARGB32_Premultiplied &&
        image.format() != QImage::Format_ARGB32)
        return false;
    for (int y = 0; y < image.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(line[x]) != 255)
                return false;
    }
    return true;
}

// Whether most pixels are the colour of the one before them, judged from every eighth row: areas
// of flat colour, not a photo.
bool flatColours(const QImage& rows)
{
    const qsizetype bytes = rows.depth() / 8;
    qint64 same = 0;
    qint64 all = 0;
    for (int y = 0; y < rows.height(); y += 8) {
        const uchar* line = rows.constScanLine(y);
        for (int x = 1; x < rows.width(); ++x)
            same += std::memcmp(line + x * bytes, line + (x - 1) * bytes, size_t(bytes)) == 0;
        all += rows.width() - 1;
    }
    return same * 2 > all;
}

// PNG without transparency where every pixel is opaque (three bytes a pixel instead of four).
QByteArray encodePng(const QImage& image)
{
    const bool alpha = !isOpaque(image);
    const QImage rows =
        image.convertToFormat(alpha ? QImage::Format_RGBA8888 : QImage::Format_RGB888);
    if (rows.isNull())
        return {};
    QByteArray out;
    out.reserve(static_cast<qsizetype>(rows.sizeInBytes() / 4));
    return writePngRows(&out, rows, alpha, flatColours(rows) ? PNG_FILTER_NONE : PNG_FILTER_SUB)
               ? out
               : QByteArray();
}

// An uncompressed BMP (as libwpg hands over the bitmaps of WordPerfect graphics) must hold every
// row its header announces.
bool bmpHoldsItsRows(const QByteArray& data, QString* why)
{
    if (data.size() < 54 || !data.startsWith("BM"))
        return true;
    const auto u32 = [&](int at) { return qFromLittleEndian<quint32>(data.constData() + at); };
    const qint64 width = qint32(u32(18));
    const qint64 height = std::abs(qint64(qint32(u32(22))));
    const int bits = qFromLittleEndian<quint16>(data.constData() + 28);
    if (!saneSize(width, height, kMaxPixels)) {
        *why = sizeProblem(width, height);
        return false;
    }
    const qint64 offset = u32(10);
    if (u32(30) == 0 && offset + (width * bits + 31) / 32 * 4 * height > data.size()) {
        *why = sizeProblem(width, height);
        return false;
    }
    return true;
}

// JPEG through libjpeg-turbo's own interface, from the image's memory as it is (on white: JPEG
// has no transparency), 4:2:0 with the accurate DCT, Huffman tables optimised for the picture.
QByteArray encodeJpeg(const QImage& image, int quality)
{
    QImage flat;
    if (isOpaque(image)) {
        flat = image.convertToFormat(QImage::Format_RGB32);
    } else {
        flat = QImage(image.size(), QImage::Format_RGB32);
        flat.fill(Qt::white);
        QPainter painter(&flat);
        painter.drawImage(0, 0, image);
    }
    if (flat.isNull())
        return {};
    tjhandle compressor = tjInitCompress();
    if (!compressor)
        return {};
    unsigned char* out = nullptr;
    unsigned long size = 0;
    // Format_RGB32 is 0xffRRGGBB in native (little-endian) order: B, G, R, X in memory.
    const int failed =
        tjCompress2(compressor, flat.constBits(), flat.width(),
                    static_cast<int>(flat.bytesPerLine()), flat.height(), TJPF_BGRX, &out, &size,
                    TJSAMP_420, std::clamp(quality, 0, 100), TJFLAG_ACCURATEDCT);
    QByteArray bytes;
    if (!failed && out)
        bytes = QByteArray(reinterpret_cast<const char*>(out), static_cast<qsizetype>(size));
    tjFree(out);
    tjDestroy(compressor);
    return bytes;
}

// The format of a picture by its content, as Qt names it ("png", "svg"); empty when no format
// Qt knows takes it.
QByteArray formatOf(const QByteArray& data)
{
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    return QImageReader::imageFormat(&buffer);
}

// The bitmap formats the engine decodes. A format of any other reader the machine's Qt may have
// (one that draws what the picture names from elsewhere, or hands the picture to a program) is
// never used; SVG is read through decodeSvg().
bool bitmapFormat(const QByteArray& format)
{
    static const QByteArrayList formats{"bmp", "cur", "gif", "ico",  "jpeg", "jpg", "pbm", "pgm",
                                        "png", "ppm", "tif", "tiff", "webp", "xbm", "xpm"};
    return formats.contains(format);
}

const QString& unknownFormat()
{
    static const QString why =
        QStringLiteral("its data is damaged or in a format the engine does not read");
    return why;
}

// A picture inside an SVG picture: a bitmap of a plain format, of a sane size.
bool embeddableInSvg(const QByteArray& data)
{
    const QByteArray format = formatOf(data);
    if (format != "png" && format != "jpeg" && format != "gif" && format != "bmp")
        return false;
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    const QSize size = QImageReader(&buffer, format).size();
    return size.isValid() && saneSize(size.width(), size.height(), kMaxPixels);
}

// An SVG picture is drawn from its own bytes only: whatever it names outside itself (a file, an
// address, a style sheet, an entity) is taken out before Qt reads it. Its longest side is
// at most kMaxSide pixels.
QImage decodeSvg(const QByteArray& data, QString* why)
{
    // Qt's SVG reader looks fonts up as it reads, text or not.
    if (!fontsForText()) {
        *why = QStringLiteral("it is an SVG picture, which needs the font database");
        return {};
    }
    const QByteArray svg = svg::withoutReferences(data, embeddableInSvg);
    QBuffer buffer;
    buffer.setData(svg);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "svg");
    reader.setAutoDetectImageFormat(false);
    reader.setAllocationLimit(int(kMaxPixels * 4 / (1024 * 1024)) + 1);
    const QSize size = reader.size();
    if (size.isValid() && std::max(size.width(), size.height()) > kMaxSide)
        reader.setScaledSize(size.scaled(kMaxSide, kMaxSide, Qt::KeepAspectRatio));
    QImage image = svg.isEmpty() ? QImage() : reader.read();
    if (image.isNull())
        *why = QStringLiteral("it is an SVG picture that is damaged or cannot be drawn");
    return image;
}

QImage decodeBitmap(const QByteArray& data, QString* why)
{
    if (!bmpHoldsItsRows(data, why))
        return {};
    const QByteArray format = formatOf(data);
    if (format == "svg")
        return decodeSvg(data, why);
    if (!bitmapFormat(format)) {
        *why = unknownFormat();
        return {};
    }
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, format);
    reader.setAutoDetectImageFormat(false);
    reader.setAutoTransform(true);
    reader.setAllocationLimit(int(kMaxDecodedPixels * 4 / (1024 * 1024)) + 1);
    const QSize size = reader.size();
    if (size.isValid() && !saneSize(size.width(), size.height(), kMaxPixels)) {
        *why = sizeProblem(size.width(), size.height());
        return {};
    }
    if (size.isValid() && qint64(size.width()) * size.height() > kMaxDecodedPixels) {
        if (format != "jpeg") {
            *why = QStringLiteral("its size (%1 x %2 pixels) is more than a picture may take")
                       .arg(size.width())
                       .arg(size.height());
            return {};
        }
        // libjpeg decodes at a half, a quarter or an eighth of the size without the whole.
        int scale = 2;
        while (scale < 8 &&
               qint64(size.width() / scale) * (size.height() / scale) > kMaxDecodedPixels)
            scale *= 2;
        reader.setScaledSize(
            QSize(std::max(1, size.width() / scale), std::max(1, size.height() / scale)));
    }
    QImage image = reader.read();
    if (image.isNull())
        *why = unknownFormat();
    return image;
}

// A picture by its content: a bitmap or a Windows Metafile.
QImage decodePicture(const QByteArray& data, QString* why)
{
    switch (metafile::kindOf(data)) {
    case metafile::Kind::Wmf:
        if (metafile::hasText(data))
            fontsForText();
        return metafile::renderWmf(data, kMaxSide, why);
    case metafile::Kind::Emf:
        *why = QStringLiteral("it is an Enhanced Metafile (EMF), which the engine does not draw");
        return {};
    case metafile::Kind::None:
        break;
    }
    return decodeBitmap(data, why);
}

// What drawing a graphic needs from the module.
graphic::Services drawingServices()
{
    graphic::Services services;
    services.decode = decodePicture;
    services.fonts = fontsForText;
    services.maxSide = kMaxSide;
    return services;
}

// libwpg's drawing of a graphic, painted.
graphic::Drawing paintGraphic(const QByteArray& wpg)
{
    librevenge::RVNGStringStream input(reinterpret_cast<const unsigned char*>(wpg.constData()),
                                       static_cast<unsigned int>(wpg.size()));
    return graphic::draw(
        [&](librevenge::RVNGDrawingInterface& painter) {
            return libwpg::WPGraphics::parse(&input, &painter);
        },
        drawingServices());
}

// A graphic of thousands of shapes (a map) is drawn in two halves at once, on this thread and
// another, the second half over the first: libwpg's reading is most of the work, and each half
// reads the shapes of one half only.
graphic::Drawing paintShapes(const QByteArray& wpg)
{
    const wpg::Halves halves = wpg::splitShapes(wpg, kMinShapesToSplit);
    if (halves.first.isEmpty())
        return paintGraphic(wpg);
    graphic::Drawing first;
    std::exception_ptr firstFailed;
    std::thread other;
    try {
        other = std::thread([&] {
            try {
                first = paintGraphic(halves.first);
            } catch (...) {
                firstFailed = std::current_exception();
            }
        });
    } catch (const std::system_error&) { // no thread to be had: one after the other
        first = paintGraphic(halves.first);
    }
    graphic::Drawing second;
    std::exception_ptr secondFailed;
    try {
        second = paintGraphic(halves.second);
    } catch (...) {
        secondFailed = std::current_exception();
    }
    if (other.joinable())
        other.join();
    for (const std::exception_ptr& failed : {firstFailed, secondFailed})
        if (failed)
            std::rethrow_exception(failed);
    first.parsed = first.parsed && second.parsed;
    if (!first.stopped && second.stopped)
        first.why = second.why;
    first.stopped = first.stopped || second.stopped;
    first.drawn += second.drawn;
    if (!first.image.isNull() && first.image.size() == second.image.size()) {
        QPainter painter(&first.image);
        painter.drawImage(0, 0, second.image);
    }
    return first;
}

// Whether every pixel is transparent.
bool blank(const QImage& image)
{
    if (image.format() != QImage::Format_ARGB32_Premultiplied)
        return false;
    for (int y = 0; y < image.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        if (std::any_of(line, line + image.width(), [](QRgb c) { return qAlpha(c) != 0; }))
            return false;
    }
    return true;
}

// A graphic of plain polylines and polygons (a map of thousands of them) read from its records
// without libwpg, when its other records draw nothing: libwpg reads those (text whose data it
// may or may not show) with the polylines left out, and must leave the page blank. None when the
// graphic is not of that kind.
std::optional<graphic::Drawing> paintPlainShapes(const QByteArray& wpg)
{
    const std::optional<wpg::Shapes> shapes = wpg::readShapes(wpg);
    if (!shapes)
        return std::nullopt;
    graphic::Drawing rest;
    if (shapes->text) {
        rest = paintGraphic(wpg::withoutPolylines(wpg));
        if (!rest.parsed || rest.leftOut > 0 || !blank(rest.image))
            return std::nullopt;
    }
    graphic::Drawing drawing = graphic::drawShapes(*shapes, drawingServices());
    drawing.drawn += rest.drawn;
    return drawing;
}

// A WordPerfect graphic drawn straight onto an image. A graphic that merely wraps one bitmap
// (a scanned photo, a logo) or metafile is that picture at its own size; the common kind of
// bitmap is decoded without libwpg.
QImage drawGraphic(const QByteArray& wpg, QString* why)
{
    wpg::Bitmaps bitmaps = wpg::readBitmaps(wpg, kMaxDecodedPixels, wpg::BitmapWork::Decode);
    if (!bitmaps.sane || !bitmaps.bitmap.isNull()) {
        *why = bitmaps.problem;
        return std::move(bitmaps.bitmap);
    }
    const qint64 pixels = qint64(bitmaps.largest.width()) * bitmaps.largest.height();
    if (pixels > kMaxWpgBitmapPixels) {
        *why = sizeProblem(bitmaps.largest.width(), bitmaps.largest.height());
        return {};
    }
    // A wrapped bitmap was judged by its pixels alone; libwpg, reading it after all, takes far
    // more for each, and does so while no other large picture is converted.
    const std::shared_ptr<void> turn =
        bitmaps.wrapsOne && pixels * 10 > kLargePixels ? LargeTurn::take() : nullptr;
    graphic::Drawing drawing;
    try {
        std::optional<graphic::Drawing> plain = paintPlainShapes(wpg);
        drawing = plain ? std::move(*plain) : paintShapes(wpg);
    } catch (const std::bad_alloc&) {
        *why = QStringLiteral("the graphic needs too much memory");
        return {};
    } catch (const NeedsFonts&) {
        throw;
    } catch (...) {
        drawing = {};
    }
    if (drawing.stopped || !drawing.parsed) {
        *why = drawing.stopped ? drawing.why : QStringLiteral("the graphic is damaged");
        return {};
    }
    if (drawing.onePicture || (drawing.leftOut > 0 && drawing.drawn == 0)) {
        *why = drawing.why;
        return drawing.onePicture ? std::move(drawing.image) : QImage();
    }
    // libwpg gives up on some graphics (a bitmap it cannot read) without saying so: a blank
    // picture would hide that.
    if (drawing.drawn == 0) {
        *why = QStringLiteral("it holds nothing that can be drawn");
        return {};
    }
    if (drawing.leftOut > 0)
        *why = QStringLiteral("drawn without %1 embedded picture(s): %2")
                   .arg(drawing.leftOut)
                   .arg(drawing.why);
    return std::move(drawing.image);
}

// libwpg's SVG, with every picture embedded in the graphic kept in a format Qt and browsers
// draw: a Windows Metafile is drawn here and embedded as PNG; a picture that cannot be drawn is
// left out (and counted) rather than left as an image nothing can show.
class SvgWithPictures final : public librevenge::RVNGSVGDrawingGenerator {
public:
    using RVNGSVGDrawingGenerator::RVNGSVGDrawingGenerator;

    int drawn = 0;   // shapes and texts
    int leftOut = 0; // embedded pictures that cannot be drawn
    QString why;     // of the first left out

    void drawGraphicObject(const librevenge::RVNGPropertyList& props) override
    {
        const librevenge::RVNGProperty* data = props["office:binary-data"];
        if (!data || !props["librevenge:mime-type"])
            return;
        const QByteArray bytes = binaryData(*data);
        QString problem;
        // A bitmap goes into the SVG as it is; a metafile or an SVG picture is drawn here.
        const QByteArray format = formatOf(bytes);
        if (metafile::kindOf(bytes) == metafile::Kind::None && format != "svg") {
            if (drawable(bytes, format, &problem)) {
                ++drawn;
                RVNGSVGDrawingGenerator::drawGraphicObject(props);
                return;
            }
        } else {
            const QImage image = decodePicture(bytes, &problem);
            const QByteArray png = image.isNull() ? QByteArray() : encodePng(image);
            if (!png.isEmpty()) {
                librevenge::RVNGPropertyList copy(props);
                copy.insert("librevenge:mime-type", "image/png");
                copy.insert("office:binary-data",
                            librevenge::RVNGBinaryData(
                                reinterpret_cast<const unsigned char*>(png.constData()),
                                static_cast<unsigned long>(png.size())));
                ++drawn;
                RVNGSVGDrawingGenerator::drawGraphicObject(copy);
                return;
            }
        }
        if (leftOut++ == 0)
            why = problem;
    }

#define QUILLON_DRAWN(name)                                                                        \
    void name(const librevenge::RVNGPropertyList& props) override                                  \
    {                                                                                              \
        ++drawn;                                                                                   \
        RVNGSVGDrawingGenerator::name(props);                                                      \
    }
    QUILLON_DRAWN(drawRectangle)
    QUILLON_DRAWN(drawEllipse)
    QUILLON_DRAWN(drawPolygon)
    QUILLON_DRAWN(drawPolyline)
    QUILLON_DRAWN(drawPath)
    QUILLON_DRAWN(startTextObject)
#undef QUILLON_DRAWN

private:
    // Whether the engine decodes the bitmap, judged from its header without decoding it.
    static bool drawable(const QByteArray& bytes, const QByteArray& format, QString* why)
    {
        if (!bmpHoldsItsRows(bytes, why))
            return false;
        QBuffer buffer;
        buffer.setData(bytes);
        buffer.open(QIODevice::ReadOnly);
        QImageReader reader(&buffer, bitmapFormat(format) ? format : QByteArray());
        reader.setAutoDetectImageFormat(false);
        const QSize size = reader.size();
        if (!bitmapFormat(format) || !reader.canRead() || !size.isValid()) {
            *why = QStringLiteral("an embedded picture is damaged or in a format the engine does "
                                  "not read");
            return false;
        }
        if (!saneSize(size.width(), size.height(), kMaxPixels)) {
            *why = sizeProblem(size.width(), size.height());
            return false;
        }
        return true;
    }
};

// Of how many pixels the memory a picture takes while it is converted may be, from its header.
qint64 decodedPixels(const QByteArray& data)
{
    if (isWpg(data)) {
        const wpg::Bitmaps bitmaps = wpg::readBitmaps(data, kMaxPixels, wpg::BitmapWork::Sizes);
        const qint64 pixels = qint64(bitmaps.largest.width()) * bitmaps.largest.height();
        return bitmaps.wrapsOne ? pixels : pixels * 10; // libwpg's forty bytes a pixel
    }
    if (metafile::kindOf(data) != metafile::Kind::None)
        return kLargePixels + 1; // libwmf may take 64 MiB
    // An SVG picture is read only once what it names outside itself is taken out.
    const QByteArray format = formatOf(data);
    if (!bitmapFormat(format))
        return format == "svg" ? qint64(kMaxSide) * kMaxSide : 0;
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, format);
    reader.setAutoDetectImageFormat(false);
    const QSize size = reader.size();
    return size.isValid() ? std::min(qint64(size.width()) * size.height(), kMaxDecodedPixels) : 0;
}

class Codec final : public PictureCodec {
public:
    QByteArray wpgToSvg(const QByteArray& wpg, QString* problem) const override
    {
        try {
            return svgOf(wpg, problem);
        } catch (const NeedsFonts&) { // encode() converts it once the fonts are open
            if (problem)
                *problem = QStringLiteral("its text needs the font database");
            return {};
        }
    }

    // libwpg's SVG of the graphic; NeedsFonts leaves it.
    static QByteArray svgOf(const QByteArray& wpg, QString* problem)
    {
        QString why;
        QByteArray svg;
        try {
            librevenge::RVNGStringStream input(
                reinterpret_cast<const unsigned char*>(wpg.constData()),
                static_cast<unsigned int>(wpg.size()));
            const wpg::Bitmaps bitmaps =
                wpg::readBitmaps(wpg, kMaxWpgBitmapPixels, wpg::BitmapWork::Check);
            if (!bitmaps.sane) {
                why = bitmaps.problem;
            } else if (libwpg::WPGraphics::isSupported(&input)) {
                input.seek(0, librevenge::RVNG_SEEK_SET);
                librevenge::RVNGStringVector pages;
                SvgWithPictures generator(pages, "");
                if (libwpg::WPGraphics::parse(&input, &generator) && !pages.empty()) {
                    if (generator.leftOut > 0 && generator.drawn == 0)
                        why = generator.why;
                    else
                        svg = QByteArray(pages[0].cstr(), static_cast<qsizetype>(pages[0].size()));
                    if (generator.leftOut > 0 && generator.drawn > 0)
                        why = QStringLiteral("drawn without %1 embedded picture(s): %2")
                                  .arg(generator.leftOut)
                                  .arg(generator.why);
                }
            }
        } catch (const std::bad_alloc&) {
            why = QStringLiteral("the graphic needs too much memory");
        } catch (const NeedsFonts&) {
            throw;
        } catch (...) {
        }
        if (svg.isEmpty() && why.isEmpty())
            why = QStringLiteral("the graphic is damaged");
        if (problem)
            *problem = why;
        return svg;
    }

    // Made when the module is loaded, on the main thread.
    Codec()
    {
        // TurboJPEG optimises Huffman tables (smaller files, as before) only when told so here.
        qputenv("TJ_OPTIMIZE", "1");
    }

    bool needsFonts(const QByteArray& data) const override
    {
        if (isWpg(data))
            return wpg::mayShowText(data);
        if (metafile::kindOf(data) == metafile::Kind::Wmf)
            return metafile::hasText(data);
        return formatOf(data) == "svg";
    }

    void prepare() const override { fontsAvailable(); }

    bool large(const QByteArray& data) const override { return decodedPixels(data) > kLargePixels; }

    RenderedPicture render(const QByteArray& data) const override
    {
        RenderedPicture rendered;
        try {
            // Held until the image is gone: it is encoded while no other large picture is.
            const std::shared_ptr<void> turn = large(data) ? LargeTurn::take() : nullptr;
            QImage image = toImage(data, &rendered.problem);
            if (image.isNull() && rendered.problem.isEmpty())
                rendered.problem = QStringLiteral("it is empty or damaged");
            if (!image.isNull()) {
                rendered.width = image.width();
                rendered.height = image.height();
                rendered.image = std::shared_ptr<const QImage>(
                    new QImage(std::move(image)), [turn](const QImage* p) { delete p; });
            }
        } catch (const std::bad_alloc&) {
            rendered = {};
            rendered.problem = QStringLiteral("it needs too much memory");
        } catch (const NeedsFonts&) {
            rendered = {};
            rendered.needsFonts = true;
        }
        return rendered;
    }

    EncodedPicture encode(const RenderedPicture& picture, PictureFormat format,
                          int jpegQuality) const override
    {
        EncodedPicture encoded;
        encoded.problem = picture.problem;
        encoded.needsFonts = picture.needsFonts;
        if (!picture.image)
            return encoded;
        const auto& image = *static_cast<const QImage*>(picture.image.get());
        try {
            encoded.bytes =
                format == PictureFormat::Jpeg ? encodeJpeg(image, jpegQuality) : encodePng(image);
            if (encoded.bytes.isEmpty())
                encoded.problem = QStringLiteral("it could not be encoded");
        } catch (const std::bad_alloc&) {
            encoded.bytes.clear();
            encoded.problem = QStringLiteral("it needs too much memory");
        }
        encoded.width = image.width();
        encoded.height = image.height();
        return encoded;
    }

private:
    QImage toImage(const QByteArray& data, QString* why) const
    {
        if (data.isEmpty())
            return {};
        return isWpg(data) ? drawGraphic(data, why) : decodePicture(data, why);
    }
};

} // namespace
} // namespace engine

extern "C" Q_DECL_EXPORT const engine::PictureCodec* quillon_engine_picture_codec()
{
    static const engine::Codec codec;
    return &codec;
}
