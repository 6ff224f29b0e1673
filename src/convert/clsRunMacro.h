// Quillon: plays the user's macro on the current document.
#pragma once

#include "automation/MacroPlay.h"

#include <QString>

// RunMacro: unless the current document is blank, moves to its top, plays the stored macro
// (settings "Options"/"macro") if its file exists, and waits, yielding, until the word
// processor no longer reports a macro playing. Never raises: a failure ends it, and what the
// word processor said of it (the macro's line that failed) is returned, for the document's row;
// empty when it played through or was not played.
class clsRunMacro final {
public:
    QString RunMacro();
};

// How a macro player waits for the word processor: it yields to the window system eight times
// after the first answer and once before each further question, with no time-out, so the
// windows and the user's commands keep running while the macro plays.
platform::MacroWait YieldWhilePlaying();
