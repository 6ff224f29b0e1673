// Quillon engine: plays macros on a document.
#pragma once

#include "MacroProgram.h"
#include "MacroTarget.h"

namespace engine::macro {

// What keeps a macro from running forever or swamping memory. A step is one statement played
// or one If/While/Until/For test; a long replacement is one step. The text bound is checked
// before anything grows, so a stopped macro leaves a document within it.
struct MacroLimits {
    qint64 maxSteps = 100'000;
    qsizetype maxTextLength = 32 * 1024 * 1024; // characters: 64 MiB of text
};

// Plays a parsed macro on the target, synchronously. Throws MacroError naming the line of the
// statement that failed: a search with no search text, a bound reached. What the macro did up
// to that point stays done. Exceptions from the target pass through unchanged.
void run(const MacroProgram& program, MacroTarget& target, const MacroLimits& limits = {});

// Plays macros and knows whether one is playing, which is what the automation query
// "envMacroPlaying" answers. Playing is synchronous: play() returns when the macro has ended,
// so isPlaying() is true only while play() runs (for instance when the target, called from
// the macro, asks), and false again however play() ends. The engine handles one request at a
// time, so by the time "envMacroPlaying" can be asked the macro has finished and the answer is
// False: the caller's wait ends at once.
class MacroPlayer {
public:
    explicit MacroPlayer(MacroLimits limits = {}) : m_limits(limits) {}

    const MacroLimits& limits() const { return m_limits; }
    bool isPlaying() const { return m_playing; }

    // Parses and plays. Throws MacroError for a fault in the macro, and also when called
    // while a macro is already playing.
    void play(const QString& source, MacroTarget& target);
    void play(const MacroProgram& program, MacroTarget& target);

private:
    MacroLimits m_limits;
    bool m_playing = false;
};

} // namespace engine::macro
