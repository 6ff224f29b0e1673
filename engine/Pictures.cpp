// Quillon engine: exports a document's embedded pictures as image files beside the target.
#include "Pictures.h"

#include "EngineError.h"
#include "Publisher.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImageReader>
#include <QImageWriter>
#include <QLocale>
#include <QPainter>
#include <QRegularExpression>
#include <QSvgRenderer>
#include <QUrl>

#include <librevenge-stream/librevenge-stream.h>
#include <librevenge/librevenge.h>
#include <libwpg/libwpg.h>

#include <cmath>

namespace engine {
namespace {

constexpr double kRenderDpi = 150;
constexpr int kMaxSide = 4096;
constexpr qint64 kMaxPixels = 64LL * 1024 * 1024;

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

// Ids of pictures placed inline in one page must not collide: each picture's ids get a prefix.
QString prefixIds(QString svg, const QString& prefix)
{
    svg.replace(QLatin1String(" id=\""), QStringLiteral(" id=\"%1").arg(prefix));
    svg.replace(QLatin1String("url(#"), QStringLiteral("url(#%1").arg(prefix));
    svg.replace(QLatin1String("href=\"#"), QStringLiteral("href=\"#%1").arg(prefix));
    return svg;
}

} // namespace

int jpegQualityFromText(const QString& text)
{
    const QString trimmed = text.trimmed();
    bool ok = false;
    double value = QLocale::c().toDouble(QString(trimmed).replace(QLatin1Char(','), u'.'), &ok);
    if (!ok)
        value = QLocale::system().toDouble(trimmed, &ok);
    if (!ok || !std::isfinite(value))
        throw EngineError(EngineError::Kind::BadArgument,
                          QStringLiteral("The JPEG quality \"%1\" is not a number: give a number "
                                         "from 0 (smallest files) to 100 (best pictures).")
                              .arg(text));
    return static_cast<int>(std::lround(std::clamp(value, 0.0, 100.0)));
}

namespace pictures {

QString folderFor(const QString& target)
{
    const QFileInfo info(target);
    return info.absoluteDir().filePath(info.completeBaseName() + QStringLiteral("_files"));
}

bool isWpg(const QByteArray& data)
{
    return data.size() >= 16 && data.startsWith("\xFFWPC") && data.at(9) == 0x16;
}

QByteArray wpgToSvg(const QByteArray& wpg)
{
    try {
        librevenge::RVNGStringStream input(reinterpret_cast<const unsigned char*>(wpg.constData()),
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

QImage toImage(const QByteArray& data)
{
    if (data.isEmpty())
        return {};
    if (isWpg(data)) {
        const QByteArray svg = wpgToSvg(data);
        return svg.isEmpty() ? QImage() : renderSvg(svg);
    }
    return decodeBitmap(data);
}

QByteArray encode(const QImage& image, PictureFormat format, int jpegQuality)
{
    if (image.isNull())
        return {};
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
        if (!writer.write(image))
            return {};
    }
    return buffer.data();
}

} // namespace pictures

PictureExporter::PictureExporter(const QString& target, PictureFormat format, int jpegQuality)
    : m_folder(pictures::folderFor(target)), m_folderName(QFileInfo(m_folder).fileName()),
      m_format(format), m_quality(jpegQuality)
{
}

bool PictureExporter::ensureFolder()
{
    if (!m_folderTried) {
        m_folderTried = true;
        m_folderReady = QDir().mkpath(m_folder) && QFileInfo(m_folder).isDir();
    }
    return m_folderReady;
}

QString PictureExporter::urlOf(const QString& fileName) const
{
    return QString::fromLatin1(QUrl::toPercentEncoding(m_folderName) + '/' +
                               QUrl::toPercentEncoding(fileName));
}

PictureRef PictureExporter::picture(const Inline& object)
{
    QCryptographicHash hash(QCryptographicHash::Sha1);
    hash.addData(object.mimeType.toUtf8());
    hash.addData(QByteArrayView("\0", 1));
    hash.addData(object.data);
    const QByteArray key = hash.result();
    const auto found = m_done.constFind(key);
    if (found != m_done.constEnd())
        return *found;
    const PictureRef ref = convert(object, ++m_count);
    if (ref.failed())
        ++m_failed;
    m_done.insert(key, ref);
    return ref;
}

PictureRef PictureExporter::convert(const Inline& object, int number)
{
    PictureRef ref;
    ref.alt = QStringLiteral("Picture %1").arg(number);
    if (m_format == PictureFormat::InlineSvg && pictures::isWpg(object.data)) {
        QString svg = QString::fromUtf8(pictures::wpgToSvg(object.data));
        const qsizetype open = svg.indexOf(QLatin1String("<svg"));
        if (open >= 0) {
            svg = prefixIds(svg.mid(open), QStringLiteral("picture%1-").arg(number));
            svg.insert(4, QStringLiteral(" role=\"img\" aria-label=\"%1\"").arg(ref.alt));
            ref.svg = svg;
            return ref;
        }
    }
    const PictureFormat fileFormat =
        m_format == PictureFormat::Jpeg ? PictureFormat::Jpeg : PictureFormat::Png;
    QImage image;
    QByteArray bytes;
    try {
        image = pictures::toImage(object.data);
        bytes = pictures::encode(image, fileFormat, m_quality);
    } catch (const std::bad_alloc&) {
        bytes.clear();
    }
    const QString fileName =
        QStringLiteral("picture%1.%2")
            .arg(number)
            .arg(fileFormat == PictureFormat::Jpeg ? QLatin1String("jpg") : QLatin1String("png"));
    if (!bytes.isEmpty() && ensureFolder()) {
        try {
            Publisher::writeAtomically(QDir(m_folder).filePath(fileName), bytes);
            ref.src = urlOf(fileName);
            ref.contentType = fileFormat == PictureFormat::Jpeg ? QStringLiteral("image/jpeg")
                                                                : QStringLiteral("image/png");
            ref.width = image.width();
            ref.height = image.height();
            ++m_written;
            return ref;
        } catch (const EngineError&) {
        }
    }
    ref.alt = QStringLiteral("Picture %1 could not be converted").arg(number);
    return ref;
}

bool PictureExporter::writeCompanion(const QString& name, const QByteArray& bytes)
{
    if (!ensureFolder())
        return false;
    try {
        Publisher::writeAtomically(QDir(m_folder).filePath(name), bytes);
    } catch (const EngineError&) {
        return false;
    }
    return true;
}

} // namespace engine
