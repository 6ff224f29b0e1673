// Quillon engine: serves the engine's operations over a pair of file descriptors.
#pragma once

#include <QByteArray>

namespace engine {

class Engine;

// Speaks the engine wire protocol (EngineWire.h): sends the hello reply first, then answers
// each request frame with one reply frame until the input ends. Nothing but frames is ever
// written to the output descriptor.
class WireServer final {
public:
    WireServer(Engine& engine, int inputFd, int outputFd);

    // Returns the process exit code: 0 when the input ended cleanly, 2 on a corrupt frame or a
    // failed write (the application is gone).
    int run();

private:
    bool send(const QByteArray& payload);
    // Reads more input into m_buffer; false at end of input or on a read error.
    bool fill();

    Engine& m_engine;
    int m_inputFd;
    int m_outputFd;
    QByteArray m_buffer;
};

} // namespace engine
