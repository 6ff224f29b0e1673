// Quillon engine: a parsed macro.
#pragma once

#include "MacroError.h"

#include <QString>
#include <vector>

namespace engine::macro {

// The commands a macro can give; MACROS.md describes each.
enum class MacroCommand {
    Type,
    HardReturn,
    PosDocTop,
    PosDocBottom,
    PosCharNext,
    PosCharPrevious,
    DeleteCharNext,
    DeleteCharPrevious,
    SelectDelete,
    SelectOff,
    SearchString,
    ReplaceString,
    MatchCase,
    SearchNext,
    SearchPrevious,
    ReplaceForward,
    ReplaceAll,
    Quit,
};

// The test of an If, While or Until: a constant, or the outcome of a search (which, like the
// command of the same name, selects what it finds).
struct MacroCondition {
    enum class Kind { Constant, SearchNext, SearchPrevious };
    Kind kind = Kind::Constant;
    bool value = false; // the constant's value
    bool negated = false;
};

struct MacroStatement {
    enum class Kind {
        Command, // command, with text (Type, SearchString, ReplaceString) or flag (MatchCase)
        If,      // condition, body, elseBody
        While,   // condition, body
        Repeat,  // body, then condition (Until): ends once the condition holds
        For,     // count, body
    };
    Kind kind = Kind::Command;
    int line = 0;
    MacroCommand command = MacroCommand::Quit;
    QString text;
    bool flag = false;
    qint64 count = 0;
    MacroCondition condition;
    std::vector<MacroStatement> body;
    std::vector<MacroStatement> elseBody;
};

struct MacroProgram {
    std::vector<MacroStatement> statements;
};

// Reads a macro's source. Throws MacroError naming the line (and, for a syntax error, the
// column) of the first fault. Nothing is played.
MacroProgram parse(const QString& source);

} // namespace engine::macro
