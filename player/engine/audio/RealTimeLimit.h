#pragma once

#include <cstdint>

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

// The priority of the thread that takes the overrun's signal: above the
// audio threads', so that it runs at once even where every processor runs a
// real-time thread of ours.
constexpr int kTakerPriority = 11;

// Start of main, before any thread is started: blocks SIGXCPU in this
// thread and so in every thread it starts, so that the kernel hands an
// overrun to the taker thread of arm() alone. An ordinary thread that took
// it could wait hundreds of ms behind the runaway thread on its processor,
// and the runaway thread would meet the hard limit meanwhile.
void blockSignalInThisThread();

// GUI thread, before real-time threads are made and again after RealtimeKit
// has set the limits: installs the SIGXCPU handler and starts the thread
// that takes it (once per process), makes that thread real-time where the
// system grants it directly, and lowers the soft limit to half the hard one
// (kUnlimitedSoftUs when the hard one is unlimited) where it lies above that.
// A smaller soft limit is kept. The other half is the time the handler has
// to run on the taker, while the threads that overran run on towards the
// hard limit; it takes every real-time thread of the process but the taker
// out of real time, as the signal does not say which one overran.
//
// A SIGXCPU that is no real-time overrun (RLIMIT_CPU, or one sent by a
// user) keeps its default action.
void arm();

// The thread that takes SIGXCPU (0 before arm()): made real-time at
// kTakerPriority through RealtimeKit where the system does not grant it
// directly. Any thread.
pid_t takerThread();

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
