// quillon-convert: Ctrl-C and SIGTERM.
#include "Interrupt.h"

#include <atomic>
#include <csignal>

namespace cli::interrupt {
namespace {

std::atomic<int> g_count{0};
static_assert(std::atomic<int>::is_always_lock_free, "set from a signal handler");

void onSignal(int)
{
    g_count.fetch_add(1);
}

} // namespace

void install()
{
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
}

int count()
{
    return g_count.load();
}

} // namespace cli::interrupt
