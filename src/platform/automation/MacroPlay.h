// Quillon: playing a macro on the word processor's current document and waiting for its end.
#pragma once

#include <QString>

#include <functional>

namespace platform {

class AutomationObject;

// Readies the current document for a macro: False when it is blank (or the word processor gives
// no answer to the question), and nothing is done; else moves to its very top.
bool PrepareForMacro(AutomationObject& wordProcessor);

// What the caller does while the word processor reports a macro playing.
struct MacroWait {
    // Runs once, after the first answer.
    std::function<void()> settle;
    // Runs before each further question. Without it the caller relies on the word processor
    // having finished the macro when it answered MacroFilePlay (as the document engine does, its
    // answer being the wait): one still playing then raises an error instead of being asked again
    // and again.
    std::function<void()> between;
};

// Plays the macro file on the current document and waits until the word processor no longer
// reports a macro playing: MacroFilePlay, envMacroPlaying, settle, then while the answer is
// True, between and envMacroPlaying again. Errors of the word processor pass to the caller.
void PlayMacroAndWait(AutomationObject& wordProcessor, const QString& macro, const MacroWait& wait);

} // namespace platform
