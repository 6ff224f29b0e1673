// Quillon tests: a message box that records each box and answers it without showing anything.
#include "RecordingMessageBox.h"

#include <QStringList>

namespace testsupport {

RecordingMessageBox::RecordingMessageBox() : m_previous(platform::setMessageBoxProvider(this)) {}

RecordingMessageBox::~RecordingMessageBox()
{
    platform::setMessageBoxProvider(m_previous);
}

QStringList RecordingMessageBox::texts() const
{
    QStringList texts;
    for (const platform::MessageBoxRequest& request : m_requests)
        texts.append(request.text);
    return texts;
}

platform::MsgResult RecordingMessageBox::show(const platform::MessageBoxRequest& request)
{
    m_requests.append(request);
    if (m_answers.empty())
        return platform::MsgResult::OK;
    const platform::MsgResult answer = m_answers.front();
    m_answers.pop_front();
    return answer;
}

} // namespace testsupport
