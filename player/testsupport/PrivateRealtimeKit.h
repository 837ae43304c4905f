#pragma once

// A RealtimeKit of the test's own: a private system bus (dbus-daemon in a
// fresh folder under $TMPDIR), Debian's polkitd, which rtkit-daemon asks
// whether a client may have real-time, and rtkit-daemon itself on it. Every
// process is ended by its own PID and the folder removed when the object
// goes. Reached through address(), handed to a child as
// DBUS_SYSTEM_BUS_ADDRESS; the machine's own system bus is never touched.
//
// Test support only; needs root (rtkit-daemon changes to its own user) and
// the packages dbus-daemon, dbus-bin, polkitd and rtkit.

#include <string>
#include <vector>

#include <sys/types.h>

namespace OutputRecording {

class PrivateRealtimeKit
{
public:
    PrivateRealtimeKit();
    ~PrivateRealtimeKit();
    PrivateRealtimeKit(const PrivateRealtimeKit&) = delete;
    PrivateRealtimeKit& operator=(const PrivateRealtimeKit&) = delete;

    // "" once RealtimeKit answers on the private bus, else why not.
    std::string problem() const { return problem_; }
    std::string address() const { return address_; }
    // What rtkit-daemon logged (which threads it made real-time).
    std::string daemonLog() const;

private:
    pid_t spawn(const std::vector<std::string>& argv, const std::string& log);
    bool answers(const char* name) const;

    std::string folder_;
    std::string address_;
    std::string problem_;
    std::vector<pid_t> pids_;
};

} // namespace OutputRecording
