// Quillon: the program's identity, shared by every window and the settings store.
#pragma once

#include <QString>

namespace platform {

// Title shown by the main window, the About box and every message box without a title.
QString appTitle();
// The executable's file name without extension: the settings store's application name, and the
// application name Qt gives the windows as their class (X11's WM_CLASS).
QString appName();
// The installed desktop entry's name without ".desktop", which the windows name to the desktop.
QString desktopId();
// Program version 2.0.0.4 (major.minor.build.revision) as major 2, minor 0, revision 4; the
// build number is not shown.
int versionMajor();
int versionMinor();
int versionRevision();
// The version as the About box shows it: major.minor.revision.
QString versionText();
// The folder of the running executable.
QString appPath();

} // namespace platform
