// Quillon tests: the application started with the real document engine.
#include "EngineHarness.h"

#include "General.h"
#include "TestData.h"
#include "automation/EngineAutomationClient.h"
#include "ui/Form1.h"

#include <QApplication>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <csignal>
#include <sys/types.h>

namespace e2etest {
namespace {

const QString kProgId = QStringLiteral("WordPerfect.PerfectScript");

} // namespace

QString readText(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

bool copyInto(const QTemporaryDir& dir, const QString& document, const QString& asName)
{
    return QFile::copy(testsupport::testDocument(document), dir.filePath(asName));
}

KillingProxy::KillingProxy(std::shared_ptr<platform::EngineAutomationClient> client)
    : m_client(std::move(client))
{
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

EngineApp::EngineApp(const QStringList& wrapper)
{
    platform::EngineAutomationClient::Options options;
    options.program = qEnvironmentVariable("QUILLON_BIN_DIR") + QStringLiteral("/quillon-engine");
    if (!wrapper.isEmpty()) {
        options.arguments = wrapper.mid(1) << options.program;
        options.program = wrapper.first();
    }
    options.callTimeoutMs = 60000;
    auto client = std::make_shared<platform::EngineAutomationClient>(options);
    client->start();
    proxy = std::make_shared<KillingProxy>(client);
    const std::shared_ptr<KillingProxy> server = proxy;
    platform::RegisterServer(kProgId, [server] { return server; });
    QTimer::singleShot(0, [] {
        if (QWidget* modal = QApplication::activeModalWidget())
            modal->hide();
    });
    Main();
}

EngineApp::~EngineApp()
{
    ResetGeneral();
    platform::UnregisterServer(kProgId);
}

void EngineApp::runBatch(const QString& source, const QString& target)
{
    Form1* batch = Form1::instance();
    folders.queueFolder(source);
    batch->btnSource->click();
    folders.queueFolder(target);
    batch->btnTarget->click();
    batch->Command1->click();
}

} // namespace e2etest
