// Quillon engine: exports a document's embedded pictures as image files beside the target.
#pragma once

#include "Document.h"
#include "PictureSink.h"

#include <QByteArray>
#include <QHash>
#include <QImage>
#include <QString>

namespace engine {

enum class PictureFormat {
    Jpeg,
    Png,
    InlineSvg, // vector pictures inline (HTML only); bitmaps as PNG files
};

// The JPEG quality from its text: surrounding blanks ignored, a decimal point or comma
// accepted (also the number format of the user's locale), rounded and clamped to 0..100.
// Raises EngineError (BadArgument) when the text is not a number.
int jpegQualityFromText(const QString& text);

namespace pictures {

// The folder a target's pictures go to: beside the target, "<base name>_files".
QString folderFor(const QString& target);

// Renders a WordPerfect graphic (WPG 1 or 2) to SVG with libwpg; empty when it cannot.
QByteArray wpgToSvg(const QByteArray& wpg);

// Decodes the object as an image: a WPG graphic is rendered at 150 dots per inch (longest
// side at most 4096 pixels), anything else is decoded by its content as a bitmap. Null when
// the object cannot be decoded.
QImage toImage(const QByteArray& data);

// The image as JPEG (on white, since JPEG has no transparency) or PNG; empty on failure.
QByteArray encode(const QImage& image, PictureFormat format, int jpegQuality);

bool isWpg(const QByteArray& data);

} // namespace pictures

// Exports pictures for one publish: converts each object the writer asks for, writes it through
// a temporary file into the target's picture folder (created when the first picture comes),
// and numbers the files in the order the writer asks ("picture1.jpg", ...). The same picture met
// twice (a logo in every header) is written once. A picture that cannot be converted or written
// never fails the publish: its reference says it could not be converted.
class PictureExporter final : public PictureSink {
public:
    PictureExporter(const QString& target, PictureFormat format, int jpegQuality);

    PictureRef picture(const Inline& object) override;

    int written() const { return m_written; }
    int failed() const { return m_failed; }

    // A companion file (the external style sheet) goes into the picture folder too: its URL
    // relative to the target, and writing it (false when it could not be written).
    QString companionUrl(const QString& name) const { return urlOf(name); }
    bool writeCompanion(const QString& name, const QByteArray& bytes);

private:
    bool ensureFolder();
    QString urlOf(const QString& fileName) const;
    PictureRef convert(const Inline& object, int number);

    QString m_folder;
    QString m_folderName;
    PictureFormat m_format;
    int m_quality;
    QHash<QByteArray, PictureRef> m_done; // by a hash of type and content
    int m_count = 0;
    int m_written = 0;
    int m_failed = 0;
    bool m_folderTried = false;
    bool m_folderReady = false;
};

} // namespace engine
