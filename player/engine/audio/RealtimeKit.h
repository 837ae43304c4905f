#pragma once

#include <string>
#include <vector>

#include <sys/types.h>

namespace Audio {

// Real-time scheduling through RealtimeKit (org.freedesktop.RealtimeKit1 on
// the system bus), the way a desktop grants it to audio clients of ordinary
// users, who have no CAP_SYS_NICE and an RLIMIT_RTPRIO of 0.
//
// Threads: any thread but the audio thread: the calls block on the bus (each
// bounded by kTimeoutMs). Plain values only; nothing of D-Bus shows here.
namespace RealtimeKit {

constexpr int kTimeoutMs = 500;

// Makes each of `threads` (kernel thread ids of this process) SCHED_RR at
// `priority`, capped at the daemon's MaxRealtimePriority. First lowers this
// process's RLIMIT_RTTIME to the daemon's RTTimeUSecMax, which it requires
// (a real-time thread that runs that long without sleeping gets SIGXCPU).
// "" when every thread was made real-time, else why not.
std::string makeThreadsRealtime(const std::vector<pid_t>& threads, int priority);

} // namespace RealtimeKit

// The kernel thread ids of this process, sorted.
std::vector<pid_t> threadsOfThisProcess();
// Whether the thread runs under SCHED_RR or SCHED_FIFO.
bool runsRealTime(pid_t thread);
// The thread's name as the kernel keeps it ("" when it has ended); a thread
// that was not named has the process's name.
std::string threadName(pid_t thread);

} // namespace Audio
