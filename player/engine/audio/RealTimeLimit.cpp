#include "player/engine/audio/RealTimeLimit.h"

#include <QtGlobal>

#include <atomic>
#include <cerrno>

#include <sched.h>
#include <signal.h>

namespace Audio {

namespace RealTimeLimit {

namespace {

// Constant-initialised and lock-free: written by the signal handler.
std::atomic<std::uint64_t> g_overruns{0};
static_assert(std::atomic<std::uint64_t>::is_always_lock_free, "the handler needs a lock-free counter");
// GUI thread only.
bool g_handlerInstalled = false;
bool g_logged = false;
std::uint64_t g_overrunsSeen = 0;

// The kernel sends SIGXCPU to the thread that ran over the soft limit. Only
// async-signal-safe work: two system calls on the current thread and a
// lock-free counter; the log line comes later from a normal thread. The
// reset-on-fork flag (set by RealtimeKit) is kept, as an unprivileged thread
// must.
extern "C" void onRealTimeOverrun(int)
{
    const int savedErrno = errno;
    const int policy = sched_getscheduler(0);
    const int base = policy & ~SCHED_RESET_ON_FORK;
    if (policy >= 0 && (base == SCHED_RR || base == SCHED_FIFO)) {
        const sched_param normal{};
        sched_setscheduler(0, SCHED_OTHER | (policy & SCHED_RESET_ON_FORK), &normal);
    }
    g_overruns.fetch_add(1, std::memory_order_relaxed);
    errno = savedErrno;
}

void lowerSoftLimit()
{
    rlimit limit{};
    if (getrlimit(RLIMIT_RTTIME, &limit) != 0)
        return;
    const rlim_t wanted = limit.rlim_max == RLIM_INFINITY ? kUnlimitedSoftUs : limit.rlim_max - limit.rlim_max / 10;
    if (limit.rlim_cur != RLIM_INFINITY && limit.rlim_cur <= wanted)
        return;
    limit.rlim_cur = wanted;
    if (setrlimit(RLIMIT_RTTIME, &limit) != 0)
        qWarning("The soft RLIMIT_RTTIME could not be lowered: a real-time overrun may end the player");
}

} // namespace

void arm()
{
    if (!g_handlerInstalled) {
        struct sigaction action{};
        action.sa_handler = onRealTimeOverrun;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        g_handlerInstalled = sigaction(SIGXCPU, &action, nullptr) == 0;
    }
    lowerSoftLimit();
}

bool reportOverrun()
{
    const std::uint64_t overrunCount = overruns();
    if (overrunCount == g_overrunsSeen)
        return false;
    g_overrunsSeen = overrunCount;
    lowerSoftLimit();
    if (g_logged)
        return false;
    g_logged = true;
    qWarning("A real-time audio thread ran longer than RLIMIT_RTTIME allows without sleeping; it runs under the "
             "normal policy from now on and playback goes on");
    return true;
}

std::uint64_t overruns()
{
    return g_overruns.load(std::memory_order_relaxed);
}

} // namespace RealTimeLimit

} // namespace Audio
