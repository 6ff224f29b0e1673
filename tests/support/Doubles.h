// Quillon tests: doubles for what the program asks of the platform (message boxes, file dialogs,
// folder browsers, the desktop shell, the end of the program, the settings folder), each
// installed for its lifetime: what it replaced comes back when it is destroyed.
#pragma once

#include "BrowserLauncher.h"
#include "CommonDialog.h"
#include "FolderBrowser.h"
#include "MessageBox.h"

#include <QFile>
#include <QList>
#include <QStringList>
#include <QTemporaryDir>
#include <deque>
#include <functional>

namespace testsupport {

// Installs the double as the platform's provider of its kind.
template <class Provider, Provider* (*install)(Provider*)> class Installed : public Provider {
public:
    Installed() : m_previous(install(this)) {}
    ~Installed() override { install(m_previous); }
    Installed(const Installed&) = delete;
    Installed& operator=(const Installed&) = delete;

private:
    Provider* m_previous;
};

// Records each box and answers it from a queue, oldest first; with the queue empty, OK.
class RecordingMessageBox final
    : public Installed<platform::MessageBoxProvider, platform::setMessageBoxProvider> {
public:
    void queueAnswer(platform::MsgResult answer) { m_answers.push_back(answer); }
    const QList<platform::MessageBoxRequest>& requests() const { return m_requests; }
    QStringList texts() const;
    int count() const { return int(m_requests.size()); }
    platform::MsgResult show(const platform::MessageBoxRequest& request) override;

private:
    QList<platform::MessageBoxRequest> m_requests;
    std::deque<platform::MsgResult> m_answers;
};

// Each dialog takes the oldest queued answer: a path (the user picked it) or a cancel; with the
// queue empty it is cancelled. The observer sees each request before it is answered.
class ScriptedFileDialog final
    : public Installed<platform::FileDialogProvider, platform::setFileDialogProvider> {
public:
    void queueFile(const QString& path) { m_answers.push_back(path); }
    void queueCancel() { m_answers.push_back(QString()); }
    void setObserver(std::function<void(const platform::FileDialogRequest&)> observer)
    {
        m_observer = std::move(observer);
    }
    const QList<platform::FileDialogRequest>& requests() const { return m_requests; }
    int count() const { return int(m_requests.size()); }
    bool show(const platform::FileDialogRequest& request, QWidget* owner, QString& chosen) override;

private:
    QList<platform::FileDialogRequest> m_requests;
    std::deque<QString> m_answers; // "" is a cancel
    std::function<void(const platform::FileDialogRequest&)> m_observer;
};

// Each browse takes the oldest queued folder ("" is a cancel); with the queue empty, a cancel.
class ScriptedFolderBrowser final
    : public Installed<platform::FolderBrowserProvider, platform::setFolderBrowserProvider> {
public:
    void queueFolder(const QString& folder) { m_answers.push_back(folder); }
    void queueCancel() { m_answers.push_back(QString()); }
    const QStringList& titles() const { return m_titles; }
    QString browse(const QString& title) override;

private:
    QStringList m_titles;
    std::deque<QString> m_answers;
};

// findExecutable answers the program set ("" by default: nothing associated), execute answers
// whether it started (true by default). Every call is recorded, and with each look-up whether
// its file existed then, since callers create it only for that call.
class ScriptedShell final : public Installed<platform::ShellProvider, platform::setShellProvider> {
public:
    struct Execution {
        QString program;
        QString argument;
    };
    void setExecutable(const QString& program) { m_program = program; }
    void setExecuteResult(bool started) { m_started = started; }
    const QStringList& lookups() const { return m_lookups; }
    const QList<bool>& lookupFileExisted() const { return m_existed; }
    const QList<Execution>& executions() const { return m_executions; }
    QString findExecutable(const QString& file) override;
    bool execute(const QString& program, const QString& argument) override;

private:
    QString m_program;
    bool m_started = true;
    QStringList m_lookups;
    QList<bool> m_existed;
    QList<Execution> m_executions;
};

// Records each request to end the program. Since EndProgram never returns, it then throws
// platform::ProgramEnded, which unwinds the code under test up to the nearest Guarded (which
// swallows it) or to the test, which can catch it.
class ExitRecorder final {
public:
    ExitRecorder();
    ~ExitRecorder();
    ExitRecorder(const ExitRecorder&) = delete;
    ExitRecorder& operator=(const ExitRecorder&) = delete;
    const QList<int>& codes() const { return m_codes; }
    int count() const { return int(m_codes.size()); }

private:
    std::function<void(int)> m_previous;
    QList<int> m_codes;
};

// Sets an environment variable (a null value unsets it) for its lifetime.
class EnvironmentVariable {
public:
    EnvironmentVariable(const char* name, const QByteArray& value);
    ~EnvironmentVariable();
    EnvironmentVariable(const EnvironmentVariable&) = delete;
    EnvironmentVariable& operator=(const EnvironmentVariable&) = delete;

private:
    const char* m_name;
    bool m_had;
    QByteArray m_previous;
};

// A fresh settings folder (XDG_CONFIG_HOME), removed afterwards.
class TempSettings final {
public:
    bool isValid() const { return m_dir.isValid(); }
    QString configHome() const { return m_dir.path(); }
    // The settings file of the application name.
    QString iniFile(const QString& appName = QStringLiteral("quillon")) const;

private:
    QTemporaryDir m_dir;
    EnvironmentVariable m_variable{"XDG_CONFIG_HOME", QFile::encodeName(m_dir.path())};
};

// The number of the platform::Error the call raised, 0 when it raised none.
int errorNumber(const std::function<void()>& call);

} // namespace testsupport
