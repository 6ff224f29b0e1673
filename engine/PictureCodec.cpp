// Quillon engine: decoding, rendering and encoding pictures (the module quillon-engine-pictures).
#include "PictureCodec.h"

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

#include <algorithm>
#include <cstdlib>
#include <new>

namespace engine {
namespace {

constexpr double kRenderDpi = 150;
constexpr int kMaxSide = 4096;
constexpr qint64 kMaxPixels = 64LL * 1024 * 1024;
// Qt maps the PNG "quality" to zlib's level, (100 - quality) * 9 / 91: 50 is level 4, which
// makes files within about one percent of the default level's at two thirds of its time.
constexpr int kPngQuality = 50;

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
            const QByteArray svg = wpgToSvg(data);
            return svg.isEmpty() ? QImage() : renderSvg(svg);
        }
        return decodeBitmap(data);
    }

    static QByteArray write(const QImage& image, PictureFormat format, int jpegQuality)
    {
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        if (format == PictureFormat::Jpeg) {
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
        } else {
            QImageWriter writer(&buffer, "png");
            writer.setQuality(kPngQuality);
            if (!writer.write(image))
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
