// Quillon: the per-user settings store.
#pragma once

#include <QString>

namespace platform {

// Reads and writes a string by application name, section and key, like the desktop's per-user
// settings store. Kept in an INI file in the user's configuration folder (XDG_CONFIG_HOME),
// one file per application name. Strings round-trip exactly, surrounding spaces included.
QString GetSetting(const QString& appName, const QString& section, const QString& key,
                   const QString& defaultValue = QString());
void SaveSetting(const QString& appName, const QString& section, const QString& key,
                 const QString& value);

} // namespace platform
