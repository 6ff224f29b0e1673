// Quillon: plays the user's macro on the current document.
#include "clsRunMacro.h"

#include "AppIdentity.h"
#include "Error.h"
#include "SettingsStore.h"
#include "Yield.h"
#include "automation/AutomationObject.h"
#include "clsFileSystem.h"
#include "core/General.h"

platform::MacroWait YieldWhilePlaying()
{
    return {[] { platform::DoEvents(8); }, [] { platform::DoEvents(1); }};
}

QString clsRunMacro::RunMacro()
{
    try {
        if (!platform::PrepareForMacro(RequireObject(gWordPerfect)))
            return QString();
        const QString macro = platform::GetSetting(platform::appName(), QStringLiteral("Options"),
                                                   QStringLiteral("macro"), QString());
        if (clsFileSystem().FileExist(macro))
            platform::PlayMacroAndWait(*gWordPerfect, macro, YieldWhilePlaying());
    } catch (const platform::Error& error) {
        // The conversion goes on without the rest of the macro.
        return error.description();
    } catch (const std::exception& error) {
        return QString::fromLocal8Bit(error.what());
    }
    return QString();
}
