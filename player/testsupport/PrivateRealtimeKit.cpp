#include "player/testsupport/PrivateRealtimeKit.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace OutputRecording {

PrivateRealtimeKit::PrivateRealtimeKit()
{
    if (geteuid() != 0) {
        problem_ = "a private RealtimeKit needs root (rtkit-daemon changes to its own user)";
        return;
    }
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/hg-rtkit.XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) {
        problem_ = "no private folder for a system bus could be made";
        return;
    }
    folder_ = pattern;
    // polkitd reaches the bus as its own user: the socket's folder may be
    // passed through, not listed.
    chmod(folder_.c_str(), 0711);
    address_ = "unix:path=" + folder_ + "/system_bus_socket";
    std::ofstream(folder_ + "/bus.conf")
        << "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
           " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
           "<busconfig><type>system</type><listen>"
        << address_
        << "</listen><auth>EXTERNAL</auth><policy context=\"default\"><allow user=\"*\"/><allow own=\"*\"/>"
           "<allow send_destination=\"*\"/><allow receive_sender=\"*\"/></policy></busconfig>\n";
    const pid_t bus = spawn({"dbus-daemon", "--config-file=" + folder_ + "/bus.conf", "--nofork"}, "/bus.log");
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (bus > 0 && !answers("org.freedesktop.DBus") && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    if (bus <= 0 || !answers("org.freedesktop.DBus")) {
        problem_ = "no private system bus (dbus-daemon) could be started";
        return;
    }
    spawn({"/usr/lib/polkit-1/polkitd", "--no-debug"}, "/polkit.log");
    // rtkit-daemon limits its own file size to 0: it logs into a pipe, never
    // a file, or it would end at its first line.
    spawn({"/bin/sh", "-c", "exec /usr/libexec/rtkit-daemon --stderr --no-canary 2>&1 | cat >'" + folder_
                                + "/rtkit.log'"},
          "/rtkit-wrapper.log");
    while (!(answers("org.freedesktop.PolicyKit1") && answers("org.freedesktop.RealtimeKit1"))
           && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    if (!answers("org.freedesktop.PolicyKit1"))
        problem_ = "polkitd did not come up on the private system bus (package polkitd)";
    else if (!answers("org.freedesktop.RealtimeKit1"))
        problem_ = "rtkit-daemon did not come up on the private system bus (package rtkit)";
}

PrivateRealtimeKit::~PrivateRealtimeKit()
{
    // Last started first; the bus goes last.
    for (auto it = pids_.rbegin(); it != pids_.rend(); ++it) {
        // The shell's pipe: its own process group holds the daemon and cat.
        kill(-*it, SIGTERM);
        kill(*it, SIGTERM);
        waitpid(*it, nullptr, 0);
    }
    if (!folder_.empty()) {
        const std::string command = "rm -rf '" + folder_ + "'";
        if (std::system(command.c_str()) != 0)
            std::fprintf(stderr, "could not remove %s\n", folder_.c_str());
    }
}

pid_t PrivateRealtimeKit::spawn(const std::vector<std::string>& argv, const std::string& log)
{
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
        const std::string entry = *e;
        if (entry.rfind("DBUS_SYSTEM_BUS_ADDRESS=", 0) != 0 && entry.rfind("DBUS_SESSION_BUS_ADDRESS=", 0) != 0)
            env.push_back(entry);
    }
    env.push_back("DBUS_SYSTEM_BUS_ADDRESS=" + address_);
    env.push_back("DBUS_SESSION_BUS_ADDRESS=unix:path=" + folder_ + "/no-session-bus");
    std::vector<char*> envp;
    for (auto& e : env)
        envp.push_back(e.data());
    envp.push_back(nullptr);
    std::vector<char*> args;
    for (const auto& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    const std::string path = folder_ + log;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, path.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
    posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    // A group of its own, so that the end reaches a shell's pipe as a whole.
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attributes, 0);
    pid_t pid = -1;
    const int spawned = posix_spawnp(&pid, args[0], &actions, &attributes, args.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    if (spawned != 0)
        return -1;
    pids_.push_back(pid);
    return pid;
}

bool PrivateRealtimeKit::answers(const char* name) const
{
    const std::string command = "DBUS_SYSTEM_BUS_ADDRESS='" + address_
        + "' dbus-send --system --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus "
          "org.freedesktop.DBus.NameHasOwner string:"
        + name + " 2>/dev/null";
    FILE* out = popen(command.c_str(), "r");
    if (out == nullptr)
        return false;
    std::string text;
    char chunk[512];
    std::size_t n;
    while ((n = fread(chunk, 1, sizeof chunk, out)) > 0)
        text.append(chunk, n);
    pclose(out);
    return text.find("boolean true") != std::string::npos;
}

std::string PrivateRealtimeKit::daemonLog() const
{
    std::ifstream in(folder_ + "/rtkit.log");
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

} // namespace OutputRecording
