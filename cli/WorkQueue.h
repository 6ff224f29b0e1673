// quillon-convert: a blocking first-in, first-out queue between threads.
#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>

namespace cli {

// Producers push, consumers pull. With a capacity, push waits while the queue is full, so a
// walk of a million files holds only a few of them at a time. close() lets the consumers take
// what is left and then ends them; cancel() ends everyone at once and drops what is left.
template <typename T> class WorkQueue final {
public:
    explicit WorkQueue(size_t capacity = 0) : m_capacity(capacity) {}

    // False when the queue was cancelled (or closed) and the item was dropped.
    bool push(T item)
    {
        std::unique_lock lock(m_mutex);
        m_notFull.wait(
            lock, [this] { return m_closed || m_capacity == 0 || m_items.size() < m_capacity; });
        if (m_closed)
            return false;
        m_items.push_back(std::move(item));
        m_notEmpty.notify_one();
        return true;
    }

    // The oldest item; nothing once the queue is closed and empty, or cancelled.
    std::optional<T> pop()
    {
        std::unique_lock lock(m_mutex);
        m_notEmpty.wait(lock, [this] { return m_closed || !m_items.empty(); });
        return take();
    }

    // As pop, but nothing also when the wait runs past the time.
    std::optional<T> popFor(std::chrono::milliseconds wait)
    {
        std::unique_lock lock(m_mutex);
        m_notEmpty.wait_for(lock, wait, [this] { return m_closed || !m_items.empty(); });
        return take();
    }

    void close()
    {
        std::lock_guard lock(m_mutex);
        m_closed = true;
        m_notEmpty.notify_all();
        m_notFull.notify_all();
    }

    void cancel()
    {
        std::lock_guard lock(m_mutex);
        m_closed = true;
        m_items.clear();
        m_notEmpty.notify_all();
        m_notFull.notify_all();
    }

private:
    // With the lock held.
    std::optional<T> take()
    {
        if (m_items.empty())
            return std::nullopt;
        T item = std::move(m_items.front());
        m_items.pop_front();
        m_notFull.notify_one();
        return item;
    }

    const size_t m_capacity; // 0: no limit
    std::mutex m_mutex;
    std::condition_variable m_notEmpty, m_notFull;
    std::deque<T> m_items;
    bool m_closed = false;
};

} // namespace cli
