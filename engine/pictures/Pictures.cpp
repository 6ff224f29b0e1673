// Quillon engine: exports a document's embedded pictures as image files beside the target.
#include "Pictures.h"

#include "EngineError.h"
#include "Markup.h"
#include "OutputFiles.h"
#include "PictureCache.h"
#include "QualityText.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
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

// The value of the attribute in an element's start tag ("<svg a=\"1\" ...>"), empty when the
// tag has none.
QString attribute(QStringView tag, QLatin1String name)
{
    const QString key = QLatin1Char(' ') + name + QLatin1String("=\"");
    const qsizetype at = tag.indexOf(key);
    if (at < 0)
        return {};
    const qsizetype start = at + key.size();
    const qsizetype end = tag.indexOf(u'"', start);
    return end < 0 ? QString() : tag.mid(start, end - start).toString();
}

QStringView startTag(const QString& svg)
{
    const qsizetype end = svg.indexOf(u'>');
    return QStringView(svg).left(end < 0 ? svg.size() : end);
}

// A later place of a graphic inlined before: an svg element of the same size that uses the
// first one by its id, so the graphic's markup is in the page once.
QString reuse(const QString& svg, const QString& alt)
{
    const QStringView tag = startTag(svg);
    QString out = QStringLiteral("<svg role=\"img\" aria-label=\"%1\"").arg(alt);
    for (const QLatin1String name :
         {QLatin1String("width"), QLatin1String("height"), QLatin1String("viewBox")}) {
        const QString value = attribute(tag, name);
        if (!value.isEmpty())
            out += QStringLiteral(" %1=\"%2\"").arg(name, value);
    }
    return out + QStringLiteral("><use href=\"#%1\" width=\"100%\" height=\"100%\"/></svg>")
                     .arg(attribute(tag, QLatin1String("id")));
}

} // namespace

int jpegQualityFromText(const QString& text)
{
    const std::optional<double> value = wire::qualityNumber(text);
    if (!value)
        throw EngineError(EngineError::Kind::BadArgument,
                          QStringLiteral("The JPEG quality \"%1\" is not a number: give a number "
                                         "from 0 (smallest files) to 100 (best pictures).")
                              .arg(text));
    return static_cast<int>(std::lround(std::clamp(*value, 0.0, 100.0)));
}

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

// One picture of the publish: converted on the pool, placed (written) by the publish's thread.
struct PictureExporter::Job {
    int number = 0;
    QByteArray data;
    QString svg; // inline SVG, when the format asks for it and the picture is a graphic
    EncodedPicture encoded;
    PictureRef ref;
    bool placed = false;
};

PictureExporter::PictureExporter(OutputFiles& files, PictureFormat format, int jpegQuality,
                                 qsizetype maxInlineSvg, PictureCache* cache)
    : m_files(files), m_format(format), m_quality(jpegQuality), m_inlineLeft(maxInlineSvg),
      m_cache(cache)
{
    m_pool.setMaxThreadCount(PictureCodec::kThreadsPerPool);
}

PictureExporter::~PictureExporter()
{
    m_pool.waitForDone();
}

QString PictureExporter::urlOf(const QString& fileName) const
{
    return QString::fromLatin1(QUrl::toPercentEncoding(m_files.companionName()) + '/' +
                               QUrl::toPercentEncoding(fileName));
}

PictureRef PictureExporter::picture(const Inline& object)
{
    const Key key{object.mimeType, object.data};
    Job* job = m_jobs.value(key);
    if (!job) {
        m_order.push_back(std::make_unique<Job>());
        job = m_order.back().get();
        job->number = ++m_count;
        job->data = object.data;
        m_jobs.insert(key, job);
        start(*job);
    }
    if (!job->placed) {
        if (!m_finished)
            return provisional(*job);
        place(*job); // met only now: the writer asks in the same order each time
    }
    return job->ref;
}

// What the writer gets before the picture is converted: the reference of the picture written as
// a file, which it becomes unless it fails or is placed inline.
PictureRef PictureExporter::provisional(const Job& job) const
{
    PictureRef ref;
    ref.alt = QStringLiteral("Picture %1").arg(job.number);
    ref.src = urlOf(fileName(job.number));
    ref.contentType = m_format == PictureFormat::Jpeg ? QStringLiteral("image/jpeg")
                                                      : QStringLiteral("image/png");
    return ref;
}

QString PictureExporter::fileName(int number) const
{
    return QStringLiteral("picture%1.%2")
        .arg(number)
        .arg(m_format == PictureFormat::Jpeg ? QLatin1String("jpg") : QLatin1String("png"));
}

