// Quillon: ending the program at once.
#pragma once

#include <functional>

namespace platform {

// Thrown by a test's exit handler to unwind out of the code that ended the program.
struct ProgramEnded {
    int code = 0;
};

// Ends the program immediately: no confirmation, nothing saved, no window closed one by one.
// The default handler leaves every event loop and exits the process. Tests install a handler
// that records the request (and may throw ProgramEnded to unwind).
[[noreturn]] void EndProgram(int code = 0);
// Installs a handler; an empty function restores the default. Returns the previous handler.
// A handler that returns makes EndProgram throw ProgramEnded.
std::function<void(int)> setEndProgramHandler(std::function<void(int)> handler);

} // namespace platform
