// Quillon engine: an open document's pictures, rendered while the document is read.
#pragma once

#include "ObjectObserver.h"
#include "PictureCodec.h"

#include <QByteArray>
#include <QHash>
#include <QThreadPool>

#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>

namespace engine {

// Renders a document's embedded pictures (decodes its bitmaps, draws its graphics and
// metafiles) on a thread pool of its own as the reader meets them, so that loading the picture
// module and drawing overlap reading the rest of the document, and a publish only waits for what
// is left and encodes. Each picture is rendered once and taken by the first publish that uses
// it (a later one renders it again). Rendered pictures not yet taken hold at most kMaxPixels
// pixels across the process: beyond that they are dropped and the publish renders them itself,
// as it does a picture whose text needs the font database (which only the main thread opens) and
// a large one (see PictureCodec::large).
class PictureCache final : public ObjectObserver {
public:
    static constexpr qint64 kMaxPixels = 8LL * 1000 * 1000;

    PictureCache();
    ~PictureCache() override; // stops rendering what has not started
    PictureCache(const PictureCache&) = delete;
    PictureCache& operator=(const PictureCache&) = delete;

    // Starts loading the picture module, which a picture will need.
    void objectsAhead() override;
    // Starts rendering the picture, unless it is rendering or rendered already.
    void objectMet(const QByteArray& data) override;
    // Whether the picture was added and not taken.
    bool has(const QByteArray& data) const;
    // The rendered picture, waiting while it renders; none when it was not added, was taken,
    // was dropped or needs the font database.
    std::optional<RenderedPicture> take(const QByteArray& data);
    // Gives up the picture (a publish that does not need it rendered), without waiting for it.
    void drop(const QByteArray& data);

private:
    struct Entry {
        bool done = false;
        bool taken = false; // or dropped
        std::optional<RenderedPicture> picture;
        qint64 pixels = 0; // held against the budget
    };
    void render(const QByteArray& data, const std::shared_ptr<Entry>& entry);

    mutable std::mutex m_lock;
    std::condition_variable m_rendered;
    QHash<QByteArray, std::shared_ptr<Entry>> m_entries;
    QThreadPool m_pool;
};

} // namespace engine
