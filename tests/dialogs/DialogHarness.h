// Quillon tests: the program started against a scripted word processor and scripted dialogs.
#pragma once

#include "ExitRecorder.h"
#include "RecordingMessageBox.h"
#include "ScriptedFileDialog.h"
#include "ScriptedFolderBrowser.h"
#include "TempSettings.h"
#include "automation/ScriptedAutomationServer.h"

#include <QElapsedTimer>
#include <QStringList>
#include <QTemporaryDir>
#include <QTimer>
#include <functional>
#include <memory>

class Form3;

namespace dialogs {

// Installs, for its lifetime, a scripted "WordPerfect.PerfectScript", private settings and
// temporary folders, and recording doubles for message boxes, file dialogs, folder browsers
// and the end of the program. The destructor forgets the coordinator and unloads every window.
class Harness final {
public:
    Harness();
    ~Harness();
    Harness(const Harness&) = delete;
    Harness& operator=(const Harness&) = delete;

    // Start-up without the Quick Start dialog: the coordinator connects and the main window
    // is shown.
    void start();
    // The whole start routine; whileQuickStart runs once the Quick Start dialog is shown
    // modally and must hide it. Returns whether it ran.
    bool runMain(const std::function<void(Form3*)>& whileQuickStart);

    // A folder in the private temporary folder holding empty files of these names.
    QString makeFolder(const QString& name, const QStringList& files = {});
    // The scratch folder in use as the system's temporary folder.
    QString tempPath() const { return m_temp.path(); }

    // Rows of the main window's document list: "path|status", top to bottom.
    static QStringList documentRows();

    std::shared_ptr<platform::ScriptedAutomationServer> server;
    testsupport::TempSettings settings;
    testsupport::RecordingMessageBox boxes;
    testsupport::ScriptedFileDialog files;
    testsupport::ScriptedFolderBrowser folders;
    testsupport::ExitRecorder exits;

private:
    QTemporaryDir m_temp;
    QByteArray m_previousTmpDir;
    bool m_hadTmpDir;
};

// Runs action on the window of class W as soon as it is shown, from the event loop (so it runs
// inside the modal loop that shows it). The action must hide or close a modal window. Gives up
// after timeoutMs; the returned flag tells whether the action ran.
template <class W>
std::shared_ptr<bool> whenShown(std::function<void(W*)> action, int timeoutMs = 5000)
{
    auto ran = std::make_shared<bool>(false);
    auto* timer = new QTimer;
    auto clock = std::make_shared<QElapsedTimer>();
    clock->start();
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, clock, ran, action, timeoutMs] {
        if (W::IsLoaded() && W::instance()->isVisible()) {
            timer->stop();
            timer->deleteLater();
            *ran = true;
            action(W::instance());
        } else if (clock->elapsed() > timeoutMs) {
            timer->stop();
            timer->deleteLater();
        }
    });
    timer->start();
    return ran;
}

} // namespace dialogs
