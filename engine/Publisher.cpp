// Quillon engine: writes a published document to its target file.
#include "Publisher.h"

#include "EngineError.h"
#include "HtmlWriter.h"
#include "Pictures.h"
#include "XmlWriter.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

namespace engine {
namespace {

const QString kStyleSheetName = QStringLiteral("style.css");

EngineError writeFailed(const QString& target, const QString& why)
{
    return {EngineError::Kind::WriteFailed,
            QStringLiteral("Cannot write \"%1\": %2.").arg(target, why)};
}

void checkTarget(const QString& target)
{
    if (target.trimmed().isEmpty())
        throw writeFailed(target, QStringLiteral("no target file was given"));
    const QFileInfo info(target);
    if (info.isDir())
        throw writeFailed(target, QStringLiteral("it is a folder"));
    if (!info.absoluteDir().exists())
        throw writeFailed(target, QStringLiteral("its folder does not exist"));
}

} // namespace

PublishReport Publisher::publish(const Document& document, PublishFormat format,
                                 const QString& target, const QString& fallbackTitle,
                                 const PublishOptions& options)
{
    // Nothing, not even the picture folder, is made for a target that cannot be written.
    checkTarget(target);
    const bool xml = format == PublishFormat::Xml;
    PictureExporter pictures(target, xml ? PictureFormat::Jpeg : options.html.pictures,
                             xml ? options.jpegQuality : options.html.jpegQuality);
    QByteArray bytes;
    try {
        if (xml) {
            bytes = XmlWriter::write(document, fallbackTitle, &pictures);
        } else {
            HtmlOptions html;
            html.pictures = &pictures;
            html.titleFromFileName = options.html.titleFromFileName;
            if (options.html.externalStyleSheet)
                html.styleSheetHref = pictures.companionUrl(kStyleSheetName);
            QByteArray css;
            bytes = HtmlWriter::write(document, fallbackTitle, html, &css);
            // A style sheet that cannot be written goes into the page after all.
            if (!html.styleSheetHref.isEmpty() && !pictures.writeCompanion(kStyleSheetName, css)) {
                html.styleSheetHref.clear();
                bytes = HtmlWriter::write(document, fallbackTitle, html);
            }
        }
    } catch (const std::bad_alloc&) {
        throw writeFailed(target, QStringLiteral("the document is too large to publish"));
    }
    writeAtomically(target, bytes);
    return {pictures.written(), pictures.failed()};
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
