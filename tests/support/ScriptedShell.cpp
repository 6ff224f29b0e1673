// Quillon tests: a desktop shell that answers from a script.
#include "ScriptedShell.h"

#include <QFileInfo>

namespace testsupport {

ScriptedShell::ScriptedShell() : m_previous(platform::setShellProvider(this)) {}

ScriptedShell::~ScriptedShell()
{
    platform::setShellProvider(m_previous);
}

QString ScriptedShell::findExecutable(const QString& file)
{
    m_lookups.append(file);
    m_existed.append(QFileInfo::exists(file));
    return m_program;
}

bool ScriptedShell::execute(const QString& program, const QString& argument)
{
    m_executions.append(Execution{program, argument});
    return m_started;
}

} // namespace testsupport
