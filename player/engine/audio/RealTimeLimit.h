#pragma once

#include <cstdint>
#include <vector>

#include <sys/resource.h>
#include <sys/types.h>

namespace Audio {

// The safety margin of RLIMIT_RTTIME. A real-time thread that runs that long
// without sleeping gets SIGXCPU at the soft limit and SIGKILL at the hard
// one, and the kernel checks the hard limit first: with both equal (as
// RealtimeKit's road leaves them) an overrun kills the whole player. So the
// soft limit is kept below the hard one, and a SIGXCPU handler takes every
// real-time thread of ours out of real time: an overrun costs real time,
// never the player.
//
// At each SIGXCPU the kernel raises the soft limit by a second, above the
// hard one: a second thread that overruns with the first would then meet the
// hard limit first. So the handler lowers it again at once.
namespace RealTimeLimit {

// The soft limit where the hard one is unlimited (root's own SCHED_RR): a
// real-time thread that runs this long without sleeping has run away. A
// stream's start runs a while without sleeping: the audio thread fills the
// sound server's buffer (2 s of audio) as fast as it renders.
constexpr rlim_t kUnlimitedSoftUs = 1000000;

// GUI thread, before real-time threads are made and again after RealtimeKit
// has set the limits: installs the SIGXCPU handler (once per process) and
// lowers the soft limit to half the hard one (kUnlimitedSoftUs when the hard
// one is unlimited) where it lies above that. A smaller soft limit is kept.
// The other half is the time the handler has to run: the sound client's
// carrier blocks SIGXCPU, so its overrun is handed to another thread, often
// the GUI thread, which a loaded machine keeps waiting for tens of ms, while
// the carrier and any thread that overran with it run on towards the hard
// limit (a tenth of it, 20 ms on RealtimeKit's road, was not enough).
//
// A SIGXCPU that is no real-time overrun (RLIMIT_CPU, or one sent by a
// user) keeps its default action.
void arm();

// GUI thread: the real-time threads of ours that check nothing themselves
// (the sound server client's carrier): the handler drops them by id at an
// overrun, whichever thread it runs on (the carrier blocks SIGXCPU, so the
// kernel hands its overrun to another thread). Replaces the last list; at
// most a few are kept.
void watchThreads(const std::vector<pid_t>& threads);

// Any real-time thread of ours, at the top of its loop: after the first
// overrun, leaves real time (once per thread; afterwards one relaxed load).
// Never blocks, never allocates.
void leaveRealTimeAfterOverrun();

// Whether an overrun has been met: no thread should be made real-time.
bool overrunMet();

// GUI thread, on its timer (never a real-time thread): logs once that an
// audio thread overran and that ours run under the normal policy now. True
// when it logged now.
bool reportOverrun();

// Overruns the handler has met since the process started; any thread.
std::uint64_t overruns();

} // namespace RealTimeLimit

} // namespace Audio
