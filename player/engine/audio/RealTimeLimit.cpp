#include "player/engine/audio/RealTimeLimit.h"

#include <QtGlobal>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstddef>
#include <ctime>

#include <sched.h>
#include <signal.h>

namespace Audio {

namespace RealTimeLimit {

namespace {

// Constant-initialised and lock-free: read and written by the signal handler.
std::atomic<std::uint64_t> g_overruns{0};
static_assert(std::atomic<std::uint64_t>::is_always_lock_free, "the handler needs a lock-free counter");
std::atomic<bool> g_overrunMet{false};
// The soft limit arm() left (0 before): the kernel's raise lies above it.
std::atomic<rlim_t> g_soft{0};
static_assert(std::atomic<rlim_t>::is_always_lock_free, "the handler needs a lock-free limit");
constexpr std::size_t kWatched = 8;
std::atomic<pid_t> g_watched[kWatched] = {};
static_assert(std::atomic<pid_t>::is_always_lock_free, "the handler needs lock-free thread ids");
// GUI thread only.
bool g_handlerInstalled = false;
bool g_logged = false;
// Per thread: it has left real time after an overrun.
thread_local bool t_left = false;

// One or two system calls; `thread` 0 is the calling thread. The
// reset-on-fork flag (set by RealtimeKit) is kept, as an unprivileged thread
// must.
void dropToNormal(pid_t thread)
{
    const int policy = sched_getscheduler(thread);
    const int base = policy & ~SCHED_RESET_ON_FORK;
    if (policy < 0 || (base != SCHED_RR && base != SCHED_FIFO))
        return;
    const sched_param normal{};
    sched_setscheduler(thread, SCHED_OTHER | (policy & SCHED_RESET_ON_FORK), &normal);
}

// The kernel sends a real-time overrun as SIGXCPU from itself after raising
// the soft limit by a second. Another handler may have lowered it again
// already; the only other SIGXCPU the kernel sends is for RLIMIT_CPU, once
// the process has used that much processor time (it raises that soft limit
// by a second as well).
bool isRealTimeOverrun(const siginfo_t* info)
{
    if (info == nullptr || info->si_code != SI_KERNEL)
        return false;
    rlimit rt{};
    const rlim_t armed = g_soft.load(std::memory_order_relaxed);
    if (getrlimit(RLIMIT_RTTIME, &rt) == 0 && armed != 0 && rt.rlim_cur != RLIM_INFINITY
        && rt.rlim_cur > armed)
        return true;
    rlimit cpu{};
    if (getrlimit(RLIMIT_CPU, &cpu) != 0 || cpu.rlim_cur == RLIM_INFINITY)
        return true;
    timespec used{};
    if (clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &used) != 0)
        return false;
    // The kernel raises that soft limit by a second too as it sends, and its
    // sample may run ahead of the clock read here.
    return static_cast<rlim_t>(used.tv_sec) + 2 < cpu.rlim_cur;
}

// Only async-signal-safe work: system calls and lock-free atomics; the log
// line comes later from a normal thread.
extern "C" void onSigXcpu(int signal, siginfo_t* info, void*)
{
    const int savedErrno = errno;
    if (!isRealTimeOverrun(info)) {
        // Delivered once this handler returns, with the default action.
        struct sigaction byDefault
        {
        };
        byDefault.sa_handler = SIG_DFL;
        sigemptyset(&byDefault.sa_mask);
        sigaction(signal, &byDefault, nullptr);
        raise(signal);
        errno = savedErrno;
        return;
    }
    // First the limit, so that a second thread overrunning now meets the soft
    // limit at its next tick and not the hard one.
    const rlim_t armed = g_soft.load(std::memory_order_relaxed);
    rlimit rt{};
    if (armed != 0 && getrlimit(RLIMIT_RTTIME, &rt) == 0
        && (rt.rlim_cur == RLIM_INFINITY || rt.rlim_cur > armed)) {
        rt.rlim_cur = armed;
        setrlimit(RLIMIT_RTTIME, &rt);
    }
    g_overrunMet.store(true, std::memory_order_relaxed);
    dropToNormal(0);
    for (const std::atomic<pid_t>& watched : g_watched) {
        const pid_t thread = watched.load(std::memory_order_relaxed);
        if (thread > 0)
            dropToNormal(thread);
    }
    g_overruns.fetch_add(1, std::memory_order_relaxed);
    errno = savedErrno;
}

void lowerSoftLimit()
{
    rlimit limit{};
    if (getrlimit(RLIMIT_RTTIME, &limit) != 0)
        return;
    const rlim_t wanted =
        limit.rlim_max == RLIM_INFINITY ? kUnlimitedSoftUs : limit.rlim_max / 2;
    if (limit.rlim_cur == RLIM_INFINITY || limit.rlim_cur > wanted) {
        limit.rlim_cur = wanted;
        if (setrlimit(RLIMIT_RTTIME, &limit) != 0) {
            qWarning("The soft RLIMIT_RTTIME could not be lowered: a real-time overrun may end the player");
            return;
        }
    }
    g_soft.store(limit.rlim_cur, std::memory_order_relaxed);
}

} // namespace

void arm()
{
    if (!g_handlerInstalled) {
        struct sigaction action
        {
        };
        action.sa_sigaction = onSigXcpu;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART | SA_SIGINFO;
        g_handlerInstalled = sigaction(SIGXCPU, &action, nullptr) == 0;
    }
    lowerSoftLimit();
}

void watchThreads(const std::vector<pid_t>& threads)
{
    for (std::size_t i = 0; i < kWatched; ++i)
        g_watched[i].store(i < threads.size() ? threads[i] : 0, std::memory_order_relaxed);
}

void leaveRealTimeAfterOverrun()
{
    if (t_left || !g_overrunMet.load(std::memory_order_relaxed))
        return;
    t_left = true;
    dropToNormal(0);
}

bool overrunMet()
{
    return g_overrunMet.load(std::memory_order_relaxed);
}

bool reportOverrun()
{
    if (g_logged || !overrunMet())
        return false;
    g_logged = true;
    qWarning(
        "A real-time audio thread ran longer than RLIMIT_RTTIME allows without sleeping; the audio threads "
        "run under the normal policy from now on and playback goes on");
    return true;
}

std::uint64_t overruns()
{
    return g_overruns.load(std::memory_order_relaxed);
}

} // namespace RealTimeLimit

} // namespace Audio
