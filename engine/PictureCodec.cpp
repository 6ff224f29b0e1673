// Quillon engine: decoding, rendering and encoding pictures (the module quillon-engine-pictures).
#include "PictureCodec.h"

#include "Base64.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>
#include <QPainter>
#include <QRegularExpression>
#include <QSvgRenderer>

#include <librevenge-stream/librevenge-stream.h>
#include <librevenge/librevenge.h>
#include <libwpg/libwpg.h>

#include <png.h>

#include <algorithm>
#include <csetjmp>
#include <cstdlib>
#include <new>

namespace engine {
namespace {

// Pictures are for the screen: one pixel per CSS pixel.
constexpr double kRenderDpi = 96;
constexpr int kMaxSide = 2048;
constexpr qint64 kMaxPixels = 64LL * 1024 * 1024;
// zlib's fastest level with the "sub" filter on every row: libpng's default tries all five
// filters on each row and picks one, which costs more than compressing; files grow by a few
// percent.
constexpr int kPngLevel = 1;

bool isWpg(const QByteArray& data)
{
    return data.size() >= 16 && data.startsWith("\xFFWPC") && data.at(9) == 0x16;
}

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

// Text in an SVG needs the font database, which Qt opens only under a QGuiApplication. The
// engine has no application object of its own, so the first picture with text creates an
// offscreen one for the rest of the process. Where a non-graphical application object already
// exists (a test program), the text is left out instead.
bool fontsAvailable()
{
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return true;
    if (QCoreApplication::instance())
        return false;
    static int argc = 1;
    static char name[] = "quillon-engine";
    static char* argv[] = {name, nullptr};
    qputenv("QT_QPA_PLATFORM", "offscreen");
    ensureRuntimeDir();
    new QGuiApplication(argc, argv); // kept until the process ends
    return true;
}

QByteArray withoutText(const QByteArray& svg)
{
    static const QRegularExpression text(QStringLiteral("<text\\b[^>]*(/>|>.*?</text>)"),
                                         QRegularExpression::DotMatchesEverythingOption);
    return QString::fromUtf8(svg).remove(text).toUtf8();
}

QImage renderSvg(const QByteArray& svg)
{
    const bool hasText = svg.contains("<text");
    QSvgRenderer renderer(hasText && !fontsAvailable() ? withoutText(svg) : svg);
    if (!renderer.isValid())
        return {};
    // librevenge gives the view box in points.
    QSizeF size = renderer.viewBoxF().size() * (kRenderDpi / 72.0);
    if (!(size.width() > 0 && size.height() > 0))
        size = renderer.defaultSize();
    if (!(size.width() > 0 && size.height() > 0))
        return {};
    const double longest = std::max(size.width(), size.height());
    if (longest > kMaxSide)
        size *= kMaxSide / longest;
    const QSize pixels(std::max(1, qRound(size.width())), std::max(1, qRound(size.height())));
    QImage image(pixels, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull())
        return {};
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    renderer.render(&painter);
    painter.end();
    return image;
}

void appendPng(png_structp png, png_bytep data, png_size_t length)
{
    static_cast<QByteArray*>(png_get_io_ptr(png))
        ->append(reinterpret_cast<const char*>(data), static_cast<qsizetype>(length));
}

void flushPng(png_structp) {}

// libpng reports errors through longjmp: nothing with a destructor lives in between.
bool writePngRows(QByteArray* out, const QImage& rows, bool alpha)
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
    png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_SUB);
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
    return writePngRows(&out, rows, alpha) ? out : QByteArray();
}

QImage decodeBitmap(const QByteArray& data)
{
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setAutoTransform(true);
    const QSize size = reader.size();
    if (size.isValid() && qint64(size.width()) * size.height() > kMaxPixels)
        return {};
    return reader.read();
}

// Many WordPerfect graphics merely wrap one bitmap (a scanned photo, a logo). Watching libwpg's
// drawing calls finds the bitmap so that it is decoded directly, without turning it into base64
// inside an SVG and rendering that. The first call that draws anything else stops the watch.
class BitmapFinder final : public librevenge::RVNGDrawingInterface {
public:
    struct NotABitmap {};

    QByteArray bitmap;
    bool onlyBitmap = true;

