// Quillon benchmark: batches of generated empty documents through the real windows.
//
// Builds with the project (target bench_app_batch) and is never part of the test run. Run it
// offscreen, no display needed:
//
//   cmake --build build --target bench_app_batch
//   QT_QPA_PLATFORM=offscreen build/bin/bench_app_batch            # 1000 10000 100000
//   QT_QPA_PLATFORM=offscreen build/bin/bench_app_batch 1000 5000  # other sizes
//
// Each size is one batch started from the batch dialog (Select... source, Select... target,
// Start) over a folder of that many empty .wpd files, converted by a scripted word processor.
// The batch converter sleeps 4 ms per document, so 100 000 documents take several minutes.
// Printed per batch: documents per second, peak resident memory so far (VmHWM, monotonic over
// the process) and how far apart the stack stood at the opening of the documents (with the
// documents converted one after another rather than one inside another, 0 bytes). For the largest
// batch: the cost of adding a row to the document list when it is empty and when it holds the whole
// batch, and the time between one document's close and the next document's open (which includes
// adding its row) over the first and the last thousand documents.
#include "BenchProviders.h"
#include "EngineContract.h"
#include "FolderBrowser.h"
#include "General.h"
#include "ListView.h"
#include "MessageBox.h"
#include "ProgramExit.h"
#include "automation/ScriptedAutomationServer.h"
#include "ui/Form1.h"
#include "ui/Form2.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <deque>
#include <vector>

namespace {

double peakMemoryMb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly | QIODevice::Text))
        return -1;
    QTextStream in(&status);
    for (QString line = in.readLine(); !line.isNull(); line = in.readLine()) {
        if (line.startsWith(QLatin1String("VmHWM:")))
            return line.section(QLatin1Char(' '), 1, -1, QString::SectionSkipEmpty)
                       .section(QLatin1Char(' '), 0, 0)
                       .toDouble() /
                   1024.0;
    }
    return -1;
}

// Microseconds per row for adding count rows that each sort to the top, as a batch's rows do.
double rowInsertMicros(platform::ListView* list, int count)
{
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < count; ++i) {
        const QString key = QStringLiteral("~probe%1").arg(i, 7, 10, QLatin1Char('0'));
        list->AddItem(key, key);
    }
    return timer.nsecsElapsed() / 1000.0 / count;
}

double meanMicros(const std::vector<qint64>& gaps, size_t from, size_t count)
{
    if (gaps.size() < from + count || count == 0)
        return 0;
    qint64 sum = 0;
    for (size_t i = from; i < from + count; ++i)
        sum += gaps[i];
    return sum / 1000.0 / count;
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("quillon"));

    std::vector<int> sizes;
    for (int i = 1; i < argc; ++i)
        sizes.push_back(QString::fromLocal8Bit(argv[i]).toInt());
    if (sizes.empty())
        sizes = {1000, 10000, 100000};
    const int largest = *std::max_element(sizes.begin(), sizes.end());

    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit()); // no user macro
    bench::Folders folders;
    platform::setFolderBrowserProvider(&folders);
    bench::SilentBoxes boxes;
    platform::setMessageBoxProvider(&boxes);
    platform::setEndProgramHandler([](int) {});

    const auto server = std::make_shared<platform::ScriptedAutomationServer>();
    platform::RegisterServer(wire::kProgId, [server] { return server; });
    QElapsedTimer clock;
    clock.start();
    std::vector<qint64> gaps; // close of one document to open of the next, in ns
    qint64 lastClose = -1;
    quintptr stackLow = ~quintptr(0);
    quintptr stackHigh = 0;
    server->setObserver([&](const platform::ScriptedAutomationServer::Call& call) {
        if (call.operation == wire::op::FileOpen) {
            stackLow = std::min(stackLow, call.stack);
            stackHigh = std::max(stackHigh, call.stack);
            if (lastClose >= 0)
                gaps.push_back(clock.nsecsElapsed() - lastClose);
        } else if (call.operation == wire::op::CloseNoSave) {
            lastClose = clock.nsecsElapsed();
            server->clearCalls(); // keep the recorder from measuring itself
        }
    });

    QTimer::singleShot(0, [] {
        if (QWidget* quickStart = QApplication::activeModalWidget())
            quickStart->hide();
    });
    Main();
    platform::ListView* list = Form2::instance()->ListView1;

    std::printf("%10s %10s %12s %14s %12s\n", "documents", "seconds", "docs/second", "peak MB",
                "stack bytes");
    double insertEmpty = 0;
    double insertFull = 0;
    for (const int size : sizes) {
        QTemporaryDir source;
        QTemporaryDir target;
        for (int i = 0; i < size; ++i) {
            QFile file(
                source.filePath(QStringLiteral("doc%1.wpd").arg(i, 7, 10, QLatin1Char('0'))));
            if (!file.open(QIODevice::WriteOnly)) {
                std::fprintf(stderr, "cannot create %s\n", qPrintable(file.fileName()));
                return 1;
            }
        }
        Form1* batch = Form1::instance();
        folders.answers = {source.path(), target.path()};
        batch->btnSource->click();
        batch->btnTarget->click();

        const bool measureList = size == largest;
        if (measureList) {
            list->Clear();
            insertEmpty = rowInsertMicros(list, 1000);
        }
        gaps.clear();
        lastClose = -1;
        stackLow = ~quintptr(0);
        stackHigh = 0;
        QElapsedTimer elapsed;
        elapsed.start();
        batch->Command1->click();
        const double seconds = elapsed.nsecsElapsed() / 1e9;
        if (list->Count() != size)
            std::fprintf(stderr, "only %d of %d documents listed\n", list->Count(), size);
        std::printf("%10d %10.2f %12.1f %14.1f %12llu\n", size, seconds, size / seconds,
                    peakMemoryMb(), static_cast<unsigned long long>(stackHigh - stackLow));
        std::fflush(stdout);

        if (measureList) {
            const size_t window = std::min<size_t>(1000, gaps.size() / 2);
            const double first = meanMicros(gaps, 0, window);
            const double last = meanMicros(gaps, gaps.size() - window, window);
            insertFull = rowInsertMicros(list, 1000);
            std::printf("\nDocument list, largest batch (%d documents):\n", size);
            std::printf("  adding a row: %.2f us with the list empty, %.2f us with %d rows "
                        "(ratio %.2f)\n",
                        insertEmpty, insertFull, size, insertFull / insertEmpty);
            std::printf("  close to next open: %.1f us over the first %zu documents, %.1f us "
                        "over the last %zu (ratio %.2f)\n",
                        first, window, last, window, first > 0 ? last / first : 0.0);
        }
    }
    ResetGeneral();
    return 0;
}
