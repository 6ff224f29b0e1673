// Quillon engine: exports a document's embedded pictures as image files beside the target.
#pragma once

#include "Document.h"
#include "PictureCodec.h"
#include "PictureSink.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>
#include <QThreadPool>

#include <memory>
#include <vector>

namespace engine {

// The JPEG quality from its text: surrounding blanks ignored, a decimal point or comma
// accepted (also the number format of the user's locale), rounded and clamped to 0..100.
// Raises EngineError (BadArgument) when the text is not a number.
int jpegQualityFromText(const QString& text);

class OutputFiles;
class PictureCache;

// Exports pictures for one publish. The writer runs twice: while it first meets the objects,
// each new picture starts converting on a thread pool and the writer gets a provisional
// reference, so the text does not wait for the pictures; finish() waits for them and writes them
// into the target's picture folder through the publish's OutputFiles, numbered in the order the
// writer met them ("picture1.jpg", ...); a second run of the writer then gets the final
// references, where they differ from the provisional ones in what the writer uses. The same picture
// met twice (a logo in every header) is converted and written once. A picture that cannot be
// converted (damaged data, an unknown kind) is referenced as such; one that cannot be written
// raises EngineError (WriteFailed) from finish(), which fails the publish.
//
// With PictureFormat::InlineSvg, WordPerfect graphics go into the page as svg elements with the
// id "pictureN"; the reference also holds what every later place of the graphic in the page
// holds instead (a small svg that uses it), so its markup is in the page once. A page holds at
// most maxInlineSvg characters of inline SVG; graphics beyond that are written as SVG files
// ("pictureN.svg") and referenced like bitmaps.
class PictureExporter final : public PictureSink {
public:
    static constexpr qsizetype kMaxInlineSvg = 4 * 1024 * 1024;

    // Pictures the cache holds (rendered while the document was read) are taken from it.
    PictureExporter(OutputFiles& files, PictureFormat format, int jpegQuality,
                    qsizetype maxInlineSvg = kMaxInlineSvg, PictureCache* cache = nullptr);
    ~PictureExporter() override;
    PictureExporter(const PictureExporter&) = delete;
    PictureExporter& operator=(const PictureExporter&) = delete;

    PictureRef picture(const Inline& object) override;

    // Whether the writer met any picture (and must run again after finish()).
    bool metPictures() const { return m_count > 0; }
    // Waits for the conversions and writes the pictures; references are final from then on.
    void finish();
    // After finish(): whether every picture kept its provisional reference (file name,
    // alternative text, type; not the size), so that a writer that uses nothing else need not
    // run again.
    bool provisionalKept() const { return m_provisionalKept; }

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
    struct Job;
    // An object by its type and content.
    struct Key {
        QString mimeType;
        QByteArray data;
        bool operator==(const Key& other) const
        {
            return mimeType == other.mimeType && data == other.data;
        }
        friend size_t qHash(const Key& key, size_t seed = 0)
        {
            return qHashMulti(seed, key.mimeType, key.data);
        }
    };
    QString urlOf(const QString& fileName) const;
    void start(Job& job);
    void convert(const PictureCodec& codec, Job& job, bool cached) const;
    void place(Job& job);
    PictureRef provisional(const Job& job) const;
    QString fileName(int number) const;

    OutputFiles& m_files;
    PictureFormat m_format;
    int m_quality;
    qsizetype m_inlineLeft;                    // characters of inline SVG the page may still take
    std::vector<std::unique_ptr<Job>> m_order; // in the order met; outlives the pool
    QHash<Key, Job*> m_jobs;
    PictureCache* m_cache;
    QThreadPool m_pool;
    bool m_finished = false;
    bool m_provisionalKept = true;
    int m_count = 0;
    int m_written = 0;
    int m_failed = 0;
    QStringList m_problems;
};

} // namespace engine
