// Quillon engine: the operations of the automation object the engine serves.
#include "Engine.h"

#include "DocumentMacroTarget.h"
#include "DocumentReader.h"
#include "EngineContract.h"
#include "EngineError.h"
#include "MacroText.h"
#include "Memory.h"
#include "PictureCache.h"
#include "Pictures.h"
#include "Publisher.h"

#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace engine {
namespace {

// A macro is a few pages of text at most; anything larger is not one.
constexpr qint64 kMaxMacroFileBytes = 16 * 1024 * 1024;

EngineError macroFailed(const QString& path, const QString& why)
{
    const bool ended = why.endsWith(u'.') || why.endsWith(u'?') || why.endsWith(u'!');
    return {EngineError::Kind::MacroFailed,
            QStringLiteral("The macro \"%1\" could not be played: %2%3")
                .arg(path, why, ended ? QString() : QStringLiteral("."))};
}

void appendLines(const Blocks& blocks, QStringList& lines, int depth)
{
    if (depth > kMaxNesting)
        return;
    for (const Block& b : blocks) {
        if (const auto* p = std::get_if<Paragraph>(&b.content)) {
            QString line;
            for (const Inline& i : p->inlines) {
                if (i.kind == Inline::Kind::Text)
                    line += i.text;
                else if (i.kind == Inline::Kind::Tab)
                    line += u'\t';
                else if (i.kind == Inline::Kind::LineBreak)
                    line += u'\n';
            }
            lines << line;
        } else if (const auto* l = std::get_if<List>(&b.content)) {
            for (const ListItem& item : l->items)
                appendLines(item.blocks, lines, depth + 1);
        } else if (const auto* t = std::get_if<Table>(&b.content)) {
            for (const TableRow& row : t->rows) {
                for (const TableCell& cell : row.cells)
                    appendLines(cell.blocks, lines, depth + 1);
            }
        } else if (const auto* box = std::get_if<Box>(&b.content)) {
            appendLines(box->blocks, lines, depth + 1);
        }
    }
}

// The macro's source: the text of a WordPerfect document (one line per paragraph), or the
// file's text.
QString macroSource(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw macroFailed(path,
                          QStringLiteral("the file cannot be read (%1)").arg(file.errorString()));
    if (file.size() > kMaxMacroFileBytes)
        throw macroFailed(path, QStringLiteral("the file is too large to be a macro"));
    const QByteArray bytes = file.read(kMaxMacroFileBytes);
    if (!bytes.startsWith("\xFFWPC"))
        return macro::macroTextFromBytes(bytes);
    const Document document = DocumentReader::readBytes(bytes, path);
    // Part of a macro is not played: what it left out could be what makes the rest safe.
    if (!document.damage.isEmpty())
        throw macroFailed(path, document.damage);
    QStringList lines;
    appendLines(document.body, lines, 0);
    return lines.join(u'\n');
}

} // namespace

Engine::Engine() = default;
Engine::~Engine() = default;

const QHash<QString, Engine::Operation>& Engine::operations()
{
    static const QHash<QString, Operation> table = [] {
        const Operation list[] = {
            {wire::op::FileOpen, 1, &Engine::fileOpen},
            {wire::op::CloseNoSave, 0, &Engine::closeNoSave},
            {wire::op::XMLPublish, 1, &Engine::xmlPublish},
            {wire::op::HTMLPublish, 1, &Engine::htmlPublish},
            {wire::op::FileIsDocument, 1, &Engine::fileIsDocument},
            {wire::op::XMLPublishSetJPEGOptions, 1, &Engine::setJpegOptions},
            {wire::op::MasterDocExpand, 0, &Engine::masterDocExpand},
            {wire::op::envDocBlank, 0, &Engine::docBlank},
            {wire::op::PosDocVeryTop, 0, &Engine::posDocVeryTop},
            {wire::op::MacroFilePlay, 1, &Engine::macroFilePlay},
            {wire::op::envMacroPlaying, 0, &Engine::macroPlaying},
            {wire::op::ProvenanceSource, 1, &Engine::provenanceSource},
            {wire::op::ProvenanceSettings, 1, &Engine::provenanceSettings},
        };
        QHash<QString, Operation> byName;
        for (const Operation& op : list)
            byName.insert(op.name.toLower(), op);
        return byName;
    }();
    return table;
}

