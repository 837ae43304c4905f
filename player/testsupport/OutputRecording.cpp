#include "player/testsupport/OutputRecording.h"

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include <dirent.h>
#include <fcntl.h>
#include <pthread.h>
#include <sched.h>
#include <sys/syscall.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace OutputRecording {

namespace {

// What a pactl command prints, in the C locale: its labels ("Sink Input #",
// "Default Sink:") are translated otherwise. pactl reaches the server that
// this process's own stream reaches (PULSE_SERVER, else the default one).
std::string pactl(const char* arguments)
{
    const std::string command = std::string("LC_ALL=C pactl ") + arguments + " 2>/dev/null";
    FILE* out = popen(command.c_str(), "r");
    if (out == nullptr)
        return {};
    std::string text;
    char chunk[4096];
    std::size_t n;
    while ((n = fread(chunk, 1, sizeof chunk, out)) > 0)
        text.append(chunk, n);
    pclose(out);
    return text;
}

std::vector<std::string> lines(const std::string& text)
{
    std::vector<std::string> result;
    std::size_t from = 0;
    while (from < text.size()) {
        const std::size_t end = std::min(text.find('\n', from), text.size());
        result.push_back(text.substr(from, end - from));
        from = end + 1;
    }
    return result;
}

std::vector<std::string> fields(const std::string& line)
{
    std::vector<std::string> result;
    std::size_t from = 0;
    for (;;) {
        const std::size_t end = line.find('\t', from);
        result.push_back(line.substr(from, end - from));
        if (end == std::string::npos)
            return result;
        from = end + 1;
    }
}

// The index of the test null sink, "" without one at 44100 Hz. Its driver
// is the null-sink module on PulseAudio, PipeWire itself on PipeWire.
std::string testSinkIndex()
{
    for (const std::string& line : lines(pactl("list short sinks"))) {
        const std::vector<std::string> f = fields(line);
        if (f.size() >= 4 && f[1] == "hg_null" && (f[2] == "module-null-sink.c" || f[2] == "PipeWire")
            && f[3].find(" 44100Hz") != std::string::npos)
            return f[0];
    }
    return {};
}

std::string listedSinkInput(const std::string& sink)
{
    const std::string ownProcess = "application.process.id = \"" + std::to_string(getpid()) + "\"";
    std::string current;
    std::string currentSink;
    for (const std::string& text : lines(pactl("list sink-inputs"))) {
        if (text.rfind("Sink Input #", 0) == 0) {
            current = text.substr(12);
            currentSink.clear();
        } else if (text.rfind("\tSink: ", 0) == 0) {
            currentSink = text.substr(7);
        } else if (text.find(ownProcess) != std::string::npos && currentSink == sink) {
            return current;
        }
    }
    return {};
}

} // namespace

std::string testServerProblem()
{
    // Named, so that no client here starts a server of the user's by autospawn.
    const char* server = std::getenv("PULSE_SERVER");
    if (server == nullptr || *server == '\0')
        return "PULSE_SERVER names no server; the play tests play only on the private one of scripts/pulse-null-sink.sh";
    const std::string info = pactl("info");
    if (info.find("Server String: ") == std::string::npos)
        return "no PulseAudio server answers; the play tests need the private one of scripts/pulse-null-sink.sh";
    if (info.find("\nDefault Sink: hg_null\n") == std::string::npos || testSinkIndex().empty())
        return "the PulseAudio server in use is not a private test server (default sink the null sink hg_null at "
               "44100 Hz), so nothing is played on it; scripts/pulse-null-sink.sh starts one";
    return {};
}

bool serverIsPipeWire()
{
    const std::string info = pactl("info");
    const std::size_t name = info.find("Server Name: ");
    return name != std::string::npos && info.find("PipeWire", name) < info.find('\n', name);
}

std::string ownSinkInput(std::chrono::milliseconds wait)
{
    const std::string sink = testSinkIndex();
    if (sink.empty())
        return {};
    const auto deadline = std::chrono::steady_clock::now() + wait;
    std::string found = listedSinkInput(sink);
    while (found.empty() && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        found = listedSinkInput(sink);
    }
    return found;
}

StreamLatency streamLatency(const std::string& sinkInput)
{
    StreamLatency latency;
    bool ours = false;
    for (const std::string& text : lines(pactl("list sink-inputs"))) {
        if (text.rfind("Sink Input #", 0) == 0) {
            ours = !sinkInput.empty() && text.substr(12) == sinkInput;
            continue;
        }
        double usec = 0;
        if (ours && std::sscanf(text.c_str(), "\tBuffer Latency: %lf usec", &usec) == 1)
            latency.bufferMs = usec / 1000.0;
        else if (ours && std::sscanf(text.c_str(), "\tSink Latency: %lf usec", &usec) == 1)
            latency.sinkMs = usec / 1000.0;
    }
    return latency;
}

