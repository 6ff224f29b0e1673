// Quillon engine: writes a published document to its target file.
#include "Publisher.h"

#include "EngineError.h"
#include "HtmlWriter.h"
#include "XmlWriter.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

namespace engine {
namespace {

EngineError writeFailed(const QString& target, const QString& why)
{
    return {EngineError::Kind::WriteFailed,
            QStringLiteral("Cannot write \"%1\": %2.").arg(target, why)};
}

} // namespace

void Publisher::publish(const Document& document, PublishFormat format, const QString& target,
                        const QString& fallbackTitle)
{
    if (target.trimmed().isEmpty())
        throw writeFailed(target, QStringLiteral("no target file was given"));
    QByteArray bytes;
    try {
        bytes = format == PublishFormat::Xml ? XmlWriter::write(document, fallbackTitle)
                                             : HtmlWriter::write(document, fallbackTitle);
    } catch (const std::bad_alloc&) {
        throw writeFailed(target, QStringLiteral("the document is too large to publish"));
    }
    writeAtomically(target, bytes);
}

void Publisher::writeAtomically(const QString& target, const QByteArray& bytes)
{
    const QFileInfo info(target);
    if (info.isDir())
        throw writeFailed(target, QStringLiteral("it is a folder"));
    if (!info.absoluteDir().exists())
        throw writeFailed(target, QStringLiteral("its folder does not exist"));
    QSaveFile file(target);
    if (!file.open(QIODevice::WriteOnly))
        throw writeFailed(target, file.errorString());
    if (file.write(bytes) != bytes.size()) {
        const QString why = file.errorString();
        file.cancelWriting();
        throw writeFailed(target, why);
    }
    if (!file.commit())
        throw writeFailed(target, file.errorString());
}

} // namespace engine
