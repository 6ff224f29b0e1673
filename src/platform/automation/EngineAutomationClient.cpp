// Quillon: the automation object served by the document engine, a separate process.
#include "EngineAutomationClient.h"

#include "AppIdentity.h"
#include "EngineWire.h"
#include "Error.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QProcess>

namespace platform {
namespace {

const QString kSource = QStringLiteral("WordPerfect.PerfectScript");
constexpr int kGracefulStopMs = 2000;

// Waits are cut into slices of at most a second, so that an engine that dies without closing
// its pipes is noticed promptly.
int slice(const QDeadlineTimer& deadline)
{
    if (deadline.isForever())
        return 1000;
    return static_cast<int>(qBound(qint64(1), deadline.remainingTime(), qint64(1000)));
}

// A limit of zero or less means no limit.
QDeadlineTimer deadlineIn(int ms)
{
    return ms > 0 ? QDeadlineTimer(ms) : QDeadlineTimer(QDeadlineTimer::Forever);
}

// How a wait for one reply frame ended.
enum class Wait { Frame, Died, TimedOut, Corrupt };

// Waits for one complete frame on the process's output, keeping any bytes beyond it in
// buffer. Returns the payload through payload.
Wait readFrame(QProcess& process, QByteArray& buffer, const QDeadlineTimer& deadline,
               QByteArray& payload)
{
    for (;;) {
        bool corrupt = false;
        if (std::optional<QByteArray> frame = wire::takeFrame(buffer, &corrupt)) {
            payload = std::move(*frame);
            return Wait::Frame;
        }
        if (corrupt)
            return Wait::Corrupt;
        if (process.state() == QProcess::NotRunning) {
            buffer.append(process.readAllStandardOutput());
            if (std::optional<QByteArray> frame = wire::takeFrame(buffer)) {
                payload = std::move(*frame);
                return Wait::Frame;
            }
            return Wait::Died;
        }
        if (deadline.hasExpired())
            return Wait::TimedOut;
        if (process.waitForReadyRead(slice(deadline)))
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
    m_process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process->start(m_options.program, m_options.arguments);
    if (!m_process->waitForStarted(m_options.startTimeoutMs))
        throw fail(QStringLiteral("the document engine could not be started: %1")
                       .arg(m_process->errorString()));

    QByteArray payload;
    const Wait result =
        readFrame(*m_process, m_buffer, deadlineIn(m_options.startTimeoutMs), payload);
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

QVariant EngineAutomationClient::invoke(const QString& operation, const QStringList& arguments)
{
    // A previous engine that died or was ended is replaced here, so one crash costs one call.
    start();

    auto engineFailed = [this](const QString& description) {
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
    const QDeadlineTimer deadline = deadlineIn(m_options.callTimeoutMs);
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
        if (deadline.hasExpired())
            throw engineFailed(QStringLiteral("The document engine did not answer %1 within %2 s")
                                   .arg(operation, seconds(m_options.callTimeoutMs)));
        m_process->waitForBytesWritten(slice(deadline));
    }

    QByteArray payload;
    switch (readFrame(*m_process, m_buffer, deadline, payload)) {
    case Wait::Frame:
        break;
    case Wait::Died:
        throw engineFailed(
            QStringLiteral("The document engine stopped while running %1").arg(operation));
    case Wait::TimedOut:
        throw engineFailed(QStringLiteral("The document engine did not answer %1 within %2 s")
                               .arg(operation, seconds(m_options.callTimeoutMs)));
    case Wait::Corrupt:
        throw engineFailed(
            QStringLiteral("The document engine sent a corrupt answer to %1").arg(operation));
    }

    const std::optional<wire::Reply> reply = wire::decodeReply(payload);
    if (!reply)
        throw engineFailed(
            QStringLiteral("The document engine sent a corrupt answer to %1").arg(operation));
    switch (reply->kind) {
    case wire::Reply::Kind::Null:
        return QVariant();
    case wire::Reply::Kind::Boolean:
        return QVariant(reply->boolean);
    case wire::Reply::Kind::Text:
        return QVariant(reply->text);
    case wire::Reply::Kind::Error:
        throw Error(reply->number, reply->text, kSource);
    }
    return QVariant();
}

} // namespace platform
