// Glasswell itself, started as a user starts it, on an X screen: what its
// main sets up before anything else.

#include "testsupport/TestTree.h"

#include <QFile>

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include <dirent.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

std::string firstLine(const std::string& path)
{
    std::ifstream in(path);
    std::string line;
    std::getline(in, line);
    return line;
}

// The threads of process `pid`: their ids and names.
std::vector<std::pair<std::string, std::string>> threadsOf(pid_t pid)
{
    std::vector<std::pair<std::string, std::string>> threads;
    const std::string tasks = "/proc/" + std::to_string(pid) + "/task";
    if (DIR* dir = opendir(tasks.c_str())) {
        while (const dirent* entry = readdir(dir))
            if (entry->d_name[0] != '.')
                threads.emplace_back(entry->d_name, firstLine(tasks + "/" + entry->d_name + "/comm"));
        closedir(dir);
    }
    return threads;
}

bool blocksSigXcpu(pid_t pid, const std::string& thread)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/task/" + thread + "/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("SigBlk:", 0) == 0)
            return (std::stoull(line.substr(7), nullptr, 16) >> (SIGXCPU - 1)) & 1u;
    return false;
}

} // namespace

// The kernel hands a real-time overrun's SIGXCPU to a thread that does not
// block it; only the engine's taker, real-time above the audio threads, may
// take it in time. The toolkit starts threads of its own on an X screen (its
// event queue's, D-Bus's) before the engine is made: main blocks the signal
// before any thread starts, so that they inherit the block.
TEST(Program, EveryThreadButTheOverrunsTakerBlocksSigXcpu)
{
    const std::string program = QFile::encodeName(testtree::inBuildTree(QStringLiteral("player/app/Glasswell"))).toStdString();
    ASSERT_EQ(access(program.c_str(), X_OK), 0) << program;
    ASSERT_NE(qgetenv("DISPLAY"), QByteArray()) << "no X screen (run-on-virtual-screen.sh runs this test)";
    // No sound server: the program starts as it does without one.
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e)
        if (std::string(*e).rfind("PULSE_SERVER=", 0) != 0)
            env.emplace_back(*e);
    env.emplace_back("PULSE_SERVER=unix:/nonexistent/glasswell-program-test");
    std::vector<char*> envp;
    for (auto& e : env)
        envp.push_back(e.data());
    envp.push_back(nullptr);
    std::vector<char*> argv{const_cast<char*>(program.c_str()), nullptr};
    // With no signal blocked, as a desktop starts it (this test's main
    // blocks SIGXCPU, which a child would inherit).
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&attributes, &none);
    pid_t pid = -1;
    const int spawned = posix_spawn(&pid, program.c_str(), nullptr, &attributes, argv.data(), envp.data());
    posix_spawnattr_destroy(&attributes);
    ASSERT_EQ(spawned, 0);

    // The taker starts with the engine's first open; every thread started
    // before it has started by then.
    std::string taker;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (taker.empty() && waitpid(pid, nullptr, WNOHANG) == 0 && std::chrono::steady_clock::now() < deadline) {
        for (const auto& [id, name] : threadsOf(pid))
            if (name == "rt-overrun")
                taker = id;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    std::vector<std::string> open;
    std::size_t threads = 0;
    for (const auto& [id, name] : threadsOf(pid)) {
        ++threads;
        if (id != taker && !blocksSigXcpu(pid, id))
            open.push_back(name);
    }
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
    ASSERT_FALSE(taker.empty()) << "the program started no overrun taker";
    EXPECT_GE(threads, 3u) << "the toolkit's threads";
    EXPECT_EQ(open, std::vector<std::string>()) << "threads that may take SIGXCPU";
}