    void drawGraphicObject(const librevenge::RVNGPropertyList& props) override
    {
        const librevenge::RVNGProperty* type = props["librevenge:mime-type"];
        if (!bitmap.isEmpty() || !props["office:binary-data"] || !type ||
            QByteArray(type->getStr().cstr()) == "image/svg+xml")
            stop();
        // librevenge hands binary data out only as base64.
        const librevenge::RVNGString base64 = props["office:binary-data"]->getStr();
        bitmap = decodeBase64(base64.cstr(), static_cast<qsizetype>(base64.size()));
        if (bitmap.isEmpty())
            stop();
    }

#define QUILLON_IGNORE(name)                                                                       \
    void name(const librevenge::RVNGPropertyList&) override {}
#define QUILLON_IGNORE0(name)                                                                      \
    void name() override {}
#define QUILLON_STOP(name)                                                                         \
    void name(const librevenge::RVNGPropertyList&) override                                        \
    {                                                                                              \
        stop();                                                                                    \
    }
#define QUILLON_STOP0(name)                                                                        \
    void name() override                                                                           \
    {                                                                                              \
        stop();                                                                                    \
    }
    QUILLON_IGNORE(startDocument)
    QUILLON_IGNORE0(endDocument)
    QUILLON_IGNORE(setDocumentMetaData)
    QUILLON_IGNORE(defineEmbeddedFont)
    QUILLON_IGNORE(startPage)
    QUILLON_IGNORE0(endPage)
    QUILLON_IGNORE(startMasterPage)
    QUILLON_IGNORE0(endMasterPage)
    QUILLON_IGNORE(setStyle)
    QUILLON_IGNORE(startLayer)
    QUILLON_IGNORE0(endLayer)
    QUILLON_STOP(startEmbeddedGraphics)
    QUILLON_STOP0(endEmbeddedGraphics)
    QUILLON_IGNORE(openGroup)
    QUILLON_IGNORE0(closeGroup)
    QUILLON_STOP(drawRectangle)
    QUILLON_STOP(drawEllipse)
    QUILLON_STOP(drawPolygon)
    QUILLON_STOP(drawPolyline)
    QUILLON_STOP(drawPath)
    QUILLON_STOP(drawConnector)
    QUILLON_STOP(startTextObject)
    QUILLON_STOP0(endTextObject)
    QUILLON_STOP(startTableObject)
    QUILLON_STOP(openTableRow)
    QUILLON_STOP0(closeTableRow)
    QUILLON_STOP(openTableCell)
    QUILLON_STOP0(closeTableCell)
    QUILLON_STOP(insertCoveredTableCell)
    QUILLON_STOP0(endTableObject)
    QUILLON_STOP0(insertTab)
    QUILLON_STOP0(insertSpace)
    QUILLON_STOP0(insertLineBreak)
    QUILLON_STOP(insertField)
    QUILLON_STOP(openOrderedListLevel)
    QUILLON_STOP(openUnorderedListLevel)
    QUILLON_STOP0(closeOrderedListLevel)
    QUILLON_STOP0(closeUnorderedListLevel)
    QUILLON_STOP(openListElement)
    QUILLON_STOP0(closeListElement)
    QUILLON_STOP(defineParagraphStyle)
    QUILLON_STOP(openParagraph)
    QUILLON_STOP0(closeParagraph)
    QUILLON_STOP(defineCharacterStyle)
    QUILLON_STOP(openSpan)
    QUILLON_STOP0(closeSpan)
    QUILLON_STOP(openLink)
    QUILLON_STOP0(closeLink)
#undef QUILLON_IGNORE
#undef QUILLON_IGNORE0
#undef QUILLON_STOP
#undef QUILLON_STOP0
    void insertText(const librevenge::RVNGString&) override
    {
        stop();
    }

private:
    [[noreturn]] void stop()
    {
        onlyBitmap = false;
        throw NotABitmap();
    }
};

// The one bitmap a WordPerfect graphic wraps, decoded; null when it draws anything else.
QImage wrappedBitmap(const QByteArray& wpg)
{
    BitmapFinder finder;
    try {
        librevenge::RVNGStringStream input(reinterpret_cast<const unsigned char*>(wpg.constData()),
                                           static_cast<unsigned int>(wpg.size()));
        if (!libwpg::WPGraphics::parse(&input, &finder))
            return {};
    } catch (const BitmapFinder::NotABitmap&) {
        return {};
    }
    return finder.onlyBitmap ? decodeBitmap(finder.bitmap) : QImage();
}

class Codec final : public PictureCodec {
public:
    QByteArray wpgToSvg(const QByteArray& wpg) const override
    {
        try {
            librevenge::RVNGStringStream input(
                reinterpret_cast<const unsigned char*>(wpg.constData()),
                static_cast<unsigned int>(wpg.size()));
            if (!libwpg::WPGraphics::isSupported(&input))
                return {};
            input.seek(0, librevenge::RVNG_SEEK_SET);
            librevenge::RVNGStringVector pages;
            librevenge::RVNGSVGDrawingGenerator generator(pages, "");
            if (!libwpg::WPGraphics::parse(&input, &generator) || pages.empty())
                return {};
            return QByteArray(pages[0].cstr(), static_cast<qsizetype>(pages[0].size()));
        } catch (...) {
            return {};
        }
    }

    EncodedPicture encode(const QByteArray& data, PictureFormat format,
                          int jpegQuality) const override
    {
        try {
            const QImage image = toImage(data);
            if (image.isNull())
                return {};
            return {write(image, format, jpegQuality), image.width(), image.height()};
        } catch (const std::bad_alloc&) {
            return {};
        }
    }

private:
    QImage toImage(const QByteArray& data) const
    {
        if (data.isEmpty())
            return {};
        if (isWpg(data)) {
            QImage bitmap = wrappedBitmap(data);
            if (!bitmap.isNull())
                return bitmap;
            const QByteArray svg = wpgToSvg(data);
            return svg.isEmpty() ? QImage() : renderSvg(svg);
        }
        return decodeBitmap(data);
    }

    static QByteArray write(const QImage& image, PictureFormat format, int jpegQuality)
    {
        if (format != PictureFormat::Jpeg)
            return encodePng(image);
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        {
            QImage flat(image.size(), QImage::Format_RGB32);
            flat.fill(Qt::white);
            QPainter painter(&flat);
            painter.drawImage(0, 0, image);
            painter.end();
            QImageWriter writer(&buffer, "jpeg");
            writer.setQuality(jpegQuality);
            writer.setOptimizedWrite(true);
            if (!writer.write(flat))
                return {};
        }
        return buffer.data();
    }
};

} // namespace
} // namespace engine

extern "C" Q_DECL_EXPORT const engine::PictureCodec* quillon_engine_picture_codec()
{
    static const engine::Codec codec;
    return &codec;
}
