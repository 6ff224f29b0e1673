// Quillon tests: the application started with the real document engine.
#pragma once

#include "automation/AutomationObject.h"

#include <QList>
#include <QString>
#include <csignal>
#include <memory>

class QTemporaryDir;
namespace platform {
class EngineAutomationClient;
}

namespace e2etest {

QString readText(const QString& path);
// Copies a test document into the folder under another name; false when it failed.
bool copyInto(const QTemporaryDir& dir, const QString& document, const QString& asName);

// Forwards every call to the engine client; can send the engine a signal just before a chosen
// call (SIGKILL: the way a crash of the reader would end it; SIGSTOP: frozen), and notes each
// engine process it saw.
class KillingProxy final : public platform::AutomationObject {
public:
    // The engine starts with the first call, so it reads the settings of the running test. It
    // is started through the wrapper when one is given (a program and its arguments before the
    // engine's path, for example prlimit with a file size limit).
    explicit KillingProxy(const QStringList& wrapper = {});
    void killBefore(const QString& operation, int occurrence, int signal = SIGKILL);
    QList<qint64> enginePids;

protected:
    QVariant invoke(const QString& operation, const QStringList& arguments) override;

private:
    std::shared_ptr<platform::EngineAutomationClient> m_client;
    QString m_killOperation;
    int m_killOccurrence = 0;
    int m_signal = SIGKILL;
    int m_seen = 0;
};

} // namespace e2etest
