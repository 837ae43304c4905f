#pragma once

// Judging what really came out of the output device: a recorder of this
// process's own PulseAudio stream, the measures of continuity taken on the
// recording, the rate of the played-sample counter against the steady clock
// or the device's, what each side did while a gap was heard, and a CPU load
// of one busy loop per core to play beside.
//
// Test and benchmark support only (PulseAudio's "pactl" and "parec", which
// reach the server named by PULSE_SERVER as the stream does), with a private
// PulseAudio daemon that a test may end and start again.

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <sys/types.h>

namespace OutputRecording {

// Why the PulseAudio server this process reaches is not one to play test
// signals on, or "" when it is: it must be named by PULSE_SERVER and have as
// its default sink the null sink "hg_null" at 44100 Hz, as the daemon of
// scripts/pulse-null-sink.sh has; never a desktop's own output.
std::string testServerProblem();
// Whether that server is PipeWire's PulseAudio server rather than PulseAudio.
bool serverIsPipeWire();

// The sink input of this process's stream on that null sink, waiting up to
// `wait` for PulseAudio to list it; "" without one (also when the stream went
// to another server or sink). Its monitor holds only what this process plays,
// not what other programs play into the same sink meanwhile.
std::string ownSinkInput(std::chrono::milliseconds wait);

// The latency of that sink input as the server reports it, in ms: what its
// buffer holds ahead of the sink, and what the sink renders ahead of its
// clock. -1 each where the server does not say.
struct StreamLatency
{
    double bufferMs = -1;
    double sinkMs = -1;
};
StreamLatency streamLatency(const std::string& sinkInput);

// The steady clock in seconds since its epoch, as the engine's callback
// record and every time of the judgement below.
double steadySeconds();

// "parec" recording one sink input's monitor as raw 16-bit stereo frames at
// 44100 Hz into a pipe that a thread drains. The monitor delivers frames
// (silence included, also when the stream runs dry) while the stream runs.
class StreamRecorder
{
public:
    StreamRecorder() = default;
    ~StreamRecorder();
    StreamRecorder(const StreamRecorder&) = delete;
    StreamRecorder& operator=(const StreamRecorder&) = delete;

    bool start(const std::string& sinkInput);
    // Everything the test sink plays, from every stream of every process:
    // both the stream a device change releases and the one it opens.
    bool startSinkMonitor();
    std::size_t recordedBytes();
    std::string recorded();
    // Ends the recorder and returns everything it delivered.
    std::string stop();
    // When the sink rendered the recording's frame 0 (steadySeconds), -1
    // before anything came: the earliest that every delivery allows, as a
    // frame reaches the recorder only after the sink rendered it.
    double startedAt();

private:
    bool startParec(const std::string& source);

    std::mutex mutex_;
    pid_t pid_ = -1;
    int fd_ = -1;
    std::thread reader_;
    std::string bytes_;
    double startedAt_ = -1; // under mutex_
};

// Silent frames (both channels 0) of a recording, between its first and its
// last sounding frame.
struct Continuity
{
    std::size_t frames = 0;      // first to last sound, both included
    std::size_t sounding = 0;
    std::size_t gaps = 0;        // silent runs of at least the minimum length
    std::size_t longestGap = 0;  // frames
    std::size_t firstSound = 0;  // frame index in the recording
    std::size_t longestGapAt = 0; // its first frame, counted from firstSound
    // Each gap, its first frame counted from firstSound (the first 64).
    struct Gap
    {
        std::size_t at = 0;
        std::size_t frames = 0;
    };
    std::vector<Gap> gapList;

