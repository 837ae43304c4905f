#pragma once

#include <cstdint>

#include <sys/resource.h>

namespace Audio {

// The safety margin of RLIMIT_RTTIME. A real-time thread that runs that long
// without sleeping gets SIGXCPU at the soft limit and SIGKILL at the hard
// one, and the kernel checks the hard limit first: with both equal (as
// RealtimeKit's road leaves them) an overrun kills the whole player. So the
// soft limit is kept below the hard one, and a SIGXCPU handler drops the
// thread that overran to the normal policy: an overrun costs real time,
// never the player.
namespace RealTimeLimit {

// The soft limit where the hard one is unlimited (root's own SCHED_RR): a
// real-time thread that runs this long without sleeping has run away. A
// stream's start runs a while without sleeping: the audio thread fills the
// sound server's buffer (2 s of audio) as fast as it renders.
constexpr rlim_t kUnlimitedSoftUs = 1000000;

// GUI thread, before real-time threads are made and again after RealtimeKit
// has set the limits: installs the SIGXCPU handler (once per process) and
// lowers the soft limit to nine tenths of the hard one (kUnlimitedSoftUs
// when the hard one is unlimited) where it lies above that: the kernel
// checks the limits at each tick, and the thread leaves real time at the
// first tick past the soft limit, well before the hard one. A smaller soft
// limit is kept.
void arm();

// GUI thread, on its timer (never a real-time thread): logs once that an
// audio thread overran and runs under the normal policy now, and after each
// overrun lowers the soft limit again (the kernel raises it by a second at
// every SIGXCPU, above the hard one). True when it logged now.
bool reportOverrun();

// Overruns the handler has met since the process started; any thread.
std::uint64_t overruns();

} // namespace RealTimeLimit

} // namespace Audio
