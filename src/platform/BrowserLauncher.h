// Quillon: finding and starting the program the desktop opens a file or folder with.
#pragma once

#include <QString>

namespace platform {

// Finds the program associated with a file or folder and starts it, like the desktop shell
// does. The default asks the desktop (xdg-mime) for the default application of the file's type
// and starts it as its desktop entry says; tests install one that answers from a script.
class ShellProvider {
public:
    virtual ~ShellProvider() = default;
    // The program associated with the file's (or folder's) type, or "" when none is or its
    // program is not there. The default answers with the program's desktop entry file.
    virtual QString findExecutable(const QString& file) = 0;
    // Starts the program findExecutable found with the argument (an address, a file or a
    // folder), not waiting for it; false when it could not start.
    virtual bool execute(const QString& program, const QString& argument) = 0;
};

ShellProvider* setShellProvider(ShellProvider* provider);
ShellProvider& shell();

} // namespace platform
