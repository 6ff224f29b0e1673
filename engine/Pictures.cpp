// Quillon engine: exports a document's embedded pictures as image files beside the target.
#include "Pictures.h"

#include "EngineError.h"
#include "OutputFiles.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QUrl>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <dlfcn.h>

namespace engine {
namespace {

const char kModuleName[] = "quillon-engine-pictures.so";

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

bool isWpg(const QByteArray& data)
{
    return data.size() >= 16 && data.startsWith("\xFFWPC") && data.at(9) == 0x16;
}

QByteArray wpgToSvg(const QByteArray& wpg, QString* problem)
{
    const PictureCodec* codec = PictureCodec::instance();
    return codec ? codec->wpgToSvg(wpg, problem) : QByteArray();
}

} // namespace pictures

// The module sits beside the program (the engine, or a test program built into the same folder).
const PictureCodec* PictureCodec::instance(QByteArray* error)
{
    static QByteArray failure;
    static const PictureCodec* const codec = []() -> const PictureCodec* {
        const QString program = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
        const QByteArray path = QFile::encodeName(
            QFileInfo(program).absoluteDir().filePath(QLatin1String(kModuleName)));
        void* module = ::dlopen(path.constData(), RTLD_NOW | RTLD_LOCAL);
        if (!module) {
            failure = ::dlerror();
            return nullptr;
        }
        using Entry = const PictureCodec* (*)();
        const auto entry = reinterpret_cast<Entry>(::dlsym(module, "quillon_engine_picture_codec"));
        if (!entry) {
            failure = path + ": no picture codec in it";
            return nullptr;
        }
        return entry(); // the module stays loaded until the process ends
    }();
    if (!codec && error)
        *error = failure;
    return codec;
}

PictureExporter::PictureExporter(OutputFiles& files, PictureFormat format, int jpegQuality)
    : m_files(files), m_format(format), m_quality(jpegQuality)
{
}

QString PictureExporter::urlOf(const QString& fileName) const
{
    return QString::fromLatin1(QUrl::toPercentEncoding(m_files.companionName()) + '/' +
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
    if (!m_problem.isEmpty())
        m_problems << QStringLiteral("%1 %2: %3")
                          .arg(ref.failed() ? QStringLiteral("could not convert picture")
                                            : QStringLiteral("picture"))
                          .arg(m_count)
                          .arg(m_problem);
    m_done.insert(key, ref);
    return ref;
}

PictureRef PictureExporter::convert(const Inline& object, int number)
{
    m_problem.clear();
    PictureRef ref;
    ref.alt = QStringLiteral("Picture %1").arg(number);
    if (m_format == PictureFormat::InlineSvg && pictures::isWpg(object.data)) {
        QString svg = QString::fromUtf8(pictures::wpgToSvg(object.data, &m_problem));
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
    EncodedPicture encoded;
    QByteArray why;
    if (const PictureCodec* codec = PictureCodec::instance(&why)) {
        encoded = codec->encode(object.data, fileFormat, m_quality);
        m_problem = encoded.problem;
    } else {
        m_problem = QStringLiteral("the picture module cannot be loaded");
        static bool told = false; // once per process
        if (!told)
            std::fprintf(stderr, "quillon-engine: pictures cannot be converted: %s\n",
                         why.constData());
        told = true;
    }
    const QByteArray& bytes = encoded.bytes;
    const QString fileName =
        QStringLiteral("picture%1.%2")
            .arg(number)
            .arg(fileFormat == PictureFormat::Jpeg ? QLatin1String("jpg") : QLatin1String("png"));
    if (bytes.isEmpty()) {
        ref.alt = QStringLiteral("Picture %1 could not be converted").arg(number);
        return ref;
    }
    // A picture that cannot be written fails the publish: the disk is full, the folder cannot
    // be made, ... and the output would silently lack it.
    m_files.writeCompanion(fileName, bytes);
    ref.src = urlOf(fileName);
    ref.contentType = fileFormat == PictureFormat::Jpeg ? QStringLiteral("image/jpeg")
                                                        : QStringLiteral("image/png");
    ref.width = encoded.width;
    ref.height = encoded.height;
    ++m_written;
    return ref;
}

bool PictureExporter::writeCompanion(const QString& name, const QByteArray& bytes)
{
    try {
        m_files.writeCompanion(name, bytes);
    } catch (const EngineError&) {
        return false;
    }
    return true;
}

} // namespace engine
