#include "player/testsupport/PrivateRealtimeKit.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

#include <fcntl.h>
#include <pwd.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace OutputRecording {

namespace {

const char* const kPolkitd = "/usr/lib/polkit-1/polkitd";
const char* const kRtkitDaemon = "/usr/libexec/rtkit-daemon";
const char* const kPolkitRules = "/etc/polkit-1/rules.d";

// The first of the parts that is not there, with its package; "" when all are.
std::string missingPart()
{
    const auto onPath = [](const std::string& tool) {
        return std::system(("command -v " + tool + " >/dev/null 2>&1").c_str()) == 0;
    };
    const struct
    {
        const char* tool;
        const char* package;
    } tools[] = {{"dbus-daemon", "dbus-daemon"}, {"dbus-send", "dbus-bin"}, {"unshare", "util-linux"},
                 {"setpriv", "util-linux"},      {"prlimit", "util-linux"}};
    for (const auto& t : tools)
        if (!onPath(t.tool))
            return std::string(t.tool) + " is missing (package " + t.package + ")";
    if (access(kPolkitd, X_OK) != 0)
        return std::string(kPolkitd) + " is missing (package polkitd)";
    if (access(kPolkitRules, F_OK) != 0)
        return std::string(kPolkitRules) + " is missing (package polkitd)";
    if (access(kRtkitDaemon, X_OK) != 0)
        return std::string(kRtkitDaemon) + " is missing (package rtkit)";
    for (const char* user : {"polkitd", "rtkit"})
        if (getpwnam(user) == nullptr)
            return std::string("no user ") + user + " (packages polkitd and rtkit make them)";
    return {};
}

std::string firstLines(const std::string& path)
{
    std::ifstream in(path);
    std::string line;
    std::string lines;
    int count = 0;
    while (std::getline(in, line) && count++ < 200)
        lines += "\n  " + line;
    return lines.empty() ? std::string(" (no output)") : lines;
}

} // namespace

PrivateRealtimeKit::PrivateRealtimeKit(const std::string& daemonLimits)
{
    if (geteuid() != 0) {
        problem_ = "a private RealtimeKit needs root (rtkit-daemon changes to its own user)";
        return;
    }
    problem_ = missingPart();
    if (!problem_.empty())
        return;
    const passwd* child = getpwnam("nobody");
    if (child == nullptr || child->pw_uid == 0) {
        problem_ = "no ordinary user \"nobody\" for the child";
        return;
    }
    childUid_ = child->pw_uid;
    childGid_ = child->pw_gid;
    // Below /tmp, not TMPDIR: the run's TMPDIR is private to root, and the
    // daemons that drop to their own users must reach the socket.
    std::string pattern = "/tmp/hg-rtkit.XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) {
        problem_ = "no private folder for a system bus could be made in /tmp";
        return;
    }
    folder_ = pattern;
    // The socket's folder may be passed through, not listed; the bus itself
    // admits only the users of this set-up.
    chmod(folder_.c_str(), 0711);
    const std::string childFolder = folder_ + "/child";
    const std::string rules = folder_ + "/rules.d";
    if (mkdir(childFolder.c_str(), 0700) != 0 || chown(childFolder.c_str(), childUid_, childGid_) != 0
        || mkdir(rules.c_str(), 0755) != 0) {
        problem_ = "the private folder " + folder_ + " could not be laid out";
        return;
    }
    // What polkit's defaults give the user of an active local session
    // (allow_active), here for the child's user, which has no session.
    {
        std::ofstream rule(rules + "/50-hg-test-session.rules");
        rule << "polkit.addRule(function(action, subject) {\n"
                "    if ((action.id == \"org.freedesktop.RealtimeKit1.acquire-real-time\" ||\n"
                "         action.id == \"org.freedesktop.RealtimeKit1.acquire-high-priority\") &&\n"
                "        subject.user == \""
             << child->pw_name
             << "\")\n"
                "        return polkit.Result.YES;\n"
                "});\n";
    }
    chmod((rules + "/50-hg-test-session.rules").c_str(), 0644);
    address_ = "unix:path=" + folder_ + "/system_bus_socket";
    std::ofstream(folder_ + "/bus.conf")
        << "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
           " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
           "<busconfig><type>system</type><listen>"
        << address_
        << "</listen><auth>EXTERNAL</auth><policy context=\"default\">"
           "<allow user=\"root\"/><allow user=\"polkitd\"/><allow user=\"rtkit\"/><allow user=\""
        << child->pw_name
        << "\"/><allow own=\"*\"/><allow send_destination=\"*\"/><allow receive_sender=\"*\"/></policy></busconfig>\n";
    if (!spawn("dbus-daemon", {"dbus-daemon", "--config-file=" + folder_ + "/bus.conf", "--nofork"})) {
        problem_ = "dbus-daemon could not be started";
        return;
    }
    problem_ = awaitNames({"org.freedesktop.DBus"});
    if (!problem_.empty())
        return;
    // The private rules folder over the machine's, seen by this polkitd only.
    spawn("polkitd", {"unshare", "--mount", "--propagation", "private", "--", "/bin/sh", "-c",
                      "mount --bind \"$0\" " + std::string(kPolkitRules) + " && exec " + kPolkitd + " --no-debug",
                      rules});
    // rtkit-daemon limits its own file size to 0: it logs into a pipe, never
    // a file, or it would end at its first line.
    spawn("rtkit-daemon", {"/bin/sh", "-c",
                           std::string("exec ") + kRtkitDaemon + " --stderr --no-canary " + daemonLimits
                               + " 2>&1 | cat >\"$0\"",
                           folder_ + "/rtkit.log"});
    problem_ = awaitNames({"org.freedesktop.PolicyKit1", "org.freedesktop.RealtimeKit1"});
}

