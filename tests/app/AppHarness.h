// Quillon tests: the application started with a scripted word processor and scripted dialogs.
#pragma once

#include "ExitRecorder.h"
#include "RecordingMessageBox.h"
#include "ScriptedFileDialog.h"
#include "ScriptedFolderBrowser.h"
#include "TempSettings.h"
#include "automation/ScriptedAutomationServer.h"

#include <QStringList>
#include <QTemporaryDir>
#include <QWidget>
#include <functional>
#include <memory>

namespace apptest {

inline const QString kProgId = QStringLiteral("WordPerfect.PerfectScript");

// Registers a scripted server, runs Main (dismissing the Quick Start dialog as soon as it is
// modal) and, when destroyed, forgets every window and the server. Message boxes, file
// dialogs, folder browsers, the settings store and the end of the program are all scripted.
// Main is given document, as the command line gives it; beforeStart may script the dialogs
// that start-up will show.
class RunningApp final {
public:
    explicit RunningApp(const QString& document = QString(),
                        const std::function<void(RunningApp&)>& beforeStart = {});
    ~RunningApp();
    RunningApp(const RunningApp&) = delete;
    RunningApp& operator=(const RunningApp&) = delete;

    platform::ScriptedAutomationServer& server() { return *m_server; }
    // The recorded calls since start-up, as "Op" or "Op(arg, ...)" lines.
    QStringList calls() const { return m_server->callLog(); }

    testsupport::TempSettings settings;
    testsupport::RecordingMessageBox boxes;
    testsupport::ScriptedFileDialog files;
    testsupport::ScriptedFolderBrowser folders;
    testsupport::ExitRecorder exits;
    // What the modal widget was, and whether the main window was visible, when the Quick Start
    // dialog's modal wait began.
    QString quickStartModal;
    bool mainVisibleBehindQuickStart = false;

private:
    std::shared_ptr<platform::ScriptedAutomationServer> m_server;
};

// Once a modal widget with this object name is active, calls act with it (once). Waits through
// any yields that come before the modal wait begins.
void whenModal(const QString& objectName, std::function<void(QWidget*)> act);

// Creates empty files with these names in the folder; returns the folder's path.
QString makeFiles(const QTemporaryDir& dir, const QStringList& names);

// The status texts of the document list from top to bottom, as "path=status" lines.
QStringList documentRows();

// Runs a batch through the batch dialog: source and target chosen with Select..., then Start.
// An empty target cancels the target browser.
void runBatch(RunningApp& app, const QString& source, const QString& target);

} // namespace apptest
