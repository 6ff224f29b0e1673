// Quillon engine: writes a published document to its target file.
#include "Publisher.h"

#include "EngineError.h"
#include "HtmlWriter.h"
#include "Memory.h"
#include "OutputFiles.h"
#include "Pictures.h"
#include "XmlWriter.h"

namespace engine {
namespace {

const QString kStyleSheetName = QStringLiteral("style.css");

} // namespace

PublishReport Publisher::publish(const Document& document, PublishFormat format,
                                 const QString& target, const QString& fallbackTitle,
                                 const PublishOptions& options)
{
    // Until commit() everything is written under temporary names; leaving this function by an
    // exception removes them. Nothing, not even the picture folder, is made for a target that
    // cannot be written: OutputFiles refuses it first.
    OutputFiles files(target);
    const bool xml = format == PublishFormat::Xml;
    PictureExporter pictures(files, xml ? PictureFormat::Jpeg : options.html.pictures,
                             xml ? options.jpegQuality : options.html.jpegQuality,
                             PictureExporter::kMaxInlineSvg, options.pictures);
    QByteArray bytes;
    try {
        // The writer runs again once the pictures it met are converted and written.
        if (xml) {
            bytes = XmlWriter::write(document, fallbackTitle, &pictures, options.provenance);
            if (pictures.metPictures()) {
                pictures.finish();
                bytes = XmlWriter::write(document, fallbackTitle, &pictures, options.provenance);
            }
        } else {
            HtmlOptions html;
            html.pictures = &pictures;
            html.provenance = options.provenance;
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
        if (memory::ranOut())
            throw EngineError(
                EngineError::Kind::OutOfMemory,
                QStringLiteral("Cannot write \"%1\": %2.").arg(target, memory::shortage()));
        throw EngineError::writeFailed(target,
                                       QStringLiteral("the document is too large to publish"));
    }
    files.writeTarget(bytes);
    files.commit();
    return {pictures.written(),  pictures.failed(),
            pictures.problems(), files.bytesWritten(),
            files.written(),     options.provenance ? options.provenance->sha256 : QString()};
}

} // namespace engine
