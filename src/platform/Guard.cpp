// Quillon: the boundary between event handlers and the event loop.
#include "Guard.h"

#include "AppIdentity.h"
#include "Error.h"
#include "MessageBox.h"
#include "ProgramExit.h"

#include <cstdio>

namespace platform {
namespace {

// Error number shown for a failure that is not one of ours (a library threw).
constexpr int kForeignErrorNumber = err::AutomationError;

void report(int number, const QString& description) noexcept
{
    try {
        MsgBox(QStringLiteral("Run-time error '%1':\n\n%2").arg(number).arg(description),
               MsgButtons::OK, MsgIcon::Critical, appTitle());
    } catch (const ProgramEnded&) {
        // The program was ended from inside the message box: nothing more to do.
    } catch (...) {
        std::fprintf(stderr, "Run-time error '%d': %s\n", number,
                     description.toLocal8Bit().constData());
    }
}

} // namespace

void Guarded(const std::function<void()>& work) noexcept
{
    try {
        if (work)
            work();
    } catch (const ProgramEnded&) {
    } catch (const Error& e) {
        report(e.number(), e.description());
    } catch (const std::exception& e) {
        report(kForeignErrorNumber, QString::fromLocal8Bit(e.what()));
    } catch (...) {
        report(kForeignErrorNumber, QStringLiteral("Unknown error"));
    }
}

} // namespace platform