wire::Reply Engine::call(const QString& operation, const QStringList& arguments)
{
    try {
        return invoke(operation, arguments);
    } catch (const EngineError& e) {
        return wire::Reply::error(e.number(), e.description());
    } catch (const std::bad_alloc&) {
        if (memory::ranOut())
            return wire::Reply::error(
                wire::kOutOfMemory.number,
                QStringLiteral("\"%1\" could not finish: %2").arg(operation, memory::shortage()));
        return wire::Reply::error(wire::kAutomationError.number,
                                  QStringLiteral("\"%1\" ran out of memory").arg(operation));
    } catch (const std::exception& e) {
        return wire::Reply::error(
            wire::kAutomationError.number,
            QStringLiteral("\"%1\" failed: %2").arg(operation, QString::fromUtf8(e.what())));
    }
}

wire::Reply Engine::invoke(const QString& operation, const QStringList& arguments)
{
    const auto found = operations().constFind(operation.toLower());
    if (found == operations().constEnd())
        throw EngineError::unknownOperation(operation);
    if (arguments.size() < found->arguments)
        throw EngineError::argumentMissing(found->name);
    memory::reset();
    return (this->*(found->handler))(arguments);
}

Engine::OpenDocument& Engine::current(const QString& operation)
{
    if (m_documents.empty())
        throw EngineError::noDocument(operation);
    return m_documents.back();
}

wire::Reply Engine::fileOpen(const QStringList& args)
{
    OpenDocument open;
    open.path = args.at(0);
    open.title = QFileInfo(open.path).completeBaseName();
    // Described before it is read: a document changed while it is read then records the earlier
    // time, so its output is not taken for the later document's.
    const QByteArray name = QFile::encodeName(open.path);
    open.source.source = wire::Provenance::pathText(name);
    struct stat st {};
    const bool regular = ::stat(name.constData(), &st) == 0 && S_ISREG(st.st_mode);
    if (regular) {
        open.source.size = st.st_size;
        open.source.modified = wire::Provenance::modifiedText(st.st_mtim);
    }
    // The document's pictures are drawn while the rest of it is read.
    open.pictures = std::make_unique<PictureCache>();
    try {
        // The digest is of the very bytes read.
        open.document = DocumentReader::readFile(
            open.path, open.pictures.get(), [&open, regular](const QByteArray& bytes) {
                if (regular)
                    open.source.sha256 = wire::Provenance::sha256Hex(bytes);
            });
    } catch (const std::bad_alloc&) { // reading a pipe into memory, or the model
        if (!memory::ranOut())
            throw;
        throw EngineError::outOfMemory(open.path);
    }
    // A file too large to be read into memory was read from the disk as it was parsed.
    if (regular && open.source.sha256.isEmpty()) {
        const int fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC);
        if (fd >= 0) {
            wire::Provenance whole;
            if (whole.describe(fd, true))
                open.source.sha256 = whole.sha256;
            ::close(fd);
        }
    }
    if (m_documents.size() >= static_cast<size_t>(kMaxOpenDocuments))
        m_documents.erase(m_documents.begin());
    m_documents.push_back(std::move(open));
    return wire::Reply::null();
}

wire::Reply Engine::closeNoSave(const QStringList&)
{
    current(wire::op::CloseNoSave);
    m_documents.pop_back();
    return wire::Reply::null();
}

wire::Reply Engine::xmlPublish(const QStringList& args)
{
    const OpenDocument& doc = current(wire::op::XMLPublish);
    PublishOptions options;
    options.jpegQuality = m_jpegQuality;
    options.pictures = doc.pictures.get();
    const wire::Provenance source = provenance(doc, settingsText(QStringLiteral("xml"), {}));
    options.provenance = &source;
    return report(
        Publisher::publish(doc.document, PublishFormat::Xml, args.at(0), doc.title, options), doc,
        args.at(0));
}

wire::Reply Engine::htmlPublish(const QStringList& args)
{
    const OpenDocument& doc = current(wire::op::HTMLPublish);
    PublishOptions options;
    options.pictures = doc.pictures.get();
    QStringList warnings;
    options.html = HtmlSettings::load(&warnings);
    for (const QString& w : warnings)
        std::fprintf(stderr, "quillon-engine: %s\n", qPrintable(w));
    const wire::Provenance source =
        provenance(doc, settingsText(QStringLiteral("html"), options.html));
    options.provenance = &source;
    return report(
        Publisher::publish(doc.document, PublishFormat::Html, args.at(0), doc.title, options), doc,
        args.at(0));
}

wire::Reply Engine::fileIsDocument(const QStringList& args)
{
    return wire::Reply::fromBool(DocumentReader::isDocument(args.at(0)));
}