    double soundingShare() const { return frames == 0 ? 0.0 : double(sounding) / double(frames); }
};
Continuity continuity(const std::string& s16Stereo, std::size_t minimumGap = 64);
// One line for logs: the sounding share, the gaps and the longest.
std::string describe(const Continuity& c);

// Samples of the played-sample counter (2 per frame) against the steady
// clock; the rate is the least-squares slope from the first sample that
// found the counter moved, in played seconds per second. A fit rather than
// two end points, because the sound server pulls audio in bursts.
class CounterRate
{
public:
    void sample(std::uint32_t counter);
    // Against a clock of the audio side instead (seconds of it): the frames
    // the device asked for, say. Both read together, so that the thread
    // sampling them may be late without changing the rate.
    void sample(std::uint32_t counter, double clockSeconds);
    std::size_t samples() const { return points_.size(); }
    double rate() const;
    // Wall seconds covered since the counter moved.
    double seconds() const;

private:
    std::chrono::steady_clock::time_point origin_;
    double clockOrigin_ = 0;
    std::uint32_t first_ = 0;
    bool started_ = false;
    std::vector<std::pair<double, double>> points_;
};

// What each side did while a play test played, so that a gap in the
// recording names whose it was. Glasswell's side: its audio thread (how
// often the library called back, and the longest time between two
// callbacks), its reader (frames rendered silent for want of its blocks),
// the render function's lock, and the thread that drives the test (the GUI
// thread of a window: the longest time it was away from its loop). The
// server's side: what the private server of scripts/pulse-null-sink.sh
// wrote into its log meanwhile, the playback stream found empty (an
// underrun: Glasswell's stream ran dry) or a record stream's frames dropped
// (the recorder did not keep up).
// Glasswell's own account at one moment (steadySeconds `at`, taken before
// the rest was read): what its audio thread and render function had done
// by then.
struct AccountPoint
{
    double at = 0;
    std::uint64_t callbacks = 0;
    std::uint64_t framesAsked = 0; // by the device
    // The latest callback's start and end (steadySeconds); a start after
    // the end is a callback under way.
    double lastStart = 0;
    double lastEnd = 0;
    std::uint64_t framesPlayed = 0; // the played-sample counter, in frames
    std::uint64_t silentFrames = 0; // rendered silent while playing, any path
    std::uint64_t starvedFrames = 0;
    std::uint64_t lockTaken = 0;
};

// Reads Glasswell's account every 2 ms from making to stop(), on a thread of
// the lowest real-time priority where the system grants it (else a normal
// one), so that the judgement knows what Glasswell did when a gap was heard.
class AccountSampler
{
public:
    // `read` fills everything but `at`; any thread may call it.
    explicit AccountSampler(std::function<AccountPoint()> read);
    ~AccountSampler();
    AccountSampler(const AccountSampler&) = delete;
    AccountSampler& operator=(const AccountSampler&) = delete;
    std::vector<AccountPoint> stop();

private:
    std::function<AccountPoint()> read_;
    std::atomic<bool> stop_{false};
    std::mutex mutex_;
    std::vector<AccountPoint> points_; // under mutex_
    std::thread thread_;
};

struct Sides
{
    std::uint64_t callbacks = 0;
    double longestCallbackIntervalMs = 0;
    std::uint64_t starvedFrames = 0;
    std::uint64_t lockTaken = 0;
    double loopAwayMs = 0;
    const char* loop = "the test thread";
    // The longest a thread of each side waited in the run queue, summed
    // over the time judged (ThreadWaits), and which thread that was.
    std::string glasswellWaits;
    std::string serverWaits;
    // The longest single waits in ms: of this process's real-time threads
    // (the audio thread, the sound server client's carrier), and of any
    // thread of the server. -1: not measured.
    double glasswellRealTimeWaitMs = -1;
    double serverWaitMs = -1;
    // -1: the server's log could not be read.
    long serverUnderruns = -1;
    long serverOverruns = -1;
    std::string serverLines; // the first few such lines
    // The times every CPU stood still at once (no thread of any process ran:
    // the host did not run this machine), 5 ms or longer, in ms, and when the
    // longest began (seconds after ThreadWaits was made). Not measured where
    // the watchers get no real-time priority (a busy machine would hold them
    // back), or where the real-time threads of both sides could hold every CPU.
    bool machineMeasured = false;
    std::vector<double> machineStillsMs;
    double machineStillAt = 0;
    // The same stills as spans of steadySeconds.
    std::vector<std::pair<double, double>> machineStills;
    // Glasswell's account over the time judged (AccountSampler), the
    // recorder's start (StreamRecorder::startedAt, -1 unknown) and the
    // stream's latency, so that each gap is set against what happened when
    // it was heard.
    std::vector<AccountPoint> account;
    double recordingStartedAt = -1;
    StreamLatency latency;
};
// The account of every side, in one line.
std::string describe(const Sides& sides);

// What is known of one gap: its length, when it was heard and rendered, and
// what each side did then.
struct GapRecord
{
    double ms = 0;
    double at = 0; // seconds into the sound
    // Glasswell's account from kGapTimeMarginMs before the frames ahead of
    // the gap were rendered (found by the played counter) until the gap, the
    // stream's buffer and that margin later, when a late callback has shown:
    // false when the account does not reach the gap's end.
    bool accounted = false;
    std::uint64_t silentFrames = 0;
    std::uint64_t starvedFrames = 0;
    std::uint64_t lockTaken = 0;
    // The frames the device asked for less those the counter played; a
    // buffer under way at each end may stand between the two readings.
    std::int64_t framesNotPlayed = 0;
    std::int64_t framesPerCallback = 256;
    // The longest a callback ran itself, and the longest from one callback's
    // start to the next, each less the time the machine stood still then
    // (lower bounds, as the account was read).
    double callbackRunMs = 0;
    double callbackIntervalMs = 0;
    double streamBufferMs = -1; // -1 unknown
    // The machine: the longest still within the gap's time at the sink
    // (with the stream's latency and kGapTimeMarginMs either side), 0 none;
    // `timed` false when the gap's time is not known.
    bool machineMeasured = false;
    bool timed = false;
    double stillMs = 0;
    double stillAt = 0; // seconds into the sound
    // The server, over the whole time judged (see Sides).
    long serverUnderruns = -1;
    long serverOverruns = -1;
    double glasswellRealTimeWaitMs = -1;
    double serverWaitMs = -1;
};
// A gap heard at the sink and the time the same frames were rendered by
// Glasswell are set against each other within this margin, beyond the
// stream's latency: the recorder's and the sampler's own delays.
constexpr double kGapTimeMarginMs = 100.0;
// Where the server does not tell the stream's latency: PulseAudio's for a
// stream that asks for none.
constexpr double kDefaultLatencyMs = 250.0;

struct GapVerdict
{
    // The gap was the machine's, not Glasswell's nor the server's: it stood
    // still over the gap while Glasswell's account shows every frame rendered
    // in time.
    bool excused = false;
    std::string side;
    // The server's: it found the stream empty while one of its threads stood
    // at least as long as the gap, and Glasswell's account reaches the gap
    // and shows every frame rendered in time.
    bool serverStood = false;
};
// Whose the gap was. Glasswell is named first: silence it rendered while
// playing, frames the device asked for that it did not play, and a
// callback that ran longer than its buffer plays are Glasswell's whatever
// else happened, and so are callbacks further apart than the stream's buffer
// holds unless a thread of the server stood as long as they were late (the
// audio thread waits for the server in the library's write). Only then a
// still of the machine over the gap excuses it, and the server is named.
GapVerdict judgeGap(const GapRecord& gap);
// The record of each gap of `c` from the sides' account.
std::vector<GapRecord> gapRecords(const Continuity& c, const Sides& sides);

struct Judgement
{
    std::size_t gaps = 0;       // not excused
    double soundingShare = 0;   // of the sound but the excused gaps
    // "" without a gap; else each gap with its side and the account of
    // every side.
    std::string message;
    // Every gap not excused is judged, and each was the server's, standing
    // as long (GapVerdict::serverStood).
    bool serverStoodOverEveryGap = false;
};
// The play tests' bounds, 0 gaps and 99.9 % sounding, apply to every gap
// that is not excused.
Judgement judge(const Continuity& c, const Sides& sides);

// The log of the private server this process reaches (PULSE_SERVER names
// its socket in the folder of scripts/pulse-null-sink.sh), from the moment
// the object is made: the lines that report a stream running dry or
// overflowing. The PulseAudio daemon writes them at its debug level, the
// PipeWire server at its info level, as pulse_start asks.
class ServerLog
{
public:
    ServerLog();
    bool readable() const { return !path_.empty(); }
    // Fills the server's part of `sides`.
    void account(Sides& sides) const;

private:
    std::string path_;
    long long start_ = 0;
};

// How long the threads of this process and of the private server waited
// in the run queue, from the object's making to account(): a thread of the
// lowest real-time priority (where the system grants it; below every thread
// of Glasswell and of the servers) reads the kernel's run delay of each
// (/proc/.../schedstat) every 5 ms. The run delay grows when a wait ends, so
// its largest step between two readings is about the longest single wait.
// Per side, the thread that waited longest at once, and when (seconds after
// the object was made); a starved thread shows here whether or not it made
// the gap. Beside it, one watcher pinned to each CPU, of the lowest
// real-time priority too, sleeps 1 ms at a time: where every watcher woke
// late over one span, no CPU ran anything of the machine.
class ThreadWaits
{
public:
    ThreadWaits();
    ~ThreadWaits();
    ThreadWaits(const ThreadWaits&) = delete;
    ThreadWaits& operator=(const ThreadWaits&) = delete;
    void account(Sides& sides);

