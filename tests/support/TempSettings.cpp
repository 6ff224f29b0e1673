// Quillon tests: a private settings folder for the life of a test.
#include "TempSettings.h"

namespace testsupport {

namespace {
const char kVariable[] = "XDG_CONFIG_HOME";
}

TempSettings::TempSettings()
    : m_hadPrevious(qEnvironmentVariableIsSet(kVariable)), m_previous(qgetenv(kVariable))
{
    qputenv(kVariable, m_dir.path().toLocal8Bit());
}

TempSettings::~TempSettings()
{
    if (m_hadPrevious)
        qputenv(kVariable, m_previous);
    else
        qunsetenv(kVariable);
}

QString TempSettings::iniFile(const QString& appName) const
{
    return m_dir.path() + QLatin1Char('/') + appName + QLatin1Char('/') + appName +
           QStringLiteral(".ini");
}

} // namespace testsupport
