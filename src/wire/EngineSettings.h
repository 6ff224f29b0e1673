// Quillon: where the engine keeps the user's settings.
#pragma once

#include <QString>

namespace wire {

// The engine's HTML settings file for this user:
// $XDG_CONFIG_HOME/quillon-engine/html.ini (~/.config/quillon-engine/html.ini by default).
QString htmlSettingsPath();

} // namespace wire
