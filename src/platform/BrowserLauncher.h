// Quillon: finding and starting the user's web browser.
#pragma once

#include <QString>

namespace platform {

// Finds the program associated with a file and starts programs, like the desktop shell does.
// The default finds the desktop's default handler for the file's type (xdg-mime) and starts
// programs detached; tests install one that answers from a script.
class ShellProvider {
public:
    virtual ~ShellProvider() = default;
    // The program associated with the file's type, or "" when none is.
    virtual QString findExecutable(const QString& file) = 0;
    // Starts program with the argument, not waiting for it; false when it could not start.
    virtual bool execute(const QString& program, const QString& argument) = 0;
};

ShellProvider* setShellProvider(ShellProvider* provider);
ShellProvider& shell();

} // namespace platform
