// Quillon engine: writes a published document to its target file.
#pragma once

#include "Document.h"
#include "HtmlSettings.h"
#include "OutputFiles.h"
#include "Provenance.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace engine {

enum class PublishFormat { Xml, Html };

class PictureCache;

struct PublishOptions {
    int jpegQuality = 80; // pictures of XML, which are always JPEG files
    HtmlSettings html;
    PictureCache* pictures = nullptr; // the document's pictures rendered while it was read
    const wire::Provenance* provenance = nullptr; // what the output records of its source
};

// What a publish did with the document's pictures.
struct PublishReport {
    int picturesWritten = 0;
    int picturesFailed = 0;         // referenced as "could not be converted"
    QStringList problems;           // one line for each picture converted badly or not at all
    qint64 bytesWritten = 0;        // the target and every file beside it
    std::vector<WrittenFile> files; // the target first
    QString sourceSha256;           // of the document published, when known
};

class Publisher final {
public:
    // Writes the document in the format to target, and its pictures (and an external style
    // sheet) into the folder "<target's base name>_files" beside it, all put in place together
    // at the end (OutputFiles). Raises EngineError (WriteFailed) naming the target when the
    // target or a picture cannot be written, and then leaves nothing behind; a picture that
    // cannot be converted (damaged, of an unknown kind) is named in the output instead.
    static PublishReport publish(const Document& document, PublishFormat format,
                                 const QString& target, const QString& fallbackTitle,
                                 const PublishOptions& options = {});
};

} // namespace engine
