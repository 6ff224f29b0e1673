// Times the engine as the application uses it: one `quillon-engine --serve` process that opens,
// publishes as HTML and closes every document given, RUNS times over. Prints per document the
// median, the mean and the slowest milliseconds from the FileOpen request to the CloseNoSave
// reply, tab-separated (a mean above the median: some runs were much slower than most):
//
//   bench_engine_serve ENGINE OUTDIR RUNS DOCUMENT...
#include "EngineContract.h"
#include "EngineWire.h"

#include <QByteArray>
#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <numeric>
#include <optional>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

int g_toEngine = -1;
int g_fromEngine = -1;
QByteArray g_buffer;

bool writeAll(const QByteArray& bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n =
            ::write(g_toEngine, bytes.constData() + done, static_cast<size_t>(bytes.size() - done));
        if (n <= 0)
            return false;
        done += n;
    }
    return true;
}

std::optional<wire::Reply> nextReply()
{
    for (;;) {
        if (auto payload = wire::takeFrame(g_buffer))
            return wire::decodeReply(*payload);
        char chunk[65536];
        const ssize_t n = ::read(g_fromEngine, chunk, sizeof chunk);
        if (n <= 0)
            return std::nullopt;
        g_buffer.append(chunk, n);
    }
}

bool call(const QString& operation, const QStringList& arguments)
{
    if (!writeAll(wire::frame(wire::encodeRequest({operation, arguments}))))
        return false;
    const std::optional<wire::Reply> reply = nextReply();
    return reply && reply->kind != wire::Reply::Kind::Error;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 5) {
        std::fprintf(stderr, "usage: %s ENGINE OUTDIR RUNS DOCUMENT...\n", argv[0]);
        return 64;
    }
    const QDir out(QString::fromLocal8Bit(argv[2]));
    const int runs = std::max(1, std::atoi(argv[3]));
    int toEngine[2];
    int fromEngine[2];
    if (::pipe(toEngine) != 0 || ::pipe(fromEngine) != 0)
        return 1;
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(toEngine[0], STDIN_FILENO);
        ::dup2(fromEngine[1], STDOUT_FILENO);
        ::close(toEngine[1]);
        ::close(fromEngine[0]);
        ::execl(argv[1], argv[1], "--serve", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(toEngine[0]);
    ::close(fromEngine[1]);
    g_toEngine = toEngine[1];
    g_fromEngine = fromEngine[0];
    ::signal(SIGPIPE, SIG_IGN);
    if (!nextReply()) {
        std::fprintf(stderr, "the engine did not start\n");
        return 1;
    }

    std::vector<std::vector<double>> times(static_cast<size_t>(argc - 4));
    for (int run = 0; run < runs; ++run) {
        for (int d = 4; d < argc; ++d) {
            const QString document = QString::fromLocal8Bit(argv[d]);
            const QString target = out.filePath(QFileInfo(document).fileName() + ".html");
            const auto start = std::chrono::steady_clock::now();
            const bool ok = call(wire::op::FileOpen, {document}) &&
                            call(wire::op::HTMLPublish, {target}) &&
                            call(wire::op::CloseNoSave, {});
            const std::chrono::duration<double, std::milli> took =
                std::chrono::steady_clock::now() - start;
            if (!ok)
                std::fprintf(stderr, "%s: the engine reported an error\n", argv[d]);
            times[static_cast<size_t>(d - 4)].push_back(took.count());
        }
    }
    ::close(g_toEngine);
    int status = 0;
    ::waitpid(pid, &status, 0);

    for (int d = 4; d < argc; ++d) {
        std::vector<double>& t = times[static_cast<size_t>(d - 4)];
        const double mean = std::accumulate(t.begin(), t.end(), 0.0) / double(t.size());
        std::sort(t.begin(), t.end());
        std::printf("%s\t%.3f\t%.3f\t%.3f\n",
                    QFileInfo(QString::fromLocal8Bit(argv[d])).fileName().toLocal8Bit().constData(),
                    t[t.size() / 2], mean, t.back());
    }
    return 0;
}
