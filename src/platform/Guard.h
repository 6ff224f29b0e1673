// Quillon: the boundary between event handlers and the event loop.
#pragma once

#include <functional>

namespace platform {

// Runs an event handler's work. An error that nothing in the work caught must never reach the
// event loop: it is shown in a message box ("Run-time error 'N':" and its description, critical
// icon, application title) and the program goes on. ProgramEnded passes silently.
void Guarded(const std::function<void()>& work) noexcept;

} // namespace platform