// Conversions run on the pool while the writer goes on; the codec is made ready for them here,
// on the publish's thread.
void PictureExporter::start(Job& job)
{
    QByteArray why;
    const PictureCodec* codec = PictureCodec::instance(&why);
    if (!codec) {
        job.encoded.problem = QStringLiteral("the picture module cannot be loaded");
        static bool told = false; // once per process
        if (!told)
            std::fprintf(stderr, "quillon-engine: pictures cannot be converted: %s\n",
                         why.constData());
        told = true;
        return;
    }
    // A picture the cache renders needs the font database only if it shows text after all.
    const bool cached = m_cache && m_cache->has(job.data);
    if (!cached && codec->needsFonts(job.data))
        codec->prepare();
    m_pool.start([this, codec, &job, cached] { convert(*codec, job, cached); });
}

// On a pool thread, or on the publish's thread for a picture that needed the font database.
void PictureExporter::convert(const PictureCodec& codec, Job& job, bool cached) const
{
    try {
        if (m_format == PictureFormat::InlineSvg && isWpg(job.data)) {
            // libwpg copies a graphic's text as it stands: control characters that neither a
            // page nor an SVG file may hold are taken out.
            job.svg =
                markup::clean(QString::fromUtf8(codec.wpgToSvg(job.data, &job.encoded.problem)));
            if (job.svg.contains(QLatin1String("<svg"))) {
                if (cached)
                    m_cache->drop(job.data);
                return;
            }
        }
        std::optional<RenderedPicture> rendered;
        if (cached)
            rendered = m_cache->take(job.data);
        if (!rendered)
            rendered = codec.render(job.data);
        job.encoded = codec.encode(
            *rendered, m_format == PictureFormat::Jpeg ? PictureFormat::Jpeg : PictureFormat::Png,
            m_quality);
    } catch (...) { // nothing may leave a pool thread
        job.svg.clear();
        job.encoded = {};
        job.encoded.problem = QStringLiteral("it could not be converted");
    }
}

void PictureExporter::finish()
{
    m_pool.waitForDone();
    m_finished = true;
    // A picture whose text the records did not announce: converted again with fonts.
    for (const auto& job : m_order) {
        if (job->encoded.needsFonts) {
            if (const PictureCodec* codec = PictureCodec::instance()) {
                codec->prepare();
                convert(*codec, *job, false);
            }
        }
    }
    for (const auto& job : m_order)
        if (!job->placed)
            place(*job);
}

// Writes the converted picture into the folder, in the order the pictures were met. A picture
// that cannot be written fails the publish (EngineError): the disk is full, the folder cannot
// be made, ... and the output would silently lack it.
void PictureExporter::place(Job& job)
{
    m_pool.waitForDone();
    job.placed = true;
    PictureRef& ref = job.ref;
    const int number = job.number;
    bool kept = false; // the provisional reference holds
    ref.alt = QStringLiteral("Picture %1").arg(number);
    const qsizetype open = job.svg.indexOf(QLatin1String("<svg"));
    if (open >= 0 && job.svg.size() - open <= m_inlineLeft) {
        QString svg = prefixIds(job.svg.mid(open), QStringLiteral("picture%1-").arg(number));
        QString attributes = QStringLiteral(" role=\"img\" aria-label=\"%1\"").arg(ref.alt);
        if (attribute(startTag(svg), QLatin1String("id")).isEmpty())
            attributes.prepend(QStringLiteral(" id=\"picture%1\"").arg(number));
        svg.insert(4, attributes);
        m_inlineLeft -= svg.size();
        ref.svgUse = reuse(svg, ref.alt);
        ref.svg = svg;
    } else if (open >= 0) {
        // Beyond what one page may hold inline, a graphic is an SVG file of its own.
        const QString svgName = QStringLiteral("picture%1.svg").arg(number);
        m_files.writeCompanion(svgName, job.svg.toUtf8());
        ref.src = urlOf(svgName);
        ref.contentType = QStringLiteral("image/svg+xml");
        ++m_written;
    } else if (!job.encoded.bytes.isEmpty()) {
        m_files.writeCompanion(fileName(number), job.encoded.bytes);
        ref = provisional(job);
        ref.width = job.encoded.width;
        ref.height = job.encoded.height;
        ++m_written;
        kept = true;
    } else {
        ref.alt = QStringLiteral("Picture %1 could not be converted").arg(number);
        ++m_failed;
    }
    m_provisionalKept = m_provisionalKept && kept;
    const QString& problem = job.encoded.problem;
    if (!problem.isEmpty())
        m_problems << QStringLiteral("%1 %2: %3")
                          .arg(ref.failed() ? QStringLiteral("could not convert picture")
                                            : QStringLiteral("picture"))
                          .arg(number)
                          .arg(problem);
    job.data.clear();
    job.encoded.bytes.clear();
    job.svg.clear();
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
