// Quillon: the program's identity, shared by every window and the settings store.
#include "AppIdentity.h"

#include <QCoreApplication>

namespace platform {

QString appTitle()
{
    return QStringLiteral("DuraRudizav Ezedoviro - ZUR EDEV");
}

// Fixed rather than taken from argv[0]: test programs and the application must share one
// settings file, and the program is installed under this name.
QString appName()
{
    return QStringLiteral("quillon");
}

QString desktopId()
{
    return QStringLiteral("org.example.quillon");
}

int versionMajor()
{
    return QUILLON_VERSION_MAJOR;
}

int versionMinor()
{
    return QUILLON_VERSION_MINOR;
}

// Version 2.0.0.4 is major.minor.build.revision: the revision is the fourth number and the
// build number (the third) is not shown.
int versionRevision()
{
    return QUILLON_VERSION_TWEAK;
}

QString versionText()
{
    return QStringLiteral("%1.%2.%3")
        .arg(versionMajor())
        .arg(versionMinor())
        .arg(versionRevision());
}

QString appPath()
{
    return QCoreApplication::applicationDirPath();
}

} // namespace platform
