// Quillon: the automation object served by the document engine, a separate process.
#pragma once

#include "AutomationObject.h"

#include <QByteArray>
#include <QDeadlineTimer>
#include <QString>
#include <memory>

class QProcess;

namespace platform {

class Error;

// Speaks to the document engine (quillon-engine) over its standard input and output, using
// the framing of EngineWire.h. The engine runs out of process so that a document that crashes
// or hangs the reader cannot take the application with it:
// - creation starts the engine and waits for its greeting; when the engine is missing or does
//   not greet in time, creation raises error 429;
// - each call sends the operation and its arguments and blocks until the reply;
// - when the engine dies, falls silent (no frame, not even a heartbeat, for the silence limit:
//   stopped or frozen), or a call runs past the call time limit while the engine still works,
//   the waiting call raises error 440 with a description that says what happened, the engine
//   is ended, and the next call starts a fresh engine (documents open in the old one are gone).
class EngineAutomationClient final : public AutomationObject {
public:
    struct Options {
        QString program;       // path of the engine executable
        QStringList arguments; // extra arguments (tests use them to script a fake engine)
        int startTimeoutMs = 10000;
        int callTimeoutMs = 300000; // generous: a large document takes seconds, not minutes
        // A working engine sends a heartbeat every second: one silent this long is not running.
        int silenceTimeoutMs = 5000;
        // The engine's address space in bytes (setrlimit), so a document that makes the reader
        // ask for gigabytes fails alone; 0 leaves it unlimited.
        qint64 addressSpaceLimit = 0;
        // The engine in a process group of its own, so a Ctrl-C at the terminal reaches only
        // this process, which decides when the engine ends; it is killed when the thread that
        // started it ends.
        bool ownProcessGroup = false;
        // The engine's standard error goes nowhere instead of to this process's.
        bool discardEngineErrors = false;
    };

    // How the last call ended: with an answer (a value or an error the engine raised), done in
    // part (the document is damaged: what could be read was written, and error 440 says what is
    // missing), or with the engine gone (stopped, timed out, or talking nonsense), which raised
    // error 440.
    enum class Outcome { Answered, Damaged, Stopped, TimedOut, Corrupt };

    explicit EngineAutomationClient(Options options);
    ~EngineAutomationClient() override;

    // The engine executable: in the installed engine folder reached from the application's
    // own folder, else (in a build folder) beside the application's own executable.
    static QString defaultProgram();
    // A factory for the registry: creating the object starts the engine.
    static AutomationFactory factory(Options options);

    // Starts the engine unless it runs; raises 429 when it cannot be started.
    void start();
    bool isRunning() const;
    // The engine's process id while it runs, 0 otherwise.
    qint64 processId() const;
    // The calls that follow end by this time too (a document's time limit); Forever: each has
    // only the call time limit.
    void setDeadline(QDeadlineTimer deadline) { m_deadline = deadline; }
    Outcome lastOutcome() const { return m_outcome; }
    // Whether the error the last call raised means the engine is gone (ended, or it could not be
    // started), rather than an answer of the engine.
    bool isGone(const Error& raised) const;
    // After a call done in part (Outcome::Damaged): what the operation answered.
    const QString& partialAnswer() const { return m_partialAnswer; }

protected:
    QVariant invoke(const QString& operation, const QStringList& arguments) override;

private:
    void stop();

    Options m_options;
    std::unique_ptr<QProcess> m_process;
    QByteArray m_buffer; // bytes read from the engine that do not yet make a whole frame
    QDeadlineTimer m_deadline{QDeadlineTimer::Forever};
    Outcome m_outcome = Outcome::Answered;
    QString m_partialAnswer;
};

} // namespace platform
