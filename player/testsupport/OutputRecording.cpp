#include "player/testsupport/OutputRecording.h"

#include <algorithm>
#include <csignal>
#include <cstdio>

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace OutputRecording {

namespace {

std::string listedSinkInput()
{
    FILE* out = popen("pactl list sink-inputs 2>/dev/null", "r");
    if (out == nullptr)
        return {};
    const std::string ownProcess = "application.process.id = \"" + std::to_string(getpid()) + "\"";
    std::string current;
    std::string found;
    char line[512];
    while (fgets(line, sizeof line, out) != nullptr) {
        const std::string text(line);
        if (text.rfind("Sink Input #", 0) == 0)
            current = text.substr(12, text.find_first_not_of("0123456789", 12) - 12);
        else if (found.empty() && text.find(ownProcess) != std::string::npos)
            found = current;
    }
    pclose(out);
    return found;
}

} // namespace

std::string ownSinkInput(std::chrono::milliseconds wait)
{
    const auto deadline = std::chrono::steady_clock::now() + wait;
    std::string found = listedSinkInput();
    while (found.empty() && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        found = listedSinkInput();
    }
    return found;
}

StreamRecorder::~StreamRecorder()
{
    stop();
}

bool StreamRecorder::start(const std::string& sinkInput)
{
    if (sinkInput.empty() || pid_ > 0)
        return false;
    int fds[2];
    if (pipe(fds) != 0)
        return false;
    const std::string source = "--monitor-stream=" + sinkInput;
    const char* const argv[] = {"parec", source.c_str(), "--raw", "--format=s16le", "--rate=44100",
                                "--channels=2", "--latency-msec=200", nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    posix_spawn_file_actions_addclose(&actions, fds[1]);
    const int spawned = posix_spawnp(&pid_, "parec", &actions, nullptr, const_cast<char* const*>(argv), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    if (spawned != 0) {
        pid_ = -1;
        close(fds[0]);
        return false;
    }
    fd_ = fds[0];
    reader_ = std::thread([this] {
        char chunk[4096];
        for (;;) {
            const ssize_t n = read(fd_, chunk, sizeof chunk);
            if (n <= 0)
                break;
            std::lock_guard<std::mutex> lock(mutex_);
            bytes_.append(chunk, std::size_t(n));
        }
    });
    return true;
}

std::size_t StreamRecorder::recordedBytes()
{
    std::lock_guard<std::mutex> lock(mutex_);
    return bytes_.size();
}

std::string StreamRecorder::recorded()
{
    std::lock_guard<std::mutex> lock(mutex_);
    return bytes_;
}

std::string StreamRecorder::stop()
{
    if (pid_ > 0) {
        kill(pid_, SIGTERM);
        waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }
    if (reader_.joinable())
        reader_.join();
    if (fd_ >= 0) {
        close(fd_);
        fd_ = -1;
    }
    return recorded();
}

Continuity continuity(const std::string& s16Stereo, std::size_t minimumGap)
{
    Continuity c;
    const std::size_t frames = s16Stereo.size() / 4;
    const auto silent = [&](std::size_t i) {
        const char* f = s16Stereo.data() + 4 * i;
        return (f[0] | f[1] | f[2] | f[3]) == 0;
    };
    std::size_t first = 0;
    while (first < frames && silent(first))
        ++first;
    if (first == frames)
        return c;
    std::size_t last = frames - 1;
    while (silent(last))
        --last;
    c.firstSound = first;
    c.frames = last - first + 1;
    std::size_t run = 0;
    for (std::size_t i = first; i <= last + 1; ++i) {
        if (i <= last && silent(i)) {
            ++run;
            continue;
        }
        if (i <= last)
            ++c.sounding;
        if (run >= minimumGap)
            ++c.gaps;
        c.longestGap = std::max(c.longestGap, run);
        run = 0;
    }
    return c;
}

std::string describe(const Continuity& c)
{
    char line[160];
    std::snprintf(line, sizeof line, "%.2f s judged, %.3f %% sounding, %zu gaps of 64 frames or more, longest silence %zu frames",
                  double(c.frames) / 44100.0, 100.0 * c.soundingShare(), c.gaps, c.longestGap);
    return line;
}

void CounterRate::sample(std::uint32_t counter)
{
    const auto now = std::chrono::steady_clock::now();
    if (!started_) {
        if (counter == 0)
            return;
        started_ = true;
        origin_ = now;
        first_ = counter;
    }
    points_.emplace_back(std::chrono::duration<double>(now - origin_).count(),
                         double(counter - first_) / (2.0 * 44100.0));
}

double CounterRate::rate() const
{
    if (points_.size() < 2)
        return 0.0;
    double st = 0, sp = 0;
    for (const auto& p : points_) {
        st += p.first;
        sp += p.second;
    }
    const double n = double(points_.size());
    const double mt = st / n;
    const double mp = sp / n;
    double num = 0, den = 0;
    for (const auto& p : points_) {
        num += (p.first - mt) * (p.second - mp);
        den += (p.first - mt) * (p.first - mt);
    }
    return den > 0 ? num / den : 0.0;
}

double CounterRate::seconds() const
{
    return points_.empty() ? 0.0 : points_.back().first;
}

CpuLoad::CpuLoad(std::chrono::seconds bound)
{
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    const auto until = std::chrono::steady_clock::now() + bound;
    for (unsigned i = 0; i < cores; ++i) {
        threads_.emplace_back([this, until] {
            unsigned spins = 0;
            while (!stop_.load(std::memory_order_relaxed)) {
                if (++spins % 4096 == 0 && std::chrono::steady_clock::now() > until)
                    break;
            }
        });
    }
}

CpuLoad::~CpuLoad()
{
    stop_ = true;
    for (auto& t : threads_)
        t.join();
}

} // namespace OutputRecording
