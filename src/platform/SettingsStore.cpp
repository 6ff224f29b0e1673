// Quillon: the per-user settings store.
#include "SettingsStore.h"

#include <QSettings>
#include <QStandardPaths>

namespace platform {
namespace {

// The file is named explicitly rather than through QSettings' organization/application
// constructor: QSettings looks the configuration folder up only once per process, while this
// reads XDG_CONFIG_HOME on every access, so a changed folder (as in tests) takes effect.
QString settingsFile(const QString& appName)
{
    const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return base + QLatin1Char('/') + appName + QLatin1Char('/') + appName + QStringLiteral(".ini");
}

QString settingsKey(const QString& section, const QString& key)
{
    return section + QLatin1Char('/') + key;
}

} // namespace

QString GetSetting(const QString& appName, const QString& section, const QString& key,
                   const QString& defaultValue)
{
    const QSettings settings(settingsFile(appName), QSettings::IniFormat);
    const QVariant value = settings.value(settingsKey(section, key));
    if (!value.isValid())
        return defaultValue;
    // A value edited by hand with unquoted commas reads back as a list; join it again.
    if (value.metaType().id() == QMetaType::QStringList)
        return value.toStringList().join(QLatin1Char(','));
    return value.toString();
}

void SaveSetting(const QString& appName, const QString& section, const QString& key,
                 const QString& value)
{
    QSettings settings(settingsFile(appName), QSettings::IniFormat);
    settings.setValue(settingsKey(section, key), value);
    settings.sync();
}

} // namespace platform
