// Quillon engine: serves the engine's operations over a pair of file descriptors.
#pragma once

#include <QByteArray>

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace engine {

class Engine;

// Speaks the engine wire protocol (EngineWire.h): sends the hello reply first, then answers
// each request frame with one reply frame until the input ends. While an operation runs longer
// than a second, a thread of its own sends a heartbeat frame about every second, so the client
// can tell a working engine from a stopped one. Nothing but frames is ever written to the
// output descriptor.
class WireServer final {
public:
    WireServer(Engine& engine, int inputFd, int outputFd);

    // Returns the process exit code: 0 when the input ended cleanly, 2 on a corrupt frame or a
    // failed write (the application is gone).
    int run();

private:
    // Writes one frame; called with m_lock held, so frames from both threads never interleave.
    bool send(const QByteArray& payload);
    // Reads more input into m_buffer; false at end of input or on a read error.
    bool fill();
    // The heartbeat thread.
    void beat();

    Engine& m_engine;
    int m_inputFd;
    int m_outputFd;
    QByteArray m_buffer;

    std::mutex m_lock;
    std::condition_variable m_wake;
    bool m_busy = false; // an operation runs
    bool m_stopping = false;
    std::chrono::steady_clock::time_point m_lastFrame;
};

} // namespace engine
