// Quillon: plays RmvDelayCode.wcm from the application's folder on the current document.
#include "RmvDelayCode.h"

#include "AppIdentity.h"
#include "Yield.h"
#include "automation/AutomationObject.h"
#include "core/General.h"
#include "core/PathJoin.h"

#include <QVariant>

bool RmvDelayCode::RemoveDelayCode()
{
    try {
        RequireObject(gWordPerfect);
        const QVariant blank = gWordPerfect->Call(QStringLiteral("envDocBlank"));
        if (blank.isNull() || platform::isTrue(blank))
            return true;
        gWordPerfect->Call(QStringLiteral("PosDocVeryTop"));
        gWordPerfect->Call(QStringLiteral("MacroFilePlay"),
                           {JoinPath(platform::appPath(), QStringLiteral("RmvDelayCode.wcm"))});
        QVariant playing = gWordPerfect->Call(QStringLiteral("envMacroPlaying"));
        platform::DoEvents(8);
        while (platform::isTrue(playing)) {
            platform::DoEvents(1);
            playing = gWordPerfect->Call(QStringLiteral("envMacroPlaying"));
        }
        return true;
    } catch (const std::exception&) {
        return false;
    }
}
