// Quillon tests: a folder browser that answers from a script.
#include "ScriptedFolderBrowser.h"

namespace testsupport {

ScriptedFolderBrowser::ScriptedFolderBrowser()
    : m_previous(platform::setFolderBrowserProvider(this))
{
}

ScriptedFolderBrowser::~ScriptedFolderBrowser()
{
    platform::setFolderBrowserProvider(m_previous);
}

QString ScriptedFolderBrowser::browse(const QString& title)
{
    m_titles.append(title);
    if (m_answers.empty())
        return QString();
    const QString folder = m_answers.front();
    m_answers.pop_front();
    return folder;
}

} // namespace testsupport
