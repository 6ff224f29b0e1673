// Quillon tests: records requests to end the program instead of ending it.
#include "ExitRecorder.h"

#include "ProgramExit.h"

namespace testsupport {

ExitRecorder::ExitRecorder()
    : m_previous(platform::setEndProgramHandler([this](int code) { m_codes.append(code); }))
{
}

ExitRecorder::~ExitRecorder()
{
    platform::setEndProgramHandler(std::move(m_previous));
}

} // namespace testsupport