PrivateRealtimeKit::~PrivateRealtimeKit()
{
    // Last started first; the bus goes last.
    for (auto it = daemons_.rbegin(); it != daemons_.rend(); ++it) {
        if (it->pid <= 0)
            continue;
        // The shell's pipe: its own process group holds the daemon and cat.
        kill(-it->pid, SIGTERM);
        kill(it->pid, SIGTERM);
        waitpid(it->pid, nullptr, 0);
    }
    if (!folder_.empty()) {
        const std::string command = "rm -rf '" + folder_ + "'";
        if (std::system(command.c_str()) != 0)
            std::fprintf(stderr, "could not remove %s\n", folder_.c_str());
    }
}

std::string PrivateRealtimeKit::awaitNames(const std::vector<const char*>& names)
{
    // Only against a hang: a daemon that cannot come ends, and that ends the
    // wait at once.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    for (;;) {
        bool all = true;
        for (const char* name : names)
            all = all && answers(name);
        if (all)
            return {};
        for (auto& d : daemons_) {
            int status = 0;
            if (d.pid > 0 && waitpid(d.pid, &status, WNOHANG) == d.pid) {
                d.pid = 0;
                return d.name + " ended on the private system bus; its output:" + firstLines(d.log);
            }
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            std::string missing;
            for (const char* name : names)
                if (!answers(name))
                    missing += std::string(missing.empty() ? "" : ", ") + name;
            return missing + " did not answer on the private system bus within 60 s";
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

bool PrivateRealtimeKit::spawn(const std::string& name, const std::vector<std::string>& argv)
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
    const std::string log = folder_ + "/" + name + ".log";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
    posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    // A group of its own, so that the end reaches a shell's pipe as a whole;
    // no signal blocked, as the test main blocks SIGXCPU for the engine.
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK);
    posix_spawnattr_setpgroup(&attributes, 0);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&attributes, &none);
    pid_t pid = -1;
    const int spawned = posix_spawnp(&pid, args[0], &actions, &attributes, args.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    if (spawned != 0)
        return false;
    daemons_.push_back({pid, name, log});
    return true;
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
