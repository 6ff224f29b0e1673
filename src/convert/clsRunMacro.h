// Quillon: plays the user's macro on the current document.
#pragma once

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
