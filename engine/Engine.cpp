// Quillon engine: the operations of the "WordPerfect.PerfectScript" automation object.
#include "Engine.h"

#include "DocumentReader.h"
#include "EngineError.h"
#include "Publisher.h"

#include <QFileInfo>

namespace engine {

Engine::Engine() : m_jpegQuality(QStringLiteral("80")) {}

const QHash<QString, Engine::Operation>& Engine::operations()
{
    static const QHash<QString, Operation> table = [] {
        const Operation list[] = {
            {QStringLiteral("FileOpen"), 1, &Engine::fileOpen},
            {QStringLiteral("CloseNoSave"), 0, &Engine::closeNoSave},
            {QStringLiteral("XMLPublish"), 1, &Engine::xmlPublish},
            {QStringLiteral("HTMLPublish"), 1, &Engine::htmlPublish},
            {QStringLiteral("XMLPublishSetJPEGOptions"), 1, &Engine::setJpegOptions},
            {QStringLiteral("MasterDocExpand"), 0, &Engine::masterDocExpand},
            {QStringLiteral("envDocBlank"), 0, &Engine::docBlank},
            {QStringLiteral("PosDocVeryTop"), 0, &Engine::posDocVeryTop},
            {QStringLiteral("MacroFilePlay"), 1, &Engine::macroFilePlay},
            {QStringLiteral("envMacroPlaying"), 0, &Engine::macroPlaying},
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
        return wire::Reply::error(440, QStringLiteral("\"%1\" ran out of memory").arg(operation));
    } catch (const std::exception& e) {
        return wire::Reply::error(
            440, QStringLiteral("\"%1\" failed: %2").arg(operation, QString::fromUtf8(e.what())));
    }
}

wire::Reply Engine::invoke(const QString& operation, const QStringList& arguments)
{
    const auto found = operations().constFind(operation.toLower());
    if (found == operations().constEnd())
        throw EngineError::unknownOperation(operation);
    if (arguments.size() < found->arguments)
        throw EngineError::argumentMissing(found->name);
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
    open.document = DocumentReader::readFile(open.path);
    if (m_documents.size() >= static_cast<size_t>(kMaxOpenDocuments))
        m_documents.erase(m_documents.begin());
    m_documents.push_back(std::move(open));
    return wire::Reply::null();
}

wire::Reply Engine::closeNoSave(const QStringList&)
{
    current(QStringLiteral("CloseNoSave"));
    m_documents.pop_back();
    return wire::Reply::null();
}

wire::Reply Engine::xmlPublish(const QStringList& args)
{
    const OpenDocument& doc = current(QStringLiteral("XMLPublish"));
    Publisher::publish(doc.document, PublishFormat::Xml, args.at(0), doc.title);
    return wire::Reply::null();
}

wire::Reply Engine::htmlPublish(const QStringList& args)
{
    const OpenDocument& doc = current(QStringLiteral("HTMLPublish"));
    Publisher::publish(doc.document, PublishFormat::Html, args.at(0), doc.title);
    return wire::Reply::null();
}

// The quality is kept as the text the application sent; it is interpreted when pictures are
// published.
wire::Reply Engine::setJpegOptions(const QStringList& args)
{
    m_jpegQuality = args.at(0);
    return wire::Reply::null();
}

// Subdocuments are not expanded yet; with a document open this succeeds without change.
wire::Reply Engine::masterDocExpand(const QStringList&)
{
    current(QStringLiteral("MasterDocExpand"));
    return wire::Reply::null();
}

wire::Reply Engine::docBlank(const QStringList&)
{
    return wire::Reply::fromBool(current(QStringLiteral("envDocBlank")).document.isBlank());
}

wire::Reply Engine::posDocVeryTop(const QStringList&)
{
    current(QStringLiteral("PosDocVeryTop")).insertionPoint = 0;
    return wire::Reply::null();
}

wire::Reply Engine::macroFilePlay(const QStringList& args)
{
    current(QStringLiteral("MacroFilePlay"));
    const QString& path = args.at(0);
    if (!QFileInfo(path).isFile())
        throw EngineError::fileNotFound(path);
    throw EngineError(
        EngineError::Kind::NotSupported,
        QStringLiteral("Playing macros is not supported yet: \"%1\" was not played.").arg(path));
}

wire::Reply Engine::macroPlaying(const QStringList&)
{
    return wire::Reply::fromBool(false);
}

} // namespace engine
