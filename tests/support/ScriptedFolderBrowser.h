// Quillon tests: a folder browser that answers from a script.
#pragma once

#include "FolderBrowser.h"

#include <QStringList>
#include <deque>

namespace testsupport {

// Installed for its lifetime. Each browse takes the oldest queued folder ("" is a cancel);
// with the queue empty it is cancelled.
class ScriptedFolderBrowser final : public platform::FolderBrowserProvider {
public:
    ScriptedFolderBrowser();
    ~ScriptedFolderBrowser() override;
    ScriptedFolderBrowser(const ScriptedFolderBrowser&) = delete;
    ScriptedFolderBrowser& operator=(const ScriptedFolderBrowser&) = delete;

    void queueFolder(const QString& folder) { m_answers.push_back(folder); }
    void queueCancel() { m_answers.push_back(QString()); }
    const QStringList& titles() const { return m_titles; }

    QString browse(const QString& title) override;

private:
    platform::FolderBrowserProvider* m_previous;
    QStringList m_titles;
    std::deque<QString> m_answers;
};

} // namespace testsupport
