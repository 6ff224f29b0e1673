// Quillon: the automation object served by the document engine, a separate process.
#include "EngineAutomationClient.h"

#include "AppIdentity.h"
#include "EngineContract.h"
#include "EngineWire.h"
#include "Error.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QProcess>

#include <csignal>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <unistd.h>

namespace platform {
namespace {

const QString kSource = wire::kProgId;
constexpr int kGracefulStopMs = 2000;

// The engine's environment: the program's own, with a deeper cache of freed memory blocks per
// thread (256 of each size instead of glibc's 7). Reading a document makes and frees small
// objects in bursts of hundreds, which overflow the default cache into the allocator's slow
// paths: the deeper cache saves the engine close to a tenth of its work, for a megabyte or two
// of memory. A setting of the user's own is kept.
QProcessEnvironment engineEnvironment()
{
    static const QLatin1String kCache("glibc.malloc.tcache_count");
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    const QString tunables = environment.value(QStringLiteral("GLIBC_TUNABLES"));
    if (!tunables.contains(kCache))
        environment.insert(QStringLiteral("GLIBC_TUNABLES"),
                           (tunables.isEmpty() ? QString() : tunables + QLatin1Char(':')) + kCache +
                               QLatin1String("=256"));
    return environment;
}

// A limit of zero or less means no limit.
QDeadlineTimer deadlineIn(int ms)
{
    return ms > 0 ? QDeadlineTimer(ms) : QDeadlineTimer(QDeadlineTimer::Forever);
}

// The limits of one wait: the whole call, and the silence of the engine, which every frame it
// sends (a heartbeat too) starts afresh.
struct Limits {
    QDeadlineTimer call;
    int silenceMs = 0;
    QDeadlineTimer silence = deadlineIn(silenceMs);

