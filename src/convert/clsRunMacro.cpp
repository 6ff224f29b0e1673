// Quillon: plays the user's macro on the current document.
#include "clsRunMacro.h"

#include "AppIdentity.h"
#include "EngineContract.h"
#include "Error.h"
#include "SettingsStore.h"
#include "Yield.h"
#include "automation/AutomationObject.h"
#include "clsFileSystem.h"
#include "core/General.h"

#include <QVariant>

QString clsRunMacro::RunMacro()
{
    try {
        RequireObject(gWordPerfect);
        const QVariant blank = gWordPerfect->Call(wire::op::envDocBlank);
        if (blank.isNull() || platform::isTrue(blank))
            return QString();
        gWordPerfect->Call(wire::op::PosDocVeryTop);

        const QString macro = platform::GetSetting(platform::appName(), QStringLiteral("Options"),
                                                   QStringLiteral("macro"), QString());
        QVariant playing;
        if (clsFileSystem().FileExist(macro)) {
            gWordPerfect->Call(wire::op::MacroFilePlay, {macro});
            playing = gWordPerfect->Call(wire::op::envMacroPlaying);
            platform::DoEvents(8);
        }
        // No time-out: the user's commands keep running while the macro plays.
        while (platform::isTrue(playing)) {
            platform::DoEvents(1);
            playing = gWordPerfect->Call(wire::op::envMacroPlaying);
        }
    } catch (const platform::Error& error) {
        // The conversion goes on without the rest of the macro.
        return error.description();
    } catch (const std::exception& error) {
        return QString::fromLocal8Bit(error.what());
    }
    return QString();
}
