// quillon-convert: the progress line.
#include "Progress.h"

#include <QString>

#include <cstdio>

namespace cli {
namespace {

constexpr qint64 kRedrawMs = 250;

QString clock(qint64 seconds)
{
    const qint64 h = seconds / 3600, m = seconds / 60 % 60, s = seconds % 60;
    return h > 0 ? QStringLiteral("%1:%2:%3")
                       .arg(h)
                       .arg(m, 2, 10, QLatin1Char('0'))
                       .arg(s, 2, 10, QLatin1Char('0'))
                 : QStringLiteral("%1:%2").arg(m).arg(s, 2, 10, QLatin1Char('0'));
}

} // namespace

void Progress::show(qint64 done, qint64 converted, qint64 problems, double seconds)
{
    if (!m_enabled || (m_lastDrawn.isValid() && m_lastDrawn.elapsed() < kRedrawMs))
        return;
    m_lastDrawn.start();
    const qint64 total = m_total;
    const double rate = seconds > 0 ? done / seconds : 0;
    QString line = total >= 0 ? QStringLiteral("%1/%2 files").arg(done).arg(total)
                              : QStringLiteral("%1 files").arg(done);
    if (total > 0)
        line += QStringLiteral(" (%1%)").arg(100 * done / total);
    line +=
        QStringLiteral(", %1 documents/s").arg(seconds > 0 ? converted / seconds : 0, 0, 'f', 1);
    if (total >= 0 && rate > 0)
        line += QStringLiteral(", %1 left").arg(clock(static_cast<qint64>((total - done) / rate)));
    if (problems > 0)
        line += QStringLiteral(", %1 failed").arg(problems);
    std::fprintf(stderr, "\r%s\x1b[K", line.toUtf8().constData());
    std::fflush(stderr);
    m_drawn = true;
}

void Progress::clear()
{
    if (!m_drawn)
        return;
    std::fputs("\r\x1b[K", stderr);
    std::fflush(stderr);
    m_drawn = false;
}

} // namespace cli
