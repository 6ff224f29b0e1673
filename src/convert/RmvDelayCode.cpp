// Quillon: plays RmvDelayCode.wcm from the application's folder on the current document.
#include "RmvDelayCode.h"

#include "AppIdentity.h"
#include "EngineContract.h"
#include "Yield.h"
#include "automation/AutomationObject.h"
#include "core/General.h"
#include "core/PathJoin.h"

#include <QVariant>

bool RmvDelayCode::RemoveDelayCode()
{
    try {
        RequireObject(gWordPerfect);
        const QVariant blank = gWordPerfect->Call(wire::op::envDocBlank);
        if (blank.isNull() || platform::isTrue(blank))
            return true;
        gWordPerfect->Call(wire::op::PosDocVeryTop);
        gWordPerfect->Call(wire::op::MacroFilePlay,
                           {JoinPath(platform::appPath(), QStringLiteral("RmvDelayCode.wcm"))});
        QVariant playing = gWordPerfect->Call(wire::op::envMacroPlaying);
        platform::DoEvents(8);
        while (platform::isTrue(playing)) {
            platform::DoEvents(1);
            playing = gWordPerfect->Call(wire::op::envMacroPlaying);
        }
        return true;
    } catch (const std::exception&) {
        return false;
    }
}
