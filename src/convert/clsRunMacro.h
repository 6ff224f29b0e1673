// Quillon: plays the user's macro on the current document.
#pragma once

// RunMacro: unless the current document is blank, moves to its top, plays the stored macro
// (settings "Options"/"macro") if its file exists, and waits, yielding, until the word
// processor no longer reports a macro playing. Never raises: a failure ends it silently.
class clsRunMacro final {
public:
    void RunMacro();
};
