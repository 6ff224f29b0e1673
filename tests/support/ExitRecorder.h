// Quillon tests: records requests to end the program instead of ending it.
#pragma once

#include <QList>
#include <functional>

namespace testsupport {

// Installed for its lifetime; the previous handler comes back when it is destroyed. Each
// EndProgram call is recorded; since EndProgram never returns, it then throws
// platform::ProgramEnded, which unwinds the code under test up to the nearest Guarded (which
// swallows it) or to the test, which can catch it.
class ExitRecorder final {
public:
    ExitRecorder();
    ~ExitRecorder();
    ExitRecorder(const ExitRecorder&) = delete;
    ExitRecorder& operator=(const ExitRecorder&) = delete;

    const QList<int>& codes() const { return m_codes; }
    bool ended() const { return !m_codes.isEmpty(); }
    int count() const { return static_cast<int>(m_codes.size()); }

private:
    std::function<void(int)> m_previous;
    QList<int> m_codes;
};

} // namespace testsupport
