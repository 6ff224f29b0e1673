// Quillon tests: the application started with the real document engine.
#include "EngineHarness.h"

#include "TestData.h"
#include "automation/EngineAutomationClient.h"

#include <QFile>
#include <QTemporaryDir>

#include <csignal>
#include <sys/types.h>

namespace e2etest {

QString readText(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

bool copyInto(const QTemporaryDir& dir, const QString& document, const QString& asName)
{
    return QFile::copy(testsupport::testDocument(document), dir.filePath(asName));
}

KillingProxy::KillingProxy(const QStringList& wrapper)
{
    platform::EngineAutomationClient::Options options;
    options.program = qEnvironmentVariable("QUILLON_BIN_DIR") + QStringLiteral("/quillon-engine");
    if (!wrapper.isEmpty()) {
        options.arguments = wrapper.mid(1) << options.program;
        options.program = wrapper.first();
    }
    options.callTimeoutMs = 60000;
    m_client = std::make_shared<platform::EngineAutomationClient>(options);
}

void KillingProxy::killBefore(const QString& operation, int occurrence, int signal)
{
    m_killOperation = operation;
    m_killOccurrence = occurrence;
    m_signal = signal;
}

QVariant KillingProxy::invoke(const QString& operation, const QStringList& arguments)
{
    if (operation == m_killOperation && ++m_seen == m_killOccurrence) {
        if (const qint64 pid = m_client->processId(); pid > 0)
            ::kill(static_cast<pid_t>(pid), m_signal);
    }
    const QVariant result = m_client->Call(operation, arguments);
    if (const qint64 pid = m_client->processId(); pid > 0 && !enginePids.contains(pid))
        enginePids << pid;
    return result;
}

} // namespace e2etest