    void heard() { silence = deadlineIn(silenceMs); }
    // Waits are cut into slices of at most a second, so that an engine that dies without
    // closing its pipes is noticed promptly.
    int slice() const
    {
        const QDeadlineTimer first = qMin(call, silence);
        if (first.isForever())
            return 1000;
        return static_cast<int>(qBound(qint64(1), first.remainingTime(), qint64(1000)));
    }
};

// How a wait for one reply frame ended.
enum class Wait { Frame, Died, TimedOut, Silent, Corrupt };

// Takes the next reply frame off buffer, skipping heartbeats (which count as signs of life).
std::optional<QByteArray> takeReply(QByteArray& buffer, Limits& limits, bool* corrupt)
{
    while (std::optional<QByteArray> frame = wire::takeFrame(buffer, corrupt)) {
        limits.heard();
        if (!wire::isHeartbeat(*frame))
            return frame;
    }
    return std::nullopt;
}

// Waits for one complete reply frame on the process's output, keeping any bytes beyond it in
// buffer. Returns the payload through payload.
Wait readFrame(QProcess& process, QByteArray& buffer, Limits& limits, QByteArray& payload)
{
    for (;;) {
        bool corrupt = false;
        if (std::optional<QByteArray> frame = takeReply(buffer, limits, &corrupt)) {
            payload = std::move(*frame);
            return Wait::Frame;
        }
        if (corrupt)
            return Wait::Corrupt;
        if (process.state() == QProcess::NotRunning) {
            buffer.append(process.readAllStandardOutput());
            if (std::optional<QByteArray> frame = takeReply(buffer, limits, nullptr)) {
                payload = std::move(*frame);
                return Wait::Frame;
            }
            return Wait::Died;
        }
        if (limits.call.hasExpired())
            return Wait::TimedOut;
        if (limits.silence.hasExpired())
            return Wait::Silent;
        if (process.waitForReadyRead(limits.slice()))
            buffer.append(process.readAllStandardOutput());
    }
}

QString seconds(int ms)
{
    return QString::number((ms + 999) / 1000);
}

} // namespace

EngineAutomationClient::EngineAutomationClient(Options options) : m_options(std::move(options)) {}

EngineAutomationClient::~EngineAutomationClient()
{
    // A healthy engine ends by itself when its input closes, letting it tidy up; one that
    // does not is killed.
    if (isRunning()) {
        m_process->closeWriteChannel();
        m_process->waitForFinished(kGracefulStopMs);
    }
    stop();
}

QString EngineAutomationClient::defaultProgram()
{
    const QDir programs(appPath());
    const QString installed = QDir::cleanPath(
        programs.filePath(QStringLiteral(QUILLON_ENGINE_FROM_BINDIR "/quillon-engine")));
    const QFileInfo engine(installed);
    if (engine.isFile() && engine.isExecutable())
        return installed;
    return programs.filePath(QStringLiteral("quillon-engine"));
}

AutomationFactory EngineAutomationClient::factory(Options options)
{
    return [options]() -> std::shared_ptr<AutomationObject> {
        auto client = std::make_shared<EngineAutomationClient>(options);
        client->start();
        return client;
    };
}

bool EngineAutomationClient::isRunning() const
{
    return m_process && m_process->state() == QProcess::Running;
}

qint64 EngineAutomationClient::processId() const
{
    return isRunning() ? m_process->processId() : 0;
}

void EngineAutomationClient::start()
{
    if (isRunning())
        return;
    stop();

    auto fail = [this](const QString& why) {
        stop();
        return Error(err::CannotCreateObject,
                     QStringLiteral("ActiveX component can't create object (%1)").arg(why),
                     kSource);
    };

    const QFileInfo program(m_options.program);
    if (m_options.program.isEmpty() || !program.isFile() || !program.isExecutable())
        throw fail(QStringLiteral("the document engine %1 was not found").arg(m_options.program));

    m_process = std::make_unique<QProcess>();
    m_process->setProcessEnvironment(engineEnvironment());
    if (m_options.discardEngineErrors)
        m_process->setStandardErrorFile(QProcess::nullDevice());
    else
        m_process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    if (m_options.addressSpaceLimit > 0 || m_options.ownProcessGroup) {
        const auto limit = static_cast<rlim_t>(qMax<qint64>(m_options.addressSpaceLimit, 0));
        const bool ownGroup = m_options.ownProcessGroup;
        // Runs in the child between fork and exec: system calls only.
        m_process->setChildProcessModifier([limit, ownGroup]() {
            if (limit > 0) {
                const rlimit cap{limit, limit};
                ::setrlimit(RLIMIT_AS, &cap);
            }
            if (ownGroup) {
                ::setpgid(0, 0);
                ::prctl(PR_SET_PDEATHSIG, SIGKILL);
            }
        });
    }
    m_process->start(m_options.program, m_options.arguments);
    if (!m_process->waitForStarted(m_options.startTimeoutMs))
        throw fail(QStringLiteral("the document engine could not be started: %1")
                       .arg(m_process->errorString()));

    QByteArray payload;
    Limits limits{deadlineIn(m_options.startTimeoutMs)};
    const Wait result = readFrame(*m_process, m_buffer, limits, payload);
    if (result != Wait::Frame)
        throw fail(QStringLiteral("the document engine did not greet"));
    const std::optional<wire::Reply> hello = wire::decodeReply(payload);
    if (!hello || hello->kind != wire::Reply::Kind::Text ||
        hello->text != QLatin1String(wire::kEngineHello))
        throw fail(QStringLiteral("the document engine greeted with something unknown"));
}

void EngineAutomationClient::stop()
{
    m_buffer.clear();
    if (!m_process)
        return;
    if (m_process->state() != QProcess::NotRunning) {
        m_process->closeWriteChannel();
        m_process->kill();
        m_process->waitForFinished(3000);
    }
    m_process.reset();
}

bool EngineAutomationClient::isGone(const Error& raised) const
{
    switch (m_outcome) {
    case Outcome::Answered:
    case Outcome::Damaged:
        return raised.number() == err::CannotCreateObject;
    case Outcome::Stopped:
    case Outcome::TimedOut:
    case Outcome::Corrupt:
        break;
    }
    return true;
}

QVariant EngineAutomationClient::invoke(const QString& operation, const QStringList& arguments)
{
    // A previous engine that died or was ended is replaced here, so one crash costs one call.
    m_outcome = Outcome::Answered;
    start();

    auto engineFailed = [this](const QString& description, Outcome outcome = Outcome::Stopped) {
        m_outcome = outcome;
        stop();
        return Error(err::AutomationError, description, kSource);
    };

    wire::Request request;
    request.operation = operation;
    request.arguments = arguments;
    const QByteArray bytes = wire::frame(wire::encodeRequest(request));
    if (bytes.size() - 4 > static_cast<qsizetype>(wire::kMaxFrame))
        throw Error(err::InvalidArgument,
                    QStringLiteral("The arguments of %1 are too large for the document engine")
                        .arg(operation),
                    kSource);

    m_buffer.clear();
    Limits limits{qMin(deadlineIn(m_options.callTimeoutMs), m_deadline),
                  m_options.silenceTimeoutMs};
    const int limitMs = limits.call.isForever() ? 0 : int(limits.call.remainingTime());
    const auto timedOut = [&] {
        return engineFailed(QStringLiteral("The document engine did not answer %1 within %2 s")
                                .arg(operation, seconds(limitMs)),
                            Outcome::TimedOut);
    };
    const auto silent = [&] {
        return engineFailed(
            QStringLiteral("The document engine stopped responding while running %1 (no sign "
                           "of life for %2 s)")
                .arg(operation, seconds(m_options.silenceTimeoutMs)));
    };
    qsizetype written = 0;
    while (written < bytes.size()) {
        const qint64 n = m_process->write(bytes.constData() + written, bytes.size() - written);
        if (n < 0)
            throw engineFailed(
                QStringLiteral("The document engine stopped while running %1").arg(operation));
        written += n;
    }
    // Flush the request to the pipe, noticing an engine that dies or stalls while reading it.
    while (m_process->bytesToWrite() > 0) {
        if (m_process->state() == QProcess::NotRunning)
            throw engineFailed(
                QStringLiteral("The document engine stopped while running %1").arg(operation));
        if (limits.call.hasExpired())
            throw timedOut();
        if (limits.silence.hasExpired())
            throw silent();
        m_process->waitForBytesWritten(limits.slice());
    }

    QByteArray payload;
    switch (readFrame(*m_process, m_buffer, limits, payload)) {
    case Wait::Frame:
        break;
    case Wait::Died:
        throw engineFailed(
            QStringLiteral("The document engine stopped while running %1").arg(operation));
    case Wait::TimedOut:
        throw timedOut();
    case Wait::Silent:
        throw silent();
    case Wait::Corrupt:
        throw engineFailed(
            QStringLiteral("The document engine sent a corrupt answer to %1").arg(operation),
            Outcome::Corrupt);
    }

    const std::optional<wire::Reply> reply = wire::decodeReply(payload);
    if (!reply)
        throw engineFailed(
            QStringLiteral("The document engine sent a corrupt answer to %1").arg(operation),
            Outcome::Corrupt);
    switch (reply->kind) {
    case wire::Reply::Kind::Null:
        return QVariant();
    case wire::Reply::Kind::Boolean:
        return QVariant(reply->boolean);
    case wire::Reply::Kind::Text:
        return QVariant(reply->text);
    case wire::Reply::Kind::Error:
        throw Error(reply->number, reply->text, kSource);
    case wire::Reply::Kind::Damaged:
        // Done in part is not done: the caller learns it as a failure, and can ask for the
        // answer.
        m_outcome = Outcome::Damaged;
        m_partialAnswer = reply->text;
        throw Error(err::AutomationError, reply->damage, kSource);
    }
    return QVariant();
}

} // namespace platform
