// Quillon engine: telling a document that needs more memory than the engine may have from a
// damaged one.
#include "Memory.h"

#include <atomic>
#include <sys/resource.h>
#include <unistd.h>

namespace engine::memory {
namespace {

std::atomic<std::size_t> g_plausible{0}; // the largest allocation whose failure is a shortage
std::atomic<bool> g_ranOut{false};

// The address-space limit in bytes; 0 for none.
std::size_t limit()
{
    rlimit l{};
    return ::getrlimit(RLIMIT_AS, &l) == 0 && l.rlim_cur != RLIM_INFINITY
               ? static_cast<std::size_t>(l.rlim_cur)
               : 0;
}

} // namespace

void allocationFailed(std::size_t bytes) noexcept
{
    if (bytes <= g_plausible.load(std::memory_order_relaxed))
        g_ranOut.store(true, std::memory_order_relaxed);
}

void reset() noexcept
{
    // The limit is set before the program starts; asked once, not before every operation.
    static const std::size_t bound = [] {
        const std::size_t limited = limit();
        return limited != 0 ? limited
                            : static_cast<std::size_t>(::sysconf(_SC_PHYS_PAGES)) *
                                  static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    }();
    g_plausible.store(bound / 2, std::memory_order_relaxed);
    g_ranOut.store(false, std::memory_order_relaxed);
}

bool ranOut() noexcept
{
    return g_ranOut.load(std::memory_order_relaxed);
}

QString shortage()
{
    const std::size_t bytes = limit();
    return bytes == 0 ? QStringLiteral("not enough memory")
                      : QStringLiteral("not enough memory (limit %1 MB)").arg(bytes >> 20);
}

} // namespace engine::memory
