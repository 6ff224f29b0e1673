// Quillon tests: doubles for what the program asks of the platform.
#include "Doubles.h"

#include "Error.h"
#include "ProgramExit.h"

#include <QFileInfo>

namespace testsupport {
namespace {

template <class T> T takeOldest(std::deque<T>& queue, const T& otherwise)
{
    if (queue.empty())
        return otherwise;
    const T oldest = queue.front();
    queue.pop_front();
    return oldest;
}

} // namespace

QStringList RecordingMessageBox::texts() const
{
    QStringList texts;
    for (const platform::MessageBoxRequest& request : m_requests)
        texts << request.text;
    return texts;
}

platform::MsgResult RecordingMessageBox::show(const platform::MessageBoxRequest& request)
{
    m_requests << request;
    return takeOldest(m_answers, platform::MsgResult::OK);
}

bool ScriptedFileDialog::show(const platform::FileDialogRequest& request, QWidget*, QString& chosen)
{
    m_requests << request;
    if (m_observer)
        m_observer(request);
    const QString answer = takeOldest(m_answers, QString());
    if (!answer.isEmpty())
        chosen = answer;
    return !answer.isEmpty();
}

QString ScriptedFolderBrowser::browse(const QString& title)
{
    m_titles << title;
    return takeOldest(m_answers, QString());
}

QString ScriptedShell::findExecutable(const QString& file)
{
    m_lookups << file;
    m_existed << QFileInfo::exists(file);
    return m_program;
}

bool ScriptedShell::execute(const QString& program, const QString& argument)
{
    m_executions << Execution{program, argument};
    return m_started;
}

ExitRecorder::ExitRecorder()
    : m_previous(platform::setEndProgramHandler([this](int code) { m_codes << code; }))
{
}

ExitRecorder::~ExitRecorder()
{
    platform::setEndProgramHandler(std::move(m_previous));
}

EnvironmentVariable::EnvironmentVariable(const char* name, const QByteArray& value)
    : m_name(name), m_had(qEnvironmentVariableIsSet(name)), m_previous(qgetenv(name))
{
    if (value.isNull())
        qunsetenv(name);
    else
        qputenv(name, value);
}

EnvironmentVariable::~EnvironmentVariable()
{
    if (m_had)
        qputenv(m_name, m_previous);
    else
        qunsetenv(m_name);
}

QString TempSettings::iniFile(const QString& appName) const
{
    return m_dir.filePath(appName + QLatin1Char('/') + appName + QStringLiteral(".ini"));
}

int errorNumber(const std::function<void()>& call)
{
    try {
        call();
    } catch (const platform::Error& e) {
        return e.number();
    }
    return 0;
}

} // namespace testsupport
