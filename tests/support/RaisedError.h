// Quillon tests: the number of the error an operation raises.
#pragma once

#include <functional>

namespace testsupport {

// Runs the call and returns the number of the platform::Error it raised, 0 when it raised none.
int errorNumber(const std::function<void()>& call);

} // namespace testsupport
