#pragma once

// A RealtimeKit of the test's own: a private system bus (dbus-daemon in a
// fresh folder /tmp/hg-rtkit.XXXXXX), Debian's polkitd, which rtkit-daemon
// asks whether a client may have real-time, and rtkit-daemon itself on it.
// The folder is always below /tmp, whatever TMPDIR is: polkitd and
// rtkit-daemon drop to users of their own, which must reach the bus's socket,
// and a socket's path must stay short. polkitd runs in a mount namespace of
// its own whose rules folder grants the child's user what an active session
// gets. Every process is ended by its own PID and the folder removed when
// the object goes. Reached through address(), handed to a child as
// DBUS_SYSTEM_BUS_ADDRESS; the machine's own system bus and polkit rules are
// never touched.
//
// Test support only; needs root (rtkit-daemon changes to its own user) and
// the packages dbus-daemon, dbus-bin, polkitd, rtkit and util-linux.

#include <string>
#include <vector>

#include <sys/types.h>

namespace OutputRecording {

class PrivateRealtimeKit
{
public:
    // `daemonLimits`: further options of rtkit-daemon, its limits (such as
    // "--threads-per-user-max=2"), taken as the shell splits them.
    explicit PrivateRealtimeKit(const std::string& daemonLimits = {});
    ~PrivateRealtimeKit();
    PrivateRealtimeKit(const PrivateRealtimeKit&) = delete;
    PrivateRealtimeKit& operator=(const PrivateRealtimeKit&) = delete;

    // "" once RealtimeKit answers on the private bus, else why not.
    std::string problem() const { return problem_; }
    std::string address() const { return address_; }
    // The ordinary user the child runs as ("nobody"), whom the private
    // polkitd authorises as it would an active session's user.
    uid_t childUid() const { return childUid_; }
    gid_t childGid() const { return childGid_; }
    // An empty folder owned by that user, for the child's TMPDIR and HOME.
    std::string childFolder() const { return folder_ + "/child"; }
    // What rtkit-daemon logged (which threads it made real-time).
    std::string daemonLog() const;

private:
    bool spawn(const std::string& name, const std::vector<std::string>& argv);
    bool answers(const char* name) const;
    // Waits until every name answers; "" then, else what stopped the wait: a
    // daemon that ended (with the end of its log) or the overall limit.
    std::string awaitNames(const std::vector<const char*>& names);

    struct Daemon
    {
        pid_t pid;
        std::string name;
        std::string log;
    };

    std::string folder_;
    std::string address_;
    std::string problem_;
    uid_t childUid_ = 0;
    gid_t childGid_ = 0;
    std::vector<Daemon> daemons_;
};

} // namespace OutputRecording
