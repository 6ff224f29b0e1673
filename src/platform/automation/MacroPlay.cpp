// Quillon: playing a macro on the word processor's current document and waiting for its end.
#include "MacroPlay.h"

#include "AutomationObject.h"
#include "EngineContract.h"
#include "Error.h"

namespace platform {

bool PrepareForMacro(AutomationObject& wordProcessor)
{
    const QVariant blank = wordProcessor.Call(wire::op::envDocBlank);
    if (blank.isNull() || isTrue(blank))
        return false;
    wordProcessor.Call(wire::op::PosDocVeryTop);
    return true;
}

void PlayMacroAndWait(AutomationObject& wordProcessor, const QString& macro, const MacroWait& wait)
{
    wordProcessor.Call(wire::op::MacroFilePlay, {macro});
    QVariant playing = wordProcessor.Call(wire::op::envMacroPlaying);
    if (wait.settle)
        wait.settle();
    while (isTrue(playing)) {
        if (!wait.between)
            throw Error(err::AutomationError,
                        QStringLiteral("The word processor still reports the macro \"%1\" "
                                       "playing after it answered MacroFilePlay")
                            .arg(macro),
                        wire::kProgId);
        wait.between();
        playing = wordProcessor.Call(wire::op::envMacroPlaying);
    }
}

} // namespace platform
