// Quillon engine: exports a document's embedded pictures as image files beside the target.
#pragma once

#include "Document.h"
#include "PictureCodec.h"
#include "PictureSink.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>

namespace engine {

// The JPEG quality from its text: surrounding blanks ignored, a decimal point or comma
// accepted (also the number format of the user's locale), rounded and clamped to 0..100.
// Raises EngineError (BadArgument) when the text is not a number.
int jpegQualityFromText(const QString& text);

class OutputFiles;

// Exports pictures for one publish: converts each object the writer asks for, writes it into
// the target's picture folder through the publish's OutputFiles, and numbers the files in the
// order the writer asks ("picture1.jpg", ...). The same picture met twice (a logo in every
// header) is written once. A picture that cannot be converted (damaged data, an unknown kind)
// is referenced as such; one that cannot be written raises EngineError (WriteFailed), which
// fails the publish.
class PictureExporter final : public PictureSink {
public:
    PictureExporter(OutputFiles& files, PictureFormat format, int jpegQuality);

    PictureRef picture(const Inline& object) override;

    int written() const { return m_written; }
    int failed() const { return m_failed; }
    // One short line for each picture that could not be converted or was drawn without a part
    // of it ("could not convert picture 2: ..."), in the order of the pictures.
    const QStringList& problems() const { return m_problems; }

    // A companion file (the external style sheet) goes into the picture folder too: its URL
    // relative to the target, and writing it (false when it could not be written).
    QString companionUrl(const QString& name) const { return urlOf(name); }
    bool writeCompanion(const QString& name, const QByteArray& bytes);

private:
    QString urlOf(const QString& fileName) const;
    PictureRef convert(const Inline& object, int number);

    OutputFiles& m_files;
    PictureFormat m_format;
    int m_quality;
    QHash<QByteArray, PictureRef> m_done; // by a hash of type and content
    int m_count = 0;
    int m_written = 0;
    int m_failed = 0;
    QString m_problem; // of the picture being converted
    QStringList m_problems;
};

} // namespace engine
