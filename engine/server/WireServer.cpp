// Quillon engine: serves the engine's operations over a pair of file descriptors.
#include "WireServer.h"

#include "Engine.h"
#include "EngineContract.h"
#include "WriteAll.h"

#include <cerrno>
#include <thread>
#include <unistd.h>

namespace engine {
namespace {

constexpr std::chrono::milliseconds kHeartbeatInterval(wire::kHeartbeatIntervalMs);

} // namespace

WireServer::WireServer(Engine& engine, int inputFd, int outputFd)
    : m_engine(engine), m_inputFd(inputFd), m_outputFd(outputFd)
{
}

int WireServer::run()
{
    {
        const std::lock_guard<std::mutex> guard(m_lock);
        if (!send(
                wire::encodeReply(wire::Reply::fromText(QString::fromLatin1(wire::kEngineHello)))))
            return 2;
    }
    std::thread heart([this] { beat(); });
    struct Join {
        WireServer& server;
        std::thread& thread;
        ~Join()
        {
            {
                const std::lock_guard<std::mutex> guard(server.m_lock);
                server.m_stopping = true;
            }
            server.m_wake.notify_all();
            thread.join();
        }
    } join{*this, heart};

    for (;;) {
        bool corrupt = false;
        std::optional<QByteArray> payload = wire::takeFrame(m_buffer, &corrupt);
        if (corrupt) {
            const std::lock_guard<std::mutex> guard(m_lock);
            send(wire::encodeReply(wire::Reply::error(
                wire::kAutomationError.number, QStringLiteral("The request frame is corrupt."))));
            return 2;
        }
        if (!payload) {
            if (!fill())
                return m_buffer.isEmpty() ? 0 : 2;
            continue;
        }
        {
            const std::lock_guard<std::mutex> guard(m_lock);
            m_busy = true;
            m_lastFrame = std::chrono::steady_clock::now();
        }
        m_wake.notify_all();
        const std::optional<wire::Request> request = wire::decodeRequest(*payload);
        const wire::Reply reply =
            request ? m_engine.call(request->operation, request->arguments)
                    : wire::Reply::error(wire::kAutomationError.number,
                                         QStringLiteral("The request could not be decoded."));
        const std::lock_guard<std::mutex> guard(m_lock);
        m_busy = false;
        if (!send(wire::encodeReply(reply)))
            return 2;
    }
}

// Sleeps while no operation runs; while one does, sends a heartbeat once a second has passed
// since the last frame.
void WireServer::beat()
{
    std::unique_lock<std::mutex> lock(m_lock);
    for (;;) {
        m_wake.wait(lock, [this] { return m_busy || m_stopping; });
        if (m_stopping)
            return;
        const auto due = m_lastFrame + kHeartbeatInterval;
        if (m_wake.wait_until(lock, due, [this] { return !m_busy || m_stopping; }))
            continue;
        if (std::chrono::steady_clock::now() < m_lastFrame + kHeartbeatInterval)
            continue;            // another operation began meanwhile
        send(wire::heartbeat()); // a failed write is noticed with the reply
        m_lastFrame = std::chrono::steady_clock::now();
    }
}

bool WireServer::send(const QByteArray& payload)
{
    return fs::writeAll(m_outputFd, wire::frame(payload));
}

bool WireServer::fill()
{
    char chunk[65536];
    for (;;) {
        const ssize_t n = ::read(m_inputFd, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        m_buffer.append(chunk, n);
        return true;
    }
}

} // namespace engine
