// Quillon: ending the program at once.
#include "ProgramExit.h"

#include <QCoreApplication>

#include <cstdio>
#include <unistd.h>

namespace platform {
namespace {

// Nothing is saved and no window is asked to close: leave the event loops and end the process
// here, so that no code after the call runs.
void defaultEnd(int code)
{
    std::fflush(stdout);
    std::fflush(stderr);
    QCoreApplication::exit(code);
    _exit(code);
}

std::function<void(int)>& handlerSlot()
{
    static std::function<void(int)> handler;
    return handler;
}

} // namespace

void EndProgram(int code)
{
    // Copied so a handler may replace itself while running.
    const std::function<void(int)> handler = handlerSlot();
    if (!handler)
        defaultEnd(code);
    handler(code);
    throw ProgramEnded{code};
}

std::function<void(int)> setEndProgramHandler(std::function<void(int)> handler)
{
    std::function<void(int)> previous = std::move(handlerSlot());
    handlerSlot() = std::move(handler);
    return previous;
}

} // namespace platform
