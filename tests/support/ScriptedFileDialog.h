// Quillon tests: a file dialog that answers from a script.
#pragma once

#include "CommonDialog.h"

#include <QList>
#include <deque>
#include <functional>

namespace testsupport {

// Installed for its lifetime. Each dialog takes the oldest queued answer: a path (the user
// picked it) or a cancel. With the queue empty a dialog is cancelled.
class ScriptedFileDialog final : public platform::FileDialogProvider {
public:
    ScriptedFileDialog();
    ~ScriptedFileDialog() override;
    ScriptedFileDialog(const ScriptedFileDialog&) = delete;
    ScriptedFileDialog& operator=(const ScriptedFileDialog&) = delete;

    void queueFile(const QString& path);
    void queueCancel();
    // Called with each request before it is answered (e.g. to look at the windows).
    void setObserver(std::function<void(const platform::FileDialogRequest&)> observer)
    {
        m_observer = std::move(observer);
    }

    const QList<platform::FileDialogRequest>& requests() const { return m_requests; }
    int count() const { return static_cast<int>(m_requests.size()); }
    int pending() const { return static_cast<int>(m_answers.size()); }

    bool show(const platform::FileDialogRequest& request, QWidget* owner, QString& chosen) override;

private:
    struct Answer {
        bool cancel = true;
        QString path;
    };
    platform::FileDialogProvider* m_previous;
    QList<platform::FileDialogRequest> m_requests;
    std::deque<Answer> m_answers;
    std::function<void(const platform::FileDialogRequest&)> m_observer;
};

} // namespace testsupport
