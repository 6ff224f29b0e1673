// Quillon tests: the application started with a scripted word processor and scripted dialogs.
#pragma once

#include "Doubles.h"
#include "EngineContract.h"
#include "automation/ScriptedAutomationServer.h"

#include <QElapsedTimer>
#include <QStringList>
#include <QTemporaryDir>
#include <QTimer>
#include <functional>
#include <memory>

class Form3;

namespace apptest {

// Registers the word processor (a scripted one unless another is given) and runs Main with
// document, as the command line gives it. Message boxes, file dialogs, folder browsers, the
// settings store, the temporary folder and the end of the program are private and scripted.
// Once the Quick Start dialog is modal, onQuickStart runs (by default it hides the dialog);
// beforeStart may set it and script the dialogs start-up shows. When destroyed, every window
// and the server are forgotten.
class RunningApp final {
public:
    explicit RunningApp(const QString& document = QString(),
                        const std::function<void(RunningApp&)>& beforeStart = {},
                        std::shared_ptr<platform::AutomationObject> server = {});
    ~RunningApp();
    RunningApp(const RunningApp&) = delete;
    RunningApp& operator=(const RunningApp&) = delete;

    platform::ScriptedAutomationServer& server() { return *m_scripted; }
    // The recorded calls since start-up, as "Op" or "Op(arg, ...)" lines.
    QStringList calls() const { return m_scripted->callLog(); }
    // A path below the private temporary folder.
    QString temp(const QString& name = QString()) const;

    testsupport::TempSettings settings;
    testsupport::RecordingMessageBox boxes;
    testsupport::ScriptedFileDialog files;
    testsupport::ScriptedFolderBrowser folders;
    testsupport::ExitRecorder exits;
    std::function<void(Form3*)> onQuickStart;
    // What the modal widget was, and whether the main window was visible, when the Quick Start
    // dialog's modal wait began.
    QString quickStartModal;
    bool mainVisibleBehindQuickStart = false;

private:
    QTemporaryDir m_temp;
    // The Quick Start link writes its scratch file into the temporary folder: keep it private.
    testsupport::EnvironmentVariable m_tmpDir{"TMPDIR", QFile::encodeName(m_temp.path())};
    std::shared_ptr<platform::ScriptedAutomationServer> m_scripted;
};

// Runs action on the window of class W as soon as it is shown, from the event loop (so it runs
// inside the modal loop that shows it); the action must hide or close a modal window. Gives up
// after timeoutMs; the returned flag tells whether the action ran.
template <class W>
std::shared_ptr<bool> whenShown(std::function<void(W*)> action, int timeoutMs = 5000)
{
    auto ran = std::make_shared<bool>(false);
    auto* timer = new QTimer;
    auto clock = std::make_shared<QElapsedTimer>();
    clock->start();
    timer->setInterval(1);
    QObject::connect(timer, &QTimer::timeout, [timer, clock, ran, action, timeoutMs] {
        const bool shown = W::IsLoaded() && W::instance()->isVisible();
        if (!shown && clock->elapsed() < timeoutMs)
            return;
        timer->stop();
        timer->deleteLater();
        if (shown) {
            *ran = true;
            action(W::instance());
        }
    });
    timer->start();
    return ran;
}

// Makes the folder (and its parents) holding empty files of these names; returns its path.
QString makeFolder(const QString& path, const QStringList& names = {});

// The status texts of the document list from top to bottom, as "path=status" lines.
QStringList documentRows();

// Runs a batch through the batch dialog: source and target chosen with Select..., then Start.
// An empty target cancels the target browser.
void runBatch(RunningApp& app, const QString& source, const QString& target);

} // namespace apptest