// Pictures that could not be converted are named in the output; standard error has one short
// line for each, for someone running the engine from the command line. The answer counts what
// was written. A damaged document is published in part: the answer says so, what is missing
// and where what could be read went.
wire::Reply Engine::report(const PublishReport& report, const OpenDocument& doc,
                           const QString& target)
{
    for (const QString& problem : report.problems)
        std::fprintf(stderr, "quillon-engine: %s: %s\n", qPrintable(target), qPrintable(problem));
    wire::PublishAnswer published;
    published.pictures = report.picturesWritten;
    published.picturesFailed = report.picturesFailed;
    published.bytes = report.bytesWritten;
    published.sourceSha256 = report.sourceSha256;
    published.files = report.files;
    const QString answer = published.encode();
    if (doc.document.damage.isEmpty())
        return wire::Reply::fromText(answer);
    return wire::Reply::damaged(
        answer, QStringLiteral("Cannot read all of \"%1\": %2. What could be read was written to "
                               "\"%3\".")
                    .arg(doc.path, doc.document.damage, target));
}

wire::Reply Engine::provenanceSource(const QStringList& args)
{
    current(wire::op::ProvenanceSource).source.source = args.at(0);
    return wire::Reply::null();
}

wire::Reply Engine::provenanceSettings(const QStringList& args)
{
    const QString format = args.at(0).toLower();
    if (format != QLatin1String("xml") && format != QLatin1String("html"))
        throw EngineError(
            EngineError::Kind::BadArgument,
            QStringLiteral("\"%1\" is not a publish format: xml or html").arg(args.at(0)));
    return wire::Reply::fromText(settingsText(format, HtmlSettings::load()));
}

wire::Provenance Engine::provenance(const OpenDocument& document, const QString& settings) const
{
    wire::Provenance p = document.source;
    p.generator = QStringLiteral("quillon-engine " QUILLON_ENGINE_VERSION);
    p.settings = settings;
    // What could be read of a damaged document never passes for an output made from all of it.
    if (!document.document.damage.isEmpty())
        p.settings += QLatin1String(" incomplete");
    return p;
}

// Every setting that changes what a publish writes, and none that does not.
QString Engine::settingsText(const QString& format, const HtmlSettings& html) const
{
    if (format == QLatin1String("xml"))
        return QStringLiteral("xml quality=%1").arg(m_jpegQuality);
    QString text = QStringLiteral("html pictures=");
    switch (html.pictures) {
    case PictureFormat::Png:
        text += QLatin1String("png");
        break;
    case PictureFormat::Jpeg:
        text += QStringLiteral("jpeg jpegQuality=%1").arg(html.jpegQuality);
        break;
    case PictureFormat::InlineSvg:
        text += QLatin1String("svg");
        break;
    }
    return text +
           (html.externalStyleSheet ? QLatin1String(" styleSheet=external")
                                    : QLatin1String(" styleSheet=embedded")) +
           (html.titleFromFileName ? QLatin1String(" title=filename")
                                   : QLatin1String(" title=document"));
}

// A text that is not a number raises an error and leaves the quality as it was.
wire::Reply Engine::setJpegOptions(const QStringList& args)
{
    m_jpegQuality = jpegQualityFromText(args.at(0));
    return wire::Reply::null();
}

// libwpd reports no links to subdocuments through librevenge, so there is nothing to expand:
// with a document open this succeeds without change.
wire::Reply Engine::masterDocExpand(const QStringList&)
{
    current(wire::op::MasterDocExpand);
    return wire::Reply::null();
}

wire::Reply Engine::docBlank(const QStringList&)
{
    return wire::Reply::fromBool(current(wire::op::envDocBlank).document.isBlank());
}

wire::Reply Engine::posDocVeryTop(const QStringList&)
{
    current(wire::op::PosDocVeryTop).insertionPoint = 0;
    return wire::Reply::null();
}

// Plays the macro to its end (or its first error) before answering. What it did until an error
// stays in the document, which can be published as usual.
wire::Reply Engine::macroFilePlay(const QStringList& args)
{
    OpenDocument& doc = current(wire::op::MacroFilePlay);
    const QString& path = args.at(0);
    if (!QFileInfo(path).isFile())
        throw EngineError::fileNotFound(path);
    const QString source = macroSource(path);
    DocumentMacroTarget target(doc.document, doc.insertionPoint);
    try {
        m_player.play(source, target);
    } catch (const macro::MacroError& e) {
        target.commit();
        doc.insertionPoint = target.insertionPoint();
        throw macroFailed(path, e.text());
    } catch (...) {
        target.commit();
        throw;
    }
    target.commit();
    doc.insertionPoint = target.insertionPoint();
    return wire::Reply::null();
}

wire::Reply Engine::macroPlaying(const QStringList&)
{
    return wire::Reply::fromBool(m_player.isPlaying());
}

} // namespace engine
