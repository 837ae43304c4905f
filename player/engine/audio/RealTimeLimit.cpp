#include "player/engine/audio/RealTimeLimit.h"

#include "player/engine/audio/RealtimeKit.h"

#include <QtGlobal>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <ctime>
#include <future>
#include <memory>
#include <thread>

#include <dirent.h>
#include <fcntl.h>
#include <pthread.h>
#include <sched.h>
#include <signal.h>
#include <sys/syscall.h>
#include <unistd.h>

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
std::atomic<pid_t> g_taker{0};
static_assert(std::atomic<pid_t>::is_always_lock_free, "the handler needs a lock-free thread id");
// GUI thread only.
bool g_handlerInstalled = false;
pthread_t g_takerHandle{};
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

// The signal does not say which thread overran, and the sound client's
// carrier checks nothing of ours: every real-time thread of the process but
// `keep` (the taker, which stays for the next overrun) leaves real time.
// Only system calls, into a buffer on the stack.
void dropEveryRealTimeThreadBut(pid_t keep)
{
    const int tasks = open("/proc/self/task", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (tasks < 0)
        return;
    alignas(dirent64) char buffer[2048];
    for (;;) {
        const ssize_t length = getdents64(tasks, buffer, sizeof buffer);
        if (length <= 0)
            break;
        for (ssize_t at = 0; at < length;) {
            const auto* entry = reinterpret_cast<const dirent64*>(buffer + at);
            at += entry->d_reclen;
            pid_t thread = 0;
            for (const char* digit = entry->d_name; *digit >= '0' && *digit <= '9'; ++digit)
                thread = thread * 10 + (*digit - '0');
            if (thread > 0 && thread != keep)
                dropToNormal(thread);
        }
    }
    close(tasks);
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
    dropEveryRealTimeThreadBut(g_taker.load(std::memory_order_relaxed));
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

// The handler runs here, at once, even where the runaway thread holds this
// thread's processor: a woken real-time thread preempts a lower one, or is
// placed on a processor that runs no real-time thread.
void startTaker()
{
    // Shared, as set_value may still be under way in the taker when get()
    // returns here.
    const auto started = std::make_shared<std::promise<pid_t>>();
    std::future<pid_t> id = started->get_future();
    std::thread taker([started] {
        // Every other signal stays with the threads that expect it.
        sigset_t others;
        sigfillset(&others);
        sigdelset(&others, SIGXCPU);
        pthread_sigmask(SIG_SETMASK, &others, nullptr);
        pthread_setname_np(pthread_self(), "rt-overrun");
        started->set_value(static_cast<pid_t>(syscall(SYS_gettid)));
        for (;;)
            pause();
    });
    g_takerHandle = taker.native_handle();
    g_taker.store(id.get(), std::memory_order_relaxed);
    // It lives as long as the process, which must not wait for it.
    taker.detach();
}

void makeTakerRealTime()
{
    const pid_t taker = g_taker.load(std::memory_order_relaxed);
    if (taker == 0 || runsRealTime(taker))
        return;
    sched_param param{};
    param.sched_priority = kTakerPriority;
    if (pthread_setschedparam(g_takerHandle, SCHED_RR, &param) == 0)
        return;
    // An RLIMIT_RTPRIO below ours: as high as it allows. Even the audio
    // threads' priority places the woken taker on a processor where no
    // real-time thread runs.
    rlimit allowed{};
    if (getrlimit(RLIMIT_RTPRIO, &allowed) == 0 && allowed.rlim_cur >= 1 && allowed.rlim_cur < rlim_t(kTakerPriority)) {
        param.sched_priority = static_cast<int>(allowed.rlim_cur);
        pthread_setschedparam(g_takerHandle, SCHED_RR, &param);
    }
}

} // namespace

void blockSignalInThisThread()
{
    sigset_t xcpu;
    sigemptyset(&xcpu);
    sigaddset(&xcpu, SIGXCPU);
    pthread_sigmask(SIG_BLOCK, &xcpu, nullptr);
}

void arm()
{
    if (!g_handlerInstalled) {
        // Where main did not, the threads this one starts from now on leave
        // the signal to the taker at least.
        blockSignalInThisThread();
        struct sigaction action
        {
        };
        action.sa_sigaction = onSigXcpu;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART | SA_SIGINFO;
        g_handlerInstalled = sigaction(SIGXCPU, &action, nullptr) == 0;
        if (g_handlerInstalled)
            startTaker();
    }
    makeTakerRealTime();
    lowerSoftLimit();
}

pid_t takerThread()
{
    return g_taker.load(std::memory_order_relaxed);
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
