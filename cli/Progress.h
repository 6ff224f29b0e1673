// quillon-convert: the progress line.
#pragma once

#include <QByteArray>
#include <QElapsedTimer>

#include <atomic>

namespace cli {

// One status line on standard error, rewritten in place a few times a second: files done out
// of the total (once the count is known), documents a second, time left and problems so far.
// Drawn only when enabled (standard error is a terminal and --quiet was not given).
class Progress final {
public:
    explicit Progress(bool enabled) : m_enabled(enabled) {}

    // The number of files of the run; from any thread.
    void setTotal(qint64 total) { m_total = total; }
    // Redraws when the last drawing is old enough.
    void show(qint64 done, qint64 converted, qint64 problems, double seconds);
    // Erases the line, before other text is written to standard error.
    void clear();

private:
    const bool m_enabled;
    std::atomic<qint64> m_total{-1};
    QElapsedTimer m_lastDrawn;
    bool m_drawn = false;
};

} // namespace cli
