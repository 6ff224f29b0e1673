// Quillon tests: the number of the error an operation raises.
#include "RaisedError.h"

#include "Error.h"

namespace testsupport {

int errorNumber(const std::function<void()>& call)
{
    try {
        call();
    } catch (const platform::Error& e) {
        return e.number();
    }
    return 0;
}

} // namespace testsupport
