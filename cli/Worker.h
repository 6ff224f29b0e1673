// quillon-convert: a thread that converts documents with an engine of its own.
#pragma once

#include "ConvertDocument.h"
#include "EngineAutomationClient.h"
#include "FileTask.h"
#include "WorkQueue.h"

#include <atomic>
#include <mutex>
#include <sys/types.h>
#include <thread>

namespace cli {

// Pulls files from the queue until it ends, converts each with its own engine (started on the
// first document, replaced after a crash or a time-out) and pushes the results. Another thread
// may end the engine at any time (killEngine), which fails the document being converted.
class Worker final {
public:
    Worker(const ConvertSettings& settings, platform::EngineAutomationClient::Options engine,
           WorkQueue<FileTask>& files, WorkQueue<FileResult>& results);
    ~Worker();
    Worker(const Worker&) = delete;
    Worker& operator=(const Worker&) = delete;

    void start();
    bool finished() const { return m_finished.load(); }
    // Kills the engine now; safe from any thread.
    void killEngine();

private:
    void run();
    // Remembers the engine's process (0: none) so killEngine reaches that one and no other.
    void track(qint64 pid);

    const ConvertSettings& m_settings;
    platform::EngineAutomationClient::Options m_engineOptions;
    WorkQueue<FileTask>& m_files;
    WorkQueue<FileResult>& m_results;
    std::thread m_thread;
    std::atomic<bool> m_finished{false};
    std::mutex m_engineMutex;
    pid_t m_pid = 0;
    int m_pidfd = -1; // a process handle that cannot come to mean another process
};

} // namespace cli
