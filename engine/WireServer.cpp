// Quillon engine: serves the engine's operations over a pair of file descriptors.
#include "WireServer.h"

#include "Engine.h"
#include "EngineError.h"

#include <cerrno>
#include <unistd.h>

namespace engine {

WireServer::WireServer(Engine& engine, int inputFd, int outputFd)
    : m_engine(engine), m_inputFd(inputFd), m_outputFd(outputFd)
{
}

int WireServer::run()
{
    if (!send(wire::encodeReply(wire::Reply::fromText(QString::fromLatin1(wire::kEngineHello)))))
        return 2;
    for (;;) {
        bool corrupt = false;
        std::optional<QByteArray> payload = wire::takeFrame(m_buffer, &corrupt);
        if (corrupt) {
            send(wire::encodeReply(
                wire::Reply::error(440, QStringLiteral("The request frame is corrupt."))));
            return 2;
        }
        if (!payload) {
            if (!fill())
                return m_buffer.isEmpty() ? 0 : 2;
            continue;
        }
        const std::optional<wire::Request> request = wire::decodeRequest(*payload);
        const wire::Reply reply =
            request ? m_engine.call(request->operation, request->arguments)
                    : wire::Reply::error(440, QStringLiteral("The request could not be decoded."));
        if (!send(wire::encodeReply(reply)))
            return 2;
    }
}

bool WireServer::send(const QByteArray& payload)
{
    const QByteArray bytes = wire::frame(payload);
    const char* data = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(m_outputFd, data, static_cast<size_t>(left));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        left -= n;
    }
    return true;
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
