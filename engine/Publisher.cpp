// Quillon engine: writes a published document to its target file.
#include "Publisher.h"

#include "EngineError.h"
#include "HtmlWriter.h"
#include "OutputFiles.h"
#include "Pictures.h"
#include "XmlWriter.h"

#include <QFileInfo>

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
    if (info.isDir() && !info.isSymLink())
        throw writeFailed(target, QStringLiteral("it is a folder"));
    // The nearest part of the path that exists says why the folder cannot be reached.
    QFileInfo folder(info.absolutePath());
    if (folder.isDir())
        return;
    while (!folder.exists() && !folder.isSymLink() && !folder.isRoot())
        folder.setFile(folder.absolutePath());
    if (folder.exists() && !folder.isDir())
        throw writeFailed(
            target,
            QStringLiteral("a part of its path, \"%1\", is not a folder").arg(folder.filePath()));
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
    // Until commit() everything is written under temporary names; leaving this function by an
    // exception removes them.
    OutputFiles files(target);
    PictureExporter pictures(files, xml ? PictureFormat::Jpeg : options.html.pictures,
                             xml ? options.jpegQuality : options.html.jpegQuality,
                             PictureExporter::kMaxInlineSvg, options.pictures);
    QByteArray bytes;
    try {
        // The writer runs again once the pictures it met are converted and written.
        if (xml) {
            bytes = XmlWriter::write(document, fallbackTitle, &pictures);
            if (pictures.metPictures()) {
                pictures.finish();
                bytes = XmlWriter::write(document, fallbackTitle, &pictures);
            }
        } else {
            HtmlOptions html;
            html.pictures = &pictures;
            html.titleFromFileName = options.html.titleFromFileName;
            if (options.html.externalStyleSheet)
                html.styleSheetHref = pictures.companionUrl(kStyleSheetName);
            QByteArray css;
            bytes = HtmlWriter::write(document, fallbackTitle, html, &css);
            if (pictures.metPictures()) {
                pictures.finish();
                // A page references pictures by file name and alternative text only.
                if (!pictures.provisionalKept())
                    bytes = HtmlWriter::write(document, fallbackTitle, html, &css);
            }
            // A style sheet that cannot be written goes into the page after all.
            if (!html.styleSheetHref.isEmpty() && !pictures.writeCompanion(kStyleSheetName, css)) {
                html.styleSheetHref.clear();
                bytes = HtmlWriter::write(document, fallbackTitle, html);
            }
        }
    } catch (const std::bad_alloc&) {
        throw writeFailed(target, QStringLiteral("the document is too large to publish"));
    }
    files.writeTarget(bytes);
    files.commit();
    return {pictures.written(), pictures.failed(), pictures.problems(), files.bytesWritten()};
}

} // namespace engine
