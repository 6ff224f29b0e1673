// Quillon tests: a message box that records each box and answers it without showing anything.
#pragma once

#include "MessageBox.h"

#include <QList>
#include <deque>

namespace testsupport {

// Installed for its lifetime; the previous provider comes back when it is destroyed.
// Answers come from a queue, oldest first; with the queue empty a box is answered OK.
class RecordingMessageBox final : public platform::MessageBoxProvider {
public:
    RecordingMessageBox();
    ~RecordingMessageBox() override;
    RecordingMessageBox(const RecordingMessageBox&) = delete;
    RecordingMessageBox& operator=(const RecordingMessageBox&) = delete;

    void queueAnswer(platform::MsgResult answer) { m_answers.push_back(answer); }
    const QList<platform::MessageBoxRequest>& requests() const { return m_requests; }
    // The texts of the boxes shown, in order.
    QStringList texts() const;
    int count() const { return static_cast<int>(m_requests.size()); }
    void clear() { m_requests.clear(); }

    platform::MsgResult show(const platform::MessageBoxRequest& request) override;

private:
    platform::MessageBoxProvider* m_previous;
    QList<platform::MessageBoxRequest> m_requests;
    std::deque<platform::MsgResult> m_answers;
};

} // namespace testsupport