    struct Track
    {
        bool own = false;
        std::string name;
        bool realTime = false;
        long long delayNs = 0;
        long long longestNs = 0;
        double longestAt = 0;
    };

private:
    void stop();
    void watch(std::size_t index, int cpu);

    std::vector<int> processes_;
    std::chrono::steady_clock::time_point origin_;
    std::atomic<bool> stop_{false};
    std::thread sampler_;
    std::mutex mutex_;
    std::vector<std::pair<int, Track>> tracks_; // by thread id, under mutex_
    double longestSamplerStepMs_ = 0;
    std::vector<std::thread> watchers_;
    std::vector<int> watcherIds_;                              // under mutex_
    bool watchersRealTime_ = true;                             // under mutex_
    std::vector<std::vector<std::pair<double, double>>> late_; // per watcher, seconds after origin_; under mutex_
};

// The longest time between two calls of tick(), in ms: how long the thread
// that calls it was away from its loop.
class LoopWatch
{
public:
    void tick();
    double longestMs() const { return longest_; }

private:
    std::chrono::steady_clock::time_point last_{};
    double longest_ = 0;
};

// A PulseAudio daemon of the object's own, as scripts/pulse-null-sink.sh
// starts one (a fresh folder in /tmp, null sink hg_null at 44100 Hz, no
// session bus), which this process reaches through PULSE_SERVER, PULSE_COOKIE
// and PULSE_CLIENTCONFIG for the object's life (the previous values come back
// after). end() ends it by its PID; start() starts it again on the same
// socket, as a sound server that restarts. freeze() stops it by its PID
// (SIGSTOP), as a server that hangs, and thaw() lets it go on. Only this
// daemon is ever ended or stopped.
class PrivateServer
{
public:
    PrivateServer();
    ~PrivateServer();
    PrivateServer(const PrivateServer&) = delete;
    PrivateServer& operator=(const PrivateServer&) = delete;

    // "" once the daemon answers as a private test server, else why not.
    std::string problem() const { return problem_; }
    bool start();
    void end();
    bool freeze();
    bool thaw();

private:
    std::string folder_;
    std::string problem_;
    pid_t pid_ = -1;
    std::vector<std::pair<std::string, std::string>> saved_;
};

// One busy thread per core for the object's life, ended at the latest after
// `bound`, so that a hung test cannot leave it spinning.
class CpuLoad
{
public:
    explicit CpuLoad(std::chrono::seconds bound);
    ~CpuLoad();
    CpuLoad(const CpuLoad&) = delete;
    CpuLoad& operator=(const CpuLoad&) = delete;

    std::size_t threads() const { return threads_.size(); }

private:
    std::atomic<bool> stop_{false};
    std::vector<std::thread> threads_;
};

} // namespace OutputRecording
