// Quillon tests: a file dialog that answers from a script.
#include "ScriptedFileDialog.h"

namespace testsupport {

ScriptedFileDialog::ScriptedFileDialog() : m_previous(platform::setFileDialogProvider(this)) {}

ScriptedFileDialog::~ScriptedFileDialog()
{
    platform::setFileDialogProvider(m_previous);
}

void ScriptedFileDialog::queueFile(const QString& path)
{
    m_answers.push_back(Answer{false, path});
}

void ScriptedFileDialog::queueCancel()
{
    m_answers.push_back(Answer{true, QString()});
}

bool ScriptedFileDialog::show(const platform::FileDialogRequest& request, QWidget*, QString& chosen)
{
    m_requests.append(request);
    if (m_observer)
        m_observer(request);
    if (m_answers.empty())
        return false;
    const Answer answer = m_answers.front();
    m_answers.pop_front();
    if (answer.cancel)
        return false;
    chosen = answer.path;
    return true;
}

} // namespace testsupport
