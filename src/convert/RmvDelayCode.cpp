// Quillon: plays RmvDelayCode.wcm from the application's folder on the current document.
#include "RmvDelayCode.h"

#include "AppIdentity.h"
#include "automation/AutomationObject.h"
#include "clsRunMacro.h"
#include "core/General.h"
#include "core/PathJoin.h"

bool RmvDelayCode::RemoveDelayCode()
{
    try {
        if (platform::PrepareForMacro(RequireObject(gWordPerfect)))
            platform::PlayMacroAndWait(
                *gWordPerfect, JoinPath(platform::appPath(), QStringLiteral("RmvDelayCode.wcm")),
                YieldWhilePlaying());
        return true;
    } catch (const std::exception&) {
        return false;
    }
}
