// quillon-convert: the command line.
#pragma once

#include "Settings.h"

#include <QByteArray>
#include <QList>
#include <QString>

namespace cli {

// Exit codes, documented in the help text.
namespace exitcode {
inline constexpr int Done = 0;
inline constexpr int SomeFailed = 1;
inline constexpr int Usage = 2;
inline constexpr int NoSourceOrTarget = 3;
inline constexpr int NoEngine = 4;
inline constexpr int Interrupted = 130;
} // namespace exitcode

struct CommandLine {
    enum class Action { Run, Help, Version, Error };
    Action action = Action::Run;
    Settings settings;
    QString error; // for Action::Error

    // Reads the arguments (without the program name), GNU style: options and operands in any
    // order, "--name value" or "--name=value", "--" ends the options.
    static CommandLine parse(const QList<QByteArray>& arguments, int processors);
    static QByteArray helpText();
    static QByteArray versionText();
};

} // namespace cli
