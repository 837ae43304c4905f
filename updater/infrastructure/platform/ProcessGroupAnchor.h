#pragma once

#include <sys/types.h>

namespace platform {

// A process group that cannot outlive us. The anchor is a small child that
// leads the group and waits on a pipe whose only writer is this process:
// when we end in any way (Ctrl+C, SIGTERM, SIGHUP, a crash, SIGKILL), the
// pipe closes and the anchor kills its whole group. Programs started into the
// group (setpgid(0, group()) in the child before exec) and everything they
// start in turn end with it, although a signal from the terminal to our group
// does not reach them.
//
// No parent-death signal is used: it reaches only the direct child, and it
// fires when the forking thread ends, which for a pool thread can be long
// before the process does.
//
// The anchor is reaped only by end(), so until then group() cannot name any
// other process or group, even when the anchor was killed meanwhile. An
// anchor killed on its own guards nothing any more: whoever waits for the
// group's programs also watches the anchor (it stays a child of ours) and
// ends the group when the anchor is gone.
//
// The pipe is close-on-exec at both ends and the anchor's end is used only
// in the anchor: the programs of the group, and every other child we start,
// never hold it once they run.
//
// Threads: not locked; the owner guards kill() and end() against each other.
class ProcessGroupAnchor {
public:
    // Starts the anchor; group() is 0 when that failed.
    ProcessGroupAnchor();
    // end().
    ~ProcessGroupAnchor();
    ProcessGroupAnchor(const ProcessGroupAnchor&) = delete;
    ProcessGroupAnchor& operator=(const ProcessGroupAnchor&) = delete;

    // The group's id (the anchor's process id), 0 when there is none (any
    // more).
    pid_t group() const { return group_; }

    // Kills every process of the group, the anchor with them. Does not block;
    // async-signal-safe.
    void kill();

    // Kills the group and reaps the anchor; group() is 0 afterwards.
    void end();

private:
    pid_t group_ = 0;
    int keepAlive_ = -1; // our end of the pipe
};

} // namespace platform
