// Quillon engine: the engine's own lines on standard error.
#include "MessageLog.h"

#include <QMutex>
#include <QSet>

#include <cstdio>
#include <cstdlib>

namespace engine {
namespace {

constexpr int kLongestRun = 40;
constexpr int kLongestLine = 160;
constexpr int kMostLines = 100; // distinct messages remembered (and printed) per process

void logMessage(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    if (type == QtDebugMsg || type == QtInfoMsg)
        return;
    const QString line = messageLine(message);
    static QMutex mutex;
    static QSet<QString> printed;
    {
        const QMutexLocker lock(&mutex);
        if (printed.size() < kMostLines && !printed.contains(line)) {
            printed.insert(line);
            std::fprintf(stderr, "quillon-engine: %s\n", qPrintable(line));
        }
    }
    if (type == QtFatalMsg)
        std::abort();
}

} // namespace

QString messageLine(const QString& message)
{
    const QString first = message.section(QLatin1Char('\n'), 0, 0).simplified();
    QString line;
    int run = 0;
    for (const QChar c : first) {
        run = c == QLatin1Char(' ') ? 0 : run + 1;
        if (run <= kLongestRun)
            line += c;
        else if (run == kLongestRun + 1)
            line += QLatin1String("...");
        if (line.size() >= kLongestLine) {
            line += QLatin1String("...");
            break;
        }
    }
    return line;
}

void installMessageLog()
{
    qInstallMessageHandler(logMessage);
}

} // namespace engine
