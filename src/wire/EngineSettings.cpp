// Quillon: where the engine keeps the user's settings.
#include "EngineSettings.h"

#include <QDir>
#include <QStandardPaths>

namespace wire {

QString htmlSettingsPath()
{
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation))
        .filePath(QStringLiteral("quillon-engine/html.ini"));
}

} // namespace wire
