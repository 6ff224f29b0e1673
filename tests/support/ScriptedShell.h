// Quillon tests: a desktop shell that answers from a script.
#pragma once

#include "BrowserLauncher.h"

#include <QList>
#include <QStringList>

namespace testsupport {

// Installed for its lifetime. findExecutable answers the program set with setExecutable
// ("" by default: nothing associated) and execute answers setExecuteResult (true by default).
// Every call is recorded; the file passed to findExecutable is also checked for existence at
// the moment of the call, since callers create it only for that call.
class ScriptedShell final : public platform::ShellProvider {
public:
    struct Execution {
        QString program;
        QString argument;
    };

    ScriptedShell();
    ~ScriptedShell() override;
    ScriptedShell(const ScriptedShell&) = delete;
    ScriptedShell& operator=(const ScriptedShell&) = delete;

    void setExecutable(const QString& program) { m_program = program; }
    void setExecuteResult(bool started) { m_started = started; }

    const QStringList& lookups() const { return m_lookups; }
    // For each lookup, whether the file existed when it was asked about.
    const QList<bool>& lookupFileExisted() const { return m_existed; }
    const QList<Execution>& executions() const { return m_executions; }

    QString findExecutable(const QString& file) override;
    bool execute(const QString& program, const QString& argument) override;

private:
    platform::ShellProvider* m_previous;
    QString m_program;
    bool m_started = true;
    QStringList m_lookups;
    QList<bool> m_existed;
    QList<Execution> m_executions;
};

} // namespace testsupport