double steadySeconds()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

StreamRecorder::~StreamRecorder()
{
    stop();
}

bool StreamRecorder::start(const std::string& sinkInput)
{
    if (sinkInput.empty())
        return false;
    return startParec("--monitor-stream=" + sinkInput);
}

bool StreamRecorder::startSinkMonitor()
{
    return startParec("--device=hg_null.monitor");
}

bool StreamRecorder::startParec(const std::string& source)
{
    if (pid_ > 0)
        return false;
    int fds[2];
    if (pipe(fds) != 0)
        return false;
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
            const double now = steadySeconds();
            std::lock_guard<std::mutex> lock(mutex_);
            bytes_.append(chunk, std::size_t(n));
            // The last frame delivered was rendered by now at the latest.
            const std::size_t frames = bytes_.size() / 4;
            if (frames > 0) {
                const double start = now - double(frames - 1) / 44100.0;
                if (startedAt_ < 0 || start < startedAt_)
                    startedAt_ = start;
            }
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

double StreamRecorder::startedAt()
{
    std::lock_guard<std::mutex> lock(mutex_);
    return startedAt_;
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
        if (run >= minimumGap) {
            ++c.gaps;
            if (c.gapList.size() < 64)
                c.gapList.push_back({i - run - first, run});
        }
        if (run > c.longestGap) {
            c.longestGap = run;
            c.longestGapAt = i - run - first;
        }
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

void CounterRate::sample(std::uint32_t counter, double clockSeconds)
{
    if (!started_) {
        if (counter == 0)
            return;
        started_ = true;
        clockOrigin_ = clockSeconds;
        first_ = counter;
    }
    points_.emplace_back(clockSeconds - clockOrigin_, double(counter - first_) / (2.0 * 44100.0));
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

namespace {

constexpr double kStillRefillMs = 10.0;

double longestStill(const Sides& s)
{
    return s.machineStillsMs.empty() ? 0.0 : *std::max_element(s.machineStillsMs.begin(), s.machineStillsMs.end());
}

} // namespace

std::string describe(const Sides& s)
{
    char account[400];
    std::snprintf(account, sizeof account,
                  "Glasswell: %llu callbacks, the longest %.1f ms apart; %llu frames rendered silent for want of the "
                  "reader's blocks; the render lock found taken %llu times; %s away from its loop up to %.1f ms.",
                  static_cast<unsigned long long>(s.callbacks), s.longestCallbackIntervalMs,
                  static_cast<unsigned long long>(s.starvedFrames), static_cast<unsigned long long>(s.lockTaken), s.loop,
                  s.loopAwayMs);
    std::string text = account;
    if (!s.glasswellWaits.empty())
        text += " Longest single wait to run: " + s.glasswellWaits + "; server " + s.serverWaits + ".";
    text += " Server: ";
    if (s.serverUnderruns < 0) {
        text += "its log could not be read";
    } else {
        text += std::to_string(s.serverUnderruns) + " underruns of a playback stream, " + std::to_string(s.serverOverruns)
            + " overruns of a record stream";
        if (!s.serverLines.empty())
            text += " (" + s.serverLines + ")";
    }
    text += ". Machine: ";
    if (!s.machineMeasured) {
        text += "its stills not measured";
    } else {
        char still[120];
        std::snprintf(still, sizeof still, "stood still %zu times 5 ms or more, the longest %.1f ms",
                      s.machineStillsMs.size(), longestStill(s));
        text += still;
    }
    return text;
}

AccountSampler::AccountSampler(std::function<AccountPoint()> read)
    : read_(std::move(read))
{
    thread_ = std::thread([this] {
        sched_param lowest{};
        lowest.sched_priority = sched_get_priority_min(SCHED_RR);
        pthread_setschedparam(pthread_self(), SCHED_RR, &lowest);
        while (!stop_.load(std::memory_order_relaxed)) {
            const double at = steadySeconds();
            AccountPoint point = read_();
            point.at = at;
            {
                std::lock_guard<std::mutex> lock(mutex_);
                points_.push_back(point);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    });
}

AccountSampler::~AccountSampler()
{
    stop();
}

std::vector<AccountPoint> AccountSampler::stop()
{
    stop_ = true;
    if (thread_.joinable())
        thread_.join();
    std::lock_guard<std::mutex> lock(mutex_);
    return points_;
}

namespace {

// How long the spans of `stills` cover of [from, to].
double stillWithin(const std::vector<std::pair<double, double>>& stills, double from, double to)
{
    double covered = 0;
    for (const auto& [a, b] : stills)
        covered += std::max(0.0, std::min(b, to) - std::max(a, from));
    return covered;
}

std::string ms(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.1f ms", value);
    return text;
}

} // namespace

std::vector<GapRecord> gapRecords(const Continuity& c, const Sides& s)
{
    std::vector<GapRecord> records;
    const auto& account = s.account;
    std::int64_t perCallback = 256;
    if (account.size() >= 2 && account.back().callbacks > account.front().callbacks)
        perCallback = std::max<std::int64_t>(
            1, std::int64_t((account.back().framesAsked - account.front().framesAsked)
                            / (account.back().callbacks - account.front().callbacks)));
    const double latencyMs = s.latency.bufferMs >= 0 && s.latency.sinkMs >= 0 ? s.latency.bufferMs + s.latency.sinkMs
                                                                              : kDefaultLatencyMs;
    const double bufferMs = s.latency.bufferMs >= 0 ? s.latency.bufferMs : kDefaultLatencyMs;
    const double soundStart =
        s.recordingStartedAt >= 0 ? s.recordingStartedAt + double(c.firstSound) / 44100.0 : -1;
    std::size_t silentBefore = 0; // of the gaps before: recorded, never played
    for (const Continuity::Gap& g : c.gapList) {
        GapRecord r;
        r.ms = 1000.0 * double(g.frames) / 44100.0;
        r.at = double(g.at) / 44100.0;
        r.framesPerCallback = perCallback;
        r.streamBufferMs = s.latency.bufferMs;
        r.serverUnderruns = s.serverUnderruns;
        r.serverOverruns = s.serverOverruns;
        r.glasswellRealTimeWaitMs = s.glasswellRealTimeWaitMs;
        r.serverWaitMs = s.serverWaitMs;
        r.machineMeasured = s.machineMeasured;

        // Glasswell rendered the frames ahead of the gap when its counter
        // reached them: the recording holds every frame played, in order.
        if (!account.empty()) {
            const std::uint64_t target = account.front().framesPlayed + (g.at - silentBefore);
            const auto reached = std::find_if(account.begin(), account.end(),
                                              [target](const AccountPoint& p) { return p.framesPlayed >= target; });
            if (reached != account.end()) {
                // Until the next callback would have come once what the
                // stream held had played: a late one shows only then.
                const double from = reached->at - kGapTimeMarginMs / 1000.0;
                const double to = reached->at + (r.ms + bufferMs + kGapTimeMarginMs) / 1000.0;
                auto first = reached;
                while (first != account.begin() && first->at > from)
                    --first;
                auto last = reached;
                while (last + 1 != account.end() && last->at < to)
                    ++last;
                r.accounted = last->at >= reached->at + r.ms / 1000.0;
                r.silentFrames = last->silentFrames - first->silentFrames;
                r.starvedFrames = last->starvedFrames - first->starvedFrames;
                r.lockTaken = last->lockTaken - first->lockTaken;
                r.framesNotPlayed = std::int64_t(last->framesAsked - first->framesAsked)
                    - std::int64_t(last->framesPlayed - first->framesPlayed);
                for (auto p = first; p <= last; ++p) {
                    // Since the latest start: a lower bound of the callback's
                    // own time while under way, and of the time to the next.
                    const double since = p->at - p->lastStart;
                    const double still = stillWithin(s.machineStills, p->lastStart, p->at);
                    if (p->lastStart > 0 && since > 0) {
                        r.callbackIntervalMs = std::max(r.callbackIntervalMs, 1000.0 * (since - still));
                        if (p->lastStart > p->lastEnd)
                            r.callbackRunMs = std::max(r.callbackRunMs, 1000.0 * (since - still));
                    }
                    // One callback between two readings: its interval exactly.
                    if (p != first && p->callbacks == (p - 1)->callbacks + 1 && (p - 1)->lastStart > 0) {
                        const double gap = p->lastStart - (p - 1)->lastStart;
                        const double stillThen = stillWithin(s.machineStills, (p - 1)->lastStart, p->lastStart);
                        r.callbackIntervalMs = std::max(r.callbackIntervalMs, 1000.0 * (gap - stillThen));
                    }
                }
            }
        }

        // The gap at the sink: the recorder's clock, widened by what the
        // stream and the sink hold ahead.
        if (soundStart >= 0) {
            r.timed = true;
            const double heard = soundStart + r.at;
            const double margin = (latencyMs + kGapTimeMarginMs) / 1000.0;
            for (const auto& [a, b] : s.machineStills) {
                if (b < heard - margin || a > heard + r.ms / 1000.0 + margin)
                    continue;
                if ((b - a) * 1000.0 > r.stillMs) {
                    r.stillMs = (b - a) * 1000.0;
                    r.stillAt = a - soundStart;
                }
            }
        }
        silentBefore += g.frames;
        records.push_back(r);
    }
    return records;
}

GapVerdict judgeGap(const GapRecord& r)
{
    GapVerdict v;
    const double callbackBufferMs = 1000.0 * double(r.framesPerCallback) / 44100.0;
    // Two readings of the account may each fall within a buffer under way.
    const std::int64_t readingSlack = 2 * r.framesPerCallback;
    if (r.accounted && r.silentFrames > 0) {
        v.side = "Glasswell's render function, which rendered " + std::to_string(r.silentFrames)
            + " frames silent while playing around it (" + std::to_string(r.starvedFrames)
            + " for want of the reader's blocks; the render lock found taken " + std::to_string(r.lockTaken)
            + " times)";
    } else if (r.accounted && r.framesNotPlayed > readingSlack) {
        v.side = "Glasswell's render function: the device asked for " + std::to_string(r.framesNotPlayed)
            + " frames more than it played around it";
    } else if (r.accounted && r.callbackRunMs > callbackBufferMs) {
        v.side = "Glasswell's audio thread: a callback ran " + ms(r.callbackRunMs) + ", longer than the "
            + ms(callbackBufferMs) + " its buffer plays";
    } else if (r.accounted && r.streamBufferMs > 0 && r.callbackIntervalMs > r.streamBufferMs
               && !(r.serverWaitMs >= r.callbackIntervalMs - r.streamBufferMs)) {
        // Between two callbacks the audio thread waits in the library's
        // write for the server to take what it rendered: a server thread that
        // stood as long explains the late callback (it is named below).
        v.side = "Glasswell's audio thread: its callbacks came " + ms(r.callbackIntervalMs)
            + " apart, longer than the stream's buffer of " + ms(r.streamBufferMs);
    } else if (r.accounted && r.timed && r.machineMeasured && r.stillMs > 0 && r.stillMs + kStillRefillMs >= r.ms) {
        // After a still, the server and Glasswell's client each take a turn
        // to refill: a few ms more than the still itself.
        v.excused = true;
        char at[32];
        std::snprintf(at, sizeof at, "%.2f s", r.stillAt);
        v.side = "the machine's, which stood still over it: no CPU ran anything for " + ms(r.stillMs) + " at once at "
            + at + " of the sound, while Glasswell rendered every frame in time";
    } else if (r.serverUnderruns > 0 && r.glasswellRealTimeWaitMs >= 0 && r.glasswellRealTimeWaitMs > r.serverWaitMs) {
        v.side = "Glasswell's audio thread or its sound server client, real-time threads the machine did not run for "
            + ms(r.glasswellRealTimeWaitMs) + " at once (the server found the stream empty)";
    } else if (r.serverUnderruns > 0 && r.serverWaitMs >= 0) {
        v.serverStood = r.accounted && r.serverWaitMs >= r.ms;
        v.side = "the server's, whose thread waited " + ms(r.serverWaitMs)
            + " at once to run (it found the stream empty; Glasswell's callbacks came on time)";
    } else if (r.serverUnderruns > 0) {
        v.side = "the server's or Glasswell's sound server client (the server found the stream empty; Glasswell's "
                 "callbacks came on time)";
    } else if (r.serverOverruns > 0) {
        v.side = "the recorder (the server dropped its frames)";
    } else if (!r.accounted) {
        v.side = "not known (Glasswell's account does not reach it)";
    } else if (r.serverUnderruns == 0) {
        v.side = "the sound server or the recorder (Glasswell rendered every frame in time and the stream never ran "
                 "dry)";
    } else {
        v.side = "not known (the server's log could not be read; Glasswell rendered every frame in time)";
    }
    return v;
}

Judgement judge(const Continuity& c, const Sides& s)
{
    Judgement j;
    j.soundingShare = c.soundingShare();
    if (c.gaps == 0)
        return j;
    const std::vector<GapRecord> records = gapRecords(c, s);
    std::size_t excusedFrames = 0;
    std::string listed;
    // Gaps beyond the records are not judged.
    bool serverStoodOverEvery = records.size() == c.gaps;
    for (std::size_t i = 0; i < records.size(); ++i) {
        const GapVerdict v = judgeGap(records[i]);
        if (v.excused)
            excusedFrames += c.gapList[i].frames;
        else
            serverStoodOverEvery = serverStoodOverEvery && v.serverStood;
        if (i < 8) {
            char gap[96];
            std::snprintf(gap, sizeof gap, "%s of silence at %.3f s of the sound was ", ms(records[i].ms).c_str(),
                          records[i].at);
            listed += gap + v.side + (v.excused ? " (excused)" : "") + ". ";
        }
    }
    // Gaps beyond those listed are judged Glasswell's: nothing excuses them.
    j.gaps = c.gaps - std::size_t(std::count_if(records.begin(), records.end(),
                                                [](const GapRecord& r) { return judgeGap(r).excused; }));
    if (c.frames > excusedFrames)
        j.soundingShare = double(c.sounding) / double(c.frames - excusedFrames);
    j.serverStoodOverEveryGap = j.gaps > 0 && serverStoodOverEvery;
    j.message = std::to_string(c.gaps) + (c.gaps == 1 ? " gap, " : " gaps, ") + std::to_string(j.gaps)
        + " not excused: " + listed + describe(s);
    return j;
}

namespace {

// The private server's folder from PULSE_SERVER ("unix:<folder>/runtime/native").
std::string privateServerFolder()
{
    const char* server = std::getenv("PULSE_SERVER");
    if (server == nullptr)
        return {};
    std::string path = server;
    if (path.rfind("unix:", 0) == 0)
        path.erase(0, 5);
    const std::string tail = "/runtime/native";
    if (path.size() <= tail.size() || path.compare(path.size() - tail.size(), tail.size(), tail) != 0)
        return {};
    return path.substr(0, path.size() - tail.size());
}

long long fileSize(const std::string& path)
{
    struct stat st{};
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) ? static_cast<long long>(st.st_size) : -1;
}

} // namespace

ServerLog::ServerLog()
{
    const std::string folder = privateServerFolder();
    if (folder.empty())
        return;
    // PipeWire's PulseAudio server, else the PulseAudio daemon.
    for (const std::string& candidate : {folder + "/config/pipewire/pulse-server.log", folder + "/daemon.log"}) {
        const long long size = fileSize(candidate);
        if (size >= 0) {
            path_ = candidate;
            start_ = size;
            return;
        }
    }
}

void ServerLog::account(Sides& sides) const
{
    if (path_.empty())
        return;
    std::ifstream in(path_, std::ios::binary);
    if (!in)
        return;
    in.seekg(start_);
    sides.serverUnderruns = 0;
    sides.serverOverruns = 0;
    int shown = 0;
    for (std::string line; std::getline(in, line);) {
        // PulseAudio: "Actual underrun of 'name'"; PipeWire: "UNDERFLOW",
        // "underrun", "overrun" of its streams.
        const bool under = line.find("underrun of '") != std::string::npos || line.find("UNDERFLOW") != std::string::npos
            || line.find("] underrun") != std::string::npos;
        // PulseAudio leaves silence in a record stream whose queue was full
        // ("Delay queue overflow!"), or queues it elsewhere.
        const bool over = line.find("] overrun") != std::string::npos || line.find("OVERFLOW") != std::string::npos
            || line.find("queue overflow") != std::string::npos || line.find("overrun, queuing") != std::string::npos;
        if (!under && !over)
            continue;
        ++(under ? sides.serverUnderruns : sides.serverOverruns);
        if (shown++ < 3)
            sides.serverLines += (sides.serverLines.empty() ? "" : " | ") + line.substr(0, 200);
    }
}

namespace {

// Whatever could be read: a thread may end while its files are read.
std::string readAll(const std::string& path)
{
    std::string text;
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return text;
    char chunk[4096];
    ssize_t n;
    while ((n = read(fd, chunk, sizeof chunk)) > 0)
        text.append(chunk, std::size_t(n));
    close(fd);
    return text;
}

std::vector<int> numbers(const std::string& folder)
{
    std::vector<int> result;
    if (DIR* d = opendir(folder.c_str())) {
        while (const dirent* e = readdir(d)) {
            char* end = nullptr;
            const long n = std::strtol(e->d_name, &end, 10);
            if (end != e->d_name && *end == '\0')
                result.push_back(int(n));
        }
        closedir(d);
    }
    return result;
}

// The processes of the private server: those whose PIDs the script that
// started it names (HG_PULSE_PIDS, as PrivateServer does for its own), and
// the one that answers on its socket.
std::vector<int> serverProcesses()
{
    const std::string folder = privateServerFolder();
    std::vector<int> result;
    if (folder.empty())
        return result;
    if (const char* named = std::getenv("HG_PULSE_PIDS")) {
        const std::string list = named;
        std::size_t from = 0;
        while (from < list.size()) {
            char* end = nullptr;
            const long pid = std::strtol(list.c_str() + from, &end, 10);
            if (end == list.c_str() + from)
                break;
            if (pid > 0)
                result.push_back(int(pid));
            from = std::size_t(end - list.c_str());
        }
    }
    // A server started otherwise: the process that answers on the socket at
    // least.
    const std::string socketPath = folder + "/runtime/native";
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const int probe = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (probe >= 0 && socketPath.size() < sizeof address.sun_path) {
        std::memcpy(address.sun_path, socketPath.c_str(), socketPath.size() + 1);
        ucred peer{};
        socklen_t length = sizeof peer;
        if (connect(probe, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0
            && getsockopt(probe, SOL_SOCKET, SO_PEERCRED, &peer, &length) == 0 && peer.pid > 0
            && std::find(result.begin(), result.end(), int(peer.pid)) == result.end())
            result.push_back(int(peer.pid));
    }
    if (probe >= 0)
        close(probe);
    return result;
}

std::string longestWait(const std::vector<std::pair<int, ThreadWaits::Track>>& tracks, bool own)
{
    const ThreadWaits::Track* worst = nullptr;
    const ThreadWaits::Track* worstRealTime = nullptr;
    for (const auto& [id, t] : tracks) {
        if (t.own != own)
            continue;
        if (worst == nullptr || t.longestNs > worst->longestNs)
            worst = &t;
        if (t.realTime && (worstRealTime == nullptr || t.longestNs > worstRealTime->longestNs))
            worstRealTime = &t;
    }
    if (worst == nullptr)
        return "not found";
    char line[200];
    std::snprintf(line, sizeof line, "'%s' %.1f ms at %.2f s", worst->name.c_str(), double(worst->longestNs) / 1e6,
                  worst->longestAt);
    std::string text = line;
    if (worstRealTime != nullptr && worstRealTime != worst) {
        std::snprintf(line, sizeof line, ", of the real-time ones '%s' %.1f ms at %.2f s", worstRealTime->name.c_str(),
                      double(worstRealTime->longestNs) / 1e6, worstRealTime->longestAt);
        text += line;
    }
    return text;
}

} // namespace

ThreadWaits::ThreadWaits()
    : processes_(serverProcesses())
    , origin_(std::chrono::steady_clock::now())
{
    processes_.push_back(getpid());
    cpu_set_t allowed;
    CPU_ZERO(&allowed);
    if (sched_getaffinity(0, sizeof allowed, &allowed) == 0) {
        late_.resize(std::size_t(CPU_COUNT(&allowed)));
        std::size_t index = 0;
        for (int cpu = 0; cpu < CPU_SETSIZE; ++cpu) {
            if (CPU_ISSET(cpu, &allowed))
                watchers_.emplace_back([this, index = index++, cpu] { watch(index, cpu); });
        }
    }
    sampler_ = std::thread([this] {
        sched_param lowest{};
        lowest.sched_priority = sched_get_priority_min(SCHED_RR);
        pthread_setschedparam(pthread_self(), SCHED_RR, &lowest);
        const int self = int(syscall(SYS_gettid));
        auto last = std::chrono::steady_clock::now();
        while (!stop_.load(std::memory_order_relaxed)) {
            const auto now = std::chrono::steady_clock::now();
            const double at = std::chrono::duration<double>(now - origin_).count();
            {
                std::lock_guard<std::mutex> lock(mutex_);
                longestSamplerStepMs_ =
                    std::max(longestSamplerStepMs_, std::chrono::duration<double, std::milli>(now - last).count());
                for (const int pid : processes_) {
                    const std::string tasks = "/proc/" + std::to_string(pid) + "/task/";
                    for (const int tid : numbers(tasks)) {
                        if (tid == self)
                            continue;
                        long long run = 0;
                        long long delay = 0;
                        if (std::sscanf(readAll(tasks + std::to_string(tid) + "/schedstat").c_str(), "%lld %lld", &run,
                                        &delay)
                            != 2)
                            continue;
                        auto it = std::find_if(tracks_.begin(), tracks_.end(), [tid](const auto& e) { return e.first == tid; });
                        if (it == tracks_.end()) {
                            Track t;
                            t.own = pid == getpid();
                            t.name = readAll(tasks + std::to_string(tid) + "/comm");
                            if (!t.name.empty() && t.name.back() == '\n')
                                t.name.pop_back();
                            t.delayNs = delay;
                            tracks_.emplace_back(tid, t);
                            continue;
                        }
                        Track& t = it->second;
                        const int policy = sched_getscheduler(tid) & ~SCHED_RESET_ON_FORK;
                        t.realTime = t.realTime || policy == SCHED_FIFO || policy == SCHED_RR;
                        if (delay - t.delayNs > t.longestNs) {
                            t.longestNs = delay - t.delayNs;
                            t.longestAt = at;
                        }
                        t.delayNs = delay;
                    }
                }
            }
            last = now;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    });
}

ThreadWaits::~ThreadWaits()
{
    stop();
}

void ThreadWaits::stop()
{
    stop_ = true;
    if (sampler_.joinable())
        sampler_.join();
    for (auto& w : watchers_) {
        if (w.joinable())
            w.join();
    }
}

void ThreadWaits::watch(std::size_t index, int cpu)
{
    cpu_set_t one;
    CPU_ZERO(&one);
    CPU_SET(cpu, &one);
    sched_param lowest{};
    lowest.sched_priority = sched_get_priority_min(SCHED_FIFO);
    const bool pinned = pthread_setaffinity_np(pthread_self(), sizeof one, &one) == 0;
    const bool realTime = pthread_setschedparam(pthread_self(), SCHED_FIFO, &lowest) == 0;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        watcherIds_.push_back(int(syscall(SYS_gettid)));
        watchersRealTime_ = watchersRealTime_ && pinned && realTime;
    }
    // An ordinary watcher measures nothing of the machine's stills, and a
    // thread per core that wakes every millisecond would be load of its own.
    if (!pinned || !realTime)
        return;
    const timespec step{0, 1000000};
    auto last = std::chrono::steady_clock::now();
    while (!stop_.load(std::memory_order_relaxed)) {
        clock_nanosleep(CLOCK_MONOTONIC, 0, &step, nullptr);
        const auto now = std::chrono::steady_clock::now();
        if (now - last > std::chrono::milliseconds(5)) {
            std::lock_guard<std::mutex> lock(mutex_);
            late_[index].emplace_back(std::chrono::duration<double>(last - origin_).count(),
                                      std::chrono::duration<double>(now - origin_).count());
        }
        last = now;
    }
}

void ThreadWaits::account(Sides& sides)
{
    stop();
    std::lock_guard<std::mutex> lock(mutex_);
    char line[80];
    std::snprintf(line, sizeof line, " (read at most %.1f ms apart)", longestSamplerStepMs_);
    // The watchers are the witness's, not Glasswell's.
    tracks_.erase(std::remove_if(tracks_.begin(), tracks_.end(),
                                 [this](const auto& e) {
                                     return std::find(watcherIds_.begin(), watcherIds_.end(), e.first)
                                         != watcherIds_.end();
                                 }),
                  tracks_.end());
    const auto realTimeThreads = std::size_t(
        std::count_if(tracks_.begin(), tracks_.end(), [](const auto& e) { return e.second.realTime; }));
    sides.machineMeasured = watchersRealTime_ && watcherIds_.size() == late_.size() && late_.size() > realTimeThreads;
    if (sides.machineMeasured) {
        // Spans in which every watcher was late at once.
        std::vector<std::pair<double, double>> still = late_.front();
        for (std::size_t w = 1; w < late_.size(); ++w) {
            std::vector<std::pair<double, double>> both;
            std::size_t i = 0;
            std::size_t j = 0;
            while (i < still.size() && j < late_[w].size()) {
                const double from = std::max(still[i].first, late_[w][j].first);
                const double to = std::min(still[i].second, late_[w][j].second);
                if (from < to)
                    both.emplace_back(from, to);
                if (still[i].second < late_[w][j].second)
                    ++i;
                else
                    ++j;
            }
            still = std::move(both);
        }
        double longest = 0;
        for (const auto& [from, to] : still) {
            const double ms = (to - from) * 1000.0;
            if (ms < 5.0)
                continue;
            sides.machineStillsMs.push_back(ms);
            const double origin = std::chrono::duration<double>(origin_.time_since_epoch()).count();
            sides.machineStills.emplace_back(origin + from, origin + to);
            if (ms > longest) {
                longest = ms;
                sides.machineStillAt = from;
            }
        }
    }
    sides.glasswellWaits = "this process " + longestWait(tracks_, true);
    sides.serverWaits = longestWait(tracks_, false) + line;
    sides.glasswellRealTimeWaitMs = 0;
    sides.serverWaitMs = 0;
    for (const auto& [id, t] : tracks_) {
        if (t.own && t.realTime)
            sides.glasswellRealTimeWaitMs = std::max(sides.glasswellRealTimeWaitMs, double(t.longestNs) / 1e6);
        else if (!t.own)
            sides.serverWaitMs = std::max(sides.serverWaitMs, double(t.longestNs) / 1e6);
    }
}

void LoopWatch::tick()
{
    const auto now = std::chrono::steady_clock::now();
    if (last_ != std::chrono::steady_clock::time_point{})
        longest_ = std::max(longest_, std::chrono::duration<double, std::milli>(now - last_).count());
    last_ = now;
}

PrivateServer::PrivateServer()
{
    // In /tmp whatever TMPDIR is: the server's socket path must fit in 108
    // bytes, and its addresses ("unix:<path>") take no blanks.
    std::string pattern = "/tmp/hg-pulse-own.XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) {
        problem_ = "no private folder for a sound server could be made";
        return;
    }
    folder_ = pattern;
    for (const char* sub : {"/runtime", "/state", "/config"})
        mkdir((folder_ + sub).c_str(), 0700);
    {
        std::ifstream random("/dev/urandom", std::ios::binary);
        std::string cookie(256, '\0');
        random.read(cookie.data(), std::streamsize(cookie.size()));
        std::ofstream(folder_ + "/cookie", std::ios::binary) << cookie;
        std::ofstream(folder_ + "/client.conf") << "autospawn = no\ndefault-server = unix:" << folder_
                                                << "/runtime/native\ncookie-file = " << folder_ << "/cookie\n";
    }
    const std::pair<const char*, std::string> client[] = {
        {"PULSE_SERVER", "unix:" + folder_ + "/runtime/native"},
        {"PULSE_COOKIE", folder_ + "/cookie"},
        {"PULSE_CLIENTCONFIG", folder_ + "/client.conf"},
        // Named by start().
        {"HG_PULSE_PIDS", ""},
    };
    for (const auto& [name, value] : client) {
        const char* old = std::getenv(name);
        saved_.emplace_back(name, old ? std::string(1, '=') + old : std::string());
        setenv(name, value.c_str(), 1);
    }
    start();
}

PrivateServer::~PrivateServer()
{
    end();
    for (const auto& [name, value] : saved_) {
        if (value.empty())
            unsetenv(name.c_str());
        else
            setenv(name.c_str(), value.c_str() + 1, 1);
    }
    if (!folder_.empty()) {
        const std::string command = "rm -rf '" + folder_ + "'";
        if (std::system(command.c_str()) != 0)
            std::fprintf(stderr, "could not remove %s\n", folder_.c_str());
    }
}

bool PrivateServer::start()
{
    if (folder_.empty() || pid_ > 0)
        return false;
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
        const std::string entry = *e;
        const std::string name = entry.substr(0, entry.find('='));
        if (name != "DISPLAY" && name != "WAYLAND_DISPLAY" && name != "DBUS_SESSION_BUS_ADDRESS"
            && name.rfind("PULSE_", 0) != 0)
            env.push_back(entry);
    }
    // No session bus: a desktop's daemon holds the bus name the daemon asks for.
    env.push_back("DBUS_SESSION_BUS_ADDRESS=unix:path=" + folder_ + "/no-session-bus");
    env.push_back("PULSE_RUNTIME_PATH=" + folder_ + "/runtime");
    env.push_back("PULSE_STATE_PATH=" + folder_ + "/state");
    env.push_back("PULSE_CONFIG_PATH=" + folder_ + "/config");
    std::vector<char*> envp;
    for (auto& e : env)
        envp.push_back(e.data());
    envp.push_back(nullptr);
    const std::string native = "module-native-protocol-unix socket=" + folder_ + "/runtime/native auth-cookie="
        + folder_ + "/cookie";
    // The null sink without rewinds, as scripts/pulse-null-sink.sh loads it:
    // with them it reports a drain done before the drained end is played.
    const char* const argv[] = {"pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1", "--disallow-exit",
                                "--log-target=stderr", "--log-level=debug", "--log-time", "--load", native.c_str(), "--load",
                                "module-null-sink sink_name=hg_null rate=44100 channels=2 norewinds=1", "--load",
                                "module-always-sink", nullptr};
    const std::string log = folder_ + "/daemon.log";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
    posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
    // A session of its own, as a desktop's sound server has: scheduled apart
    // from this test and its busy loops. No signal blocked, as the test main
    // blocks SIGXCPU for the engine.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&attributes, &none);
    const int spawned =
        posix_spawnp(&pid_, "pulseaudio", &actions, &attributes, const_cast<char* const*>(argv), envp.data());
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        pid_ = -1;
        problem_ = "pulseaudio could not be started: " + std::string(std::strerror(spawned));
        return false;
    }
    setenv("HG_PULSE_PIDS", std::to_string(pid_).c_str(), 1);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    for (;;) {
        if (waitpid(pid_, nullptr, WNOHANG) == pid_) {
            pid_ = -1;
            problem_ = "the private pulseaudio ended at once (see " + log + ")";
            return false;
        }
        pactl("set-default-sink hg_null");
        problem_ = testServerProblem();
        if (problem_.empty() || std::chrono::steady_clock::now() > deadline)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    if (!problem_.empty())
        end();
    return problem_.empty();
}

bool PrivateServer::freeze()
{
    return pid_ > 0 && kill(pid_, SIGSTOP) == 0;
}

bool PrivateServer::thaw()
{
    return pid_ > 0 && kill(pid_, SIGCONT) == 0;
}

void PrivateServer::end()
{
    if (pid_ <= 0)
        return;
    kill(pid_, SIGTERM);
    // A frozen daemon takes its TERM only once it runs again.
    kill(pid_, SIGCONT);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (waitpid(pid_, nullptr, WNOHANG) != pid_) {
        if (std::chrono::steady_clock::now() > deadline) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    pid_ = -1;
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
