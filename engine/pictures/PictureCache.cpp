// Quillon engine: an open document's pictures, rendered while the document is read.
#include "PictureCache.h"

#include <atomic>
#include <utility>

namespace engine {
namespace {

std::atomic<qint64> g_heldPixels{0};

} // namespace

PictureCache::PictureCache()
{
    m_pool.setMaxThreadCount(PictureCodec::kThreadsPerPool);
}

PictureCache::~PictureCache()
{
    m_pool.clear();
    m_pool.waitForDone();
    for (const auto& entry : std::as_const(m_entries))
        g_heldPixels -= entry->pixels;
}

void PictureCache::objectsAhead()
{
    m_pool.start([] { PictureCodec::instance(); });
}

void PictureCache::objectMet(const QByteArray& data)
{
    const std::lock_guard<std::mutex> lock(m_lock);
    if (data.isEmpty() || m_entries.contains(data))
        return;
    const auto entry = std::make_shared<Entry>();
    m_entries.insert(data, entry);
    m_pool.start([this, data, entry] { render(data, entry); });
}

// On a pool thread: the first picture loads the picture module.
void PictureCache::render(const QByteArray& data, const std::shared_ptr<Entry>& entry)
{
    RenderedPicture picture;
    bool rendered = false;
    try {
        // A large picture is left to the publish, which converts it when no other is.
        const PictureCodec* codec = PictureCodec::instance();
        if (codec && !codec->large(data)) {
            picture = codec->render(data);
            rendered = !picture.needsFonts;
        }
    } catch (...) { // nothing may leave a pool thread; the publish renders it again
        rendered = false;
    }
    {
        const std::lock_guard<std::mutex> lock(m_lock);
        const qint64 pixels = qint64(picture.width) * picture.height;
        if (rendered && !entry->taken && g_heldPixels.fetch_add(pixels) + pixels <= kMaxPixels) {
            entry->pixels = pixels;
            entry->picture = std::move(picture);
        } else if (rendered && !entry->taken) {
            g_heldPixels -= pixels;
        }
        entry->done = true;
    }
    m_rendered.notify_all();
}

bool PictureCache::has(const QByteArray& data) const
{
    const std::lock_guard<std::mutex> lock(m_lock);
    const auto entry = m_entries.value(data);
    return entry && !entry->taken;
}

std::optional<RenderedPicture> PictureCache::take(const QByteArray& data)
{
    std::unique_lock<std::mutex> lock(m_lock);
    const auto entry = m_entries.value(data);
    if (!entry || entry->taken)
        return std::nullopt;
    m_rendered.wait(lock, [&] { return entry->done; });
    entry->taken = true;
    g_heldPixels -= std::exchange(entry->pixels, 0);
    return std::exchange(entry->picture, std::nullopt);
}

void PictureCache::drop(const QByteArray& data)
{
    const std::lock_guard<std::mutex> lock(m_lock);
    if (const auto entry = m_entries.value(data)) {
        entry->taken = true;
        g_heldPixels -= std::exchange(entry->pixels, 0);
        entry->picture.reset();
    }
}

} // namespace engine
