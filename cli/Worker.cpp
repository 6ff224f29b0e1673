// quillon-convert: a thread that converts documents with an engine of its own.
#include "Worker.h"

#include "EnginePaths.h"

#include <csignal>
#include <sys/syscall.h>
#include <unistd.h>

namespace cli {

Worker::Worker(const ConvertSettings& settings, platform::EngineAutomationClient::Options engine,
               WorkQueue<FileTask>& files, WorkQueue<FileResult>& results)
    : m_settings(settings), m_engineOptions(std::move(engine)), m_files(files), m_results(results)
{
}

Worker::~Worker()
{
    if (m_thread.joinable())
        m_thread.join();
}

void Worker::start()
{
    m_thread = std::thread([this] { run(); });
}

void Worker::run()
{
    {
        platform::EngineAutomationClient engine(m_engineOptions);
        EnginePaths paths;
        ConvertDocument convert(m_settings, engine, paths, [this](qint64 pid) { track(pid); });
        while (std::optional<FileTask> file = m_files.pop())
            m_results.push(convert.execute(std::move(*file)));
        track(0);
    } // the engine ends with its client, before the thread does
    m_finished = true;
}

void Worker::track(qint64 pid)
{
    std::lock_guard lock(m_engineMutex);
    if (pid == m_pid)
        return;
    if (m_pidfd >= 0)
        ::close(m_pidfd);
    m_pid = static_cast<pid_t>(pid);
    m_pidfd = pid > 0 ? static_cast<int>(::syscall(SYS_pidfd_open, m_pid, 0)) : -1;
}

void Worker::killEngine()
{
    std::lock_guard lock(m_engineMutex);
    if (m_pidfd >= 0)
        ::syscall(SYS_pidfd_send_signal, m_pidfd, SIGKILL, nullptr, 0);
    else if (m_pid > 0)
        ::kill(m_pid, SIGKILL); // kernels before 5.3
}

} // namespace cli
