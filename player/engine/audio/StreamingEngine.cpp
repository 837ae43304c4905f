#include "player/engine/audio/StreamingEngine.h"

#include "player/engine/audio/RealTimeLimit.h"
#include "player/engine/audio/RealtimeKit.h"

#include <QtGlobal>

#include <alsa/asoundlib.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <thread>

#include <pthread.h>
#include <sched.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace Audio {

namespace {

// The library's error callback has no user data. The link of the stream
// whose thread this is, set by every audio callback (the failing write
// follows the callback on the same thread); and, on the GUI thread, whether
// it is closing a lost stream, and on a releasing thread always: their
// further complaints are the same loss, or about a stream given up.
thread_local StreamLink* t_streamLink = nullptr;
thread_local bool t_closingLostStream = false;

// One system call on the current thread; the reset-on-fork flag (set by
// RealtimeKit) is kept, as an unprivileged thread must.
void dropToNormalPolicy()
{
    const sched_param normal{};
    sched_setscheduler(0, SCHED_OTHER | (sched_getscheduler(0) & SCHED_RESET_ON_FORK), &normal);
}

} // namespace

int rtaudio_callback(void* outputBuffer, void* /*inputBuffer*/, unsigned int frameCount, double /*streamTime*/,
                     RtAudioStreamStatus /*status*/, void* userData)
{
    auto* link = static_cast<StreamLink*>(userData);
    t_streamLink = link;
    RealTimeLimit::leaveRealTimeAfterOverrun();
    // Counted before the look at the release, which waits for it (both
    // sequentially consistent): either this sees the release, or the release
    // sees this callback under way.
    link->inCallback.fetch_add(1);
    int result = 0;
    if (link->released.load())
        std::memset(outputBuffer, 0, std::size_t(frameCount) * StreamingEngine::kChannels * sizeof(float));
    else
        result = link->engine->process(outputBuffer, frameCount);
    link->inCallback.fetch_sub(1, std::memory_order_release);
    return result;
}

namespace {

// The library reports everything its audio thread meets as a warning, the
// write that fails for good (a sound server gone) as much as an underrun,
// after which it has prepared the device again and plays on (ALSA's
// back end): only that one's text tells them apart.
bool isUnderrun(RtAudioError::Type type, const std::string& text)
{
    static const std::string underrun = "audio write error, underrun.";
    return type == RtAudioError::WARNING && text.size() >= underrun.size()
        && text.compare(text.size() - underrun.size(), underrun.size(), underrun) == 0;
}

} // namespace

void error_callback(RtAudioError::Type type, const std::string& errorText)
{
    if (StreamLink* link = t_streamLink) {
        // As in the audio callback: a release waits for this while under way.
        link->inCallback.fetch_add(1);
        if (!link->released.load() && isUnderrun(type, errorText))
            link->engine->noteDropout();
        else if (!link->released.load())
            link->engine->noteStreamError(errorText);
        else
            dropToNormalPolicy(); // loops until its releasing thread stops it
        link->inCallback.fetch_sub(1, std::memory_order_release);
        return;
    }
    if (t_closingLostStream)
        return;
    std::cout << errorText << std::endl;
}

namespace {

// Runs one library call; a failure goes to the error callback, as the
// library's own warnings do, and is returned as false.
template <typename Call>
bool reportErrors(Call call)
{
    try {
        call();
        return true;
    } catch (const RtAudioError& e) {
        error_callback(e.getType(), e.getMessage());
        return false;
    }
}

static_assert(RealTimeLimit::kTakerPriority > StreamingEngine::kRealTimePriority,
              "the thread that takes an overrun must preempt a runaway audio thread");

bool takerRunsRealTime()
{
    const pid_t taker = RealTimeLimit::takerThread();
    return taker != 0 && runsRealTime(taker);
}

// The sound server's client library carries every buffer to the server on a
// thread of its own, which the open starts on the calling thread with that
// thread's policy: a starved carrier leaves the server without audio as a
// starved audio thread would. So the open runs under the real-time policy
// where the system grants it, and the caller gets its own policy back after.
class RealTimeWhileOpening
{
public:
    RealTimeWhileOpening()
    {
        // After an overrun no thread of ours is made real-time again, nor
        // before the thread that takes an overrun runs real-time: under the
        // normal policy it may not run before a runaway thread meets the
        // hard limit, which ends the player.
        if (RealTimeLimit::overrunMet() || !takerRunsRealTime())
            return;
        sched_param realTime{};
        realTime.sched_priority = StreamingEngine::kRealTimePriority;
        raised_ = pthread_getschedparam(pthread_self(), &policy_, &param_) == 0
            && pthread_setschedparam(pthread_self(), SCHED_RR, &realTime) == 0;
    }
    // Whether this thread runs real-time now, by the system's direct grant.
    bool raised() const { return raised_; }
    ~RealTimeWhileOpening()
    {
        if (raised_)
            pthread_setschedparam(pthread_self(), policy_, &param_);
    }
    RealTimeWhileOpening(const RealTimeWhileOpening&) = delete;
    RealTimeWhileOpening& operator=(const RealTimeWhileOpening&) = delete;

private:
    int policy_ = SCHED_OTHER;
    sched_param param_{};
    bool raised_ = false;
};

} // namespace

namespace {

// ALSA's own messages (a card that is not there, a plug-in whose server is
// not), which it prints on every probe: while no server runs the device
// watch probes once a second.
extern "C" void ignoreAlsaMessage(const char*, int, const char*, int, const char*, ...) {}

// See Opening::run.
std::mutex g_libraryLists;

// A library object and the devices it counted; no object when the sound
// server is there but did not answer.
struct Probe
{
    std::unique_ptr<RtAudio> audio;
    unsigned devices = 0;
};

// As the library's own choice of a back end (the first in its order that
// lists a device, else the last), without its printed warnings. The sound
// server's back end waits for a server that does not answer (stopped,
// hung) until libpulse gives up, 30 s here; the back ends after it (ALSA,
// whose default device leads to that server) would then be kept for good,
// so such a probe keeps none: the next one asks again.
Probe probeDevices()
{
    snd_lib_error_set_handler(&ignoreAlsaMessage);
    std::vector<RtAudio::Api> apis;
    RtAudio::getCompiledApi(apis);
    Probe found;
    for (const RtAudio::Api api : apis) {
        const auto began = std::chrono::steady_clock::now();
        found.audio = std::make_unique<RtAudio>(api);
        // Warnings go through the error callback of an open stream; before
        // one is open the library would print them to stderr on its own.
        found.audio->showWarnings(false);
        found.devices = found.audio->getDeviceCount();
        if (found.devices > 0)
            break;
        if (api == RtAudio::LINUX_PULSE && std::chrono::steady_clock::now() - began >= StreamingEngine::kOpenWait)
            return {};
    }
    return found;
}

bool anyOutput(const std::vector<AudioDeviceInfo>& devices)
{
    return std::any_of(devices.begin(), devices.end(),
                       [](const AudioDeviceInfo& d) { return d.probed && d.hasOutput != 0; });
}

AudioDeviceInfo infoOf(RtAudio& audio, unsigned device)
{
    AudioDeviceInfo info;
    try {
        const RtAudio::DeviceInfo d = audio.getDeviceInfo(device);
        info.name = d.name;
        info.hasOutput = d.outputChannels > 0 ? 1 : 0;
        info.preferredSampleRate = d.preferredSampleRate;
        info.probed = d.probed;
    } catch (const RtAudioError&) {
        // A device the library could not query: an unprobed record the menu
        // skips.
    }
    return info;
}

} // namespace

// Handed over whole: the thread owns the library object and the link until
// `done`, and the GUI thread reads nothing else of it before.
struct StreamingEngine::Opening
{
    std::unique_ptr<RtAudio> audio;
    std::unique_ptr<StreamLink> link;
    bool probe = false;
    bool list = false;
    bool defaultDevice = false;
    RtAudio::StreamParameters parameters;
    RtAudio::StreamOptions options;
    unsigned bufferFrames = 256;
    std::vector<pid_t> threadsBefore;
    // This thread's id: not one the open started, although it has the name
    // of those (a thread's name is its maker's) and may still run when the
    // open is taken up late.
    pid_t thread = 0;
    // The engine's device when asked: an open back late on another one (the
    // user chose meanwhile) is not kept.
    unsigned deviceAsked = 0;

    // Found by the thread.
    bool probed = false;
    bool listed = false;
    std::vector<AudioDeviceInfo> devices;
    unsigned defaultFound = 0;
    bool opened = false;
    bool direct = false;

    std::mutex mutex;
    std::condition_variable back;
    bool done = false;      // under mutex
    bool abandoned = false; // under mutex: the engine has gone

    void run();
    void listAndOpen();
};

void StreamingEngine::Opening::run()
{
    thread = static_cast<pid_t>(syscall(SYS_gettid));
    // A thread takes the name of the thread that starts it: the library's
    // audio thread, which has none of its own, carries this one, and so is
    // told apart from the threads started elsewhere while the open ran (the
    // reader's, a release's).
    pthread_setname_np(pthread_self(), kAudioThreadName);
    // The library lists the sound server's devices (at every device count,
    // device query and open) through a main loop whose quit it keeps in one
    // variable of the process: two lists at once, an engine's and that of an
    // open a gone engine left waiting on a stopped server, quit one loop
    // twice and the other never, whose thread then waits for ever.
    std::unique_lock<std::mutex> lists(g_libraryLists);
    if (probe) {
        // A probe that finds no device keeps the present object, which
        // reconnects to its server on every open once that is back; so does
        // one whose server did not answer (none at the first probe).
        Probe fresh = probeDevices();
        if (fresh.audio && (!audio || fresh.devices > 0)) {
            audio = std::move(fresh.audio);
            probed = true;
        }
    }
    if (audio)
        listAndOpen();
    lists.unlock();
    bool gone = false;
    {
        std::lock_guard<std::mutex> lock(mutex);
        gone = abandoned;
        done = true;
    }
    back.notify_all();
    if (gone && audio) {
        // Never started, so no callback reaches the link.
        t_closingLostStream = true;
        if (audio->isStreamOpen())
            reportErrors([this] { audio->closeStream(); });
        audio.reset();
    }
}

void StreamingEngine::Opening::listAndOpen()
{
    if (list) {
        const unsigned count = audio->getDeviceCount();
        for (unsigned i = 0; i < count; ++i)
            devices.push_back(infoOf(*audio, i));
        try {
            defaultFound = audio->getDefaultOutputDevice();
        } catch (const RtAudioError&) {
        }
        listed = true;
    }
    if (defaultDevice)
        parameters.deviceId = defaultFound;
    try {
        const RealTimeWhileOpening realTime;
        direct = realTime.raised();
        audio->openStream(&parameters, nullptr, RTAUDIO_FLOAT32, kSampleRate, &bufferFrames, &rtaudio_callback,
                          link.get(), &options, &error_callback);
        opened = true;
    } catch (const RtAudioError&) {
        // No device, or it cannot play this format at 44100 Hz: the caller
        // shows the sample-rate dialog.
    }
}

StreamingEngine::StreamingEngine()
    : link_(std::make_unique<StreamLink>(this))
{
}

StreamingEngine::~StreamingEngine()
{
    if (opening_) {
        std::lock_guard<std::mutex> lock(opening_->mutex);
        opening_->abandoned = true;
        // Back, but not taken up: its stream, never started, is released as
        // any; otherwise its thread closes it.
        if (opening_->done) {
            audio_ = std::move(opening_->audio);
            link_ = std::move(opening_->link);
        }
    }
    releaseStream();
    // What it would call may go with this engine.
    if (closing_) {
        std::lock_guard<std::mutex> lock(closing_->mutex);
        closing_->whenClosed = nullptr;
    }
}

void StreamingEngine::setWhenReleased(std::function<void()> closed)
{
    whenReleased_ = std::move(closed);
}

int StreamingEngine::process(void* outputBuffer, unsigned int frameCount)
{
    // Once per stream, outside every lock: one system call that asks the
    // kernel (not a cached copy) for this thread's policy; no allocation and
    // no output here, a normal thread tells it.
    if (scheduling_.load(std::memory_order_relaxed) == Scheduling::Unknown) {
        const int policy = sched_getscheduler(0) & ~SCHED_RESET_ON_FORK;
        const bool realTime = policy == SCHED_FIFO || policy == SCHED_RR;
        scheduling_.store(realTime ? Scheduling::RealTime : Scheduling::Normal, std::memory_order_release);
    }
    // The clock is read through the vDSO: no system call, no lock.
    const std::int64_t now = std::chrono::duration_cast<std::chrono::nanoseconds>(
                                  std::chrono::steady_clock::now().time_since_epoch())
                                  .count();
    const std::int64_t last = lastCallbackNs_.exchange(now, std::memory_order_relaxed);
    if (last != 0 && now - last > longestCallbackIntervalNs_.load(std::memory_order_relaxed)) {
        longestCallbackIntervalNs_.store(now - last, std::memory_order_relaxed);
        longestCallbackEndedNs_.store(now, std::memory_order_relaxed);
    }
    callbacks_.fetch_add(1, std::memory_order_relaxed);
    callbackFrames_.fetch_add(frameCount, std::memory_order_relaxed);
    std::memset(outputBuffer, 0, std::size_t(frameCount) * kChannels * sizeof(float));
    // A lost device plays nothing: the library calls back as fast as its
    // writes fail, and the disc must not run through at that pace.
    const int result =
        !render_ || streamFailed_.load(std::memory_order_relaxed) ? 0 : render_(outputBuffer, frameCount);
    lastCallbackEndNs_.store(std::chrono::duration_cast<std::chrono::nanoseconds>(
                                 std::chrono::steady_clock::now().time_since_epoch())
                                 .count(),
                             std::memory_order_release);
    return result;
}

StreamingEngine::CallbackRecord StreamingEngine::callbackRecord() const
{
    CallbackRecord r;
    r.callbacks = callbacks_.load(std::memory_order_relaxed);
    r.frames = callbackFrames_.load(std::memory_order_relaxed);
    r.longestIntervalNs = longestCallbackIntervalNs_.load(std::memory_order_relaxed);
    r.longestEndedNs = longestCallbackEndedNs_.load(std::memory_order_relaxed);
    // The end first: a start read after it that is later belongs to a
    // callback still under way.
    r.lastEndNs = lastCallbackEndNs_.load(std::memory_order_acquire);
    r.lastStartNs = lastCallbackNs_.load(std::memory_order_acquire);
    return r;
}

void StreamingEngine::noteDropout()
{
    dropouts_.fetch_add(1, std::memory_order_relaxed);
}

void StreamingEngine::reportDropouts()
{
    const std::uint64_t dropouts = dropouts_.load(std::memory_order_relaxed);
    if (dropouts == dropoutsLogged_)
        return;
    const auto now = std::chrono::steady_clock::now();
    if (dropoutsLogged_ != 0 && now - dropoutLoggedAt_ < kDropoutLogInterval)
        return;
    qWarning("The audio stream ran dry %llu times (an underrun: the device played its buffer out before the next "
             "one came); playback goes on",
             static_cast<unsigned long long>(dropouts - dropoutsLogged_));
    dropoutsLogged_ = dropouts;
    dropoutLoggedAt_ = now;
}

void StreamingEngine::noteStreamError(const std::string& text)
{
    streamErrors_.fetch_add(1, std::memory_order_relaxed);
    if (!errorTextTaken_.exchange(true, std::memory_order_relaxed)) {
        const std::size_t n = std::min(text.size(), sizeof errorText_ - 1);
        std::memcpy(errorText_, text.data(), n);
        errorText_[n] = '\0';
        // Until the GUI thread has stopped the stream, the library calls back
        // as fast as its writes fail. Under the normal policy that loop takes
        // no core from other threads and cannot run into RLIMIT_RTTIME; the
        // next stream's threads are real-time again.
        dropToNormalPolicy();
    }
    streamFailed_.store(true, std::memory_order_release);
}

StreamingEngine::DeviceCheck StreamingEngine::checkDevice()
{
    RealTimeLimit::reportOverrun();
    reportDropouts();
    const bool wasLost = deviceLost_;
    const bool stillOpening = openStillRunning();
    if (lossUntold_) {
        lossUntold_ = false;
        if (deviceLost_)
            return DeviceCheck::Lost;
    }
    if (wasLost && !deviceLost_)
        return DeviceCheck::Restored;
    if (stillOpening)
        return DeviceCheck::StillLost;
    if (!deviceLost_) {
        if (!streamFailed_.load(std::memory_order_acquire) || !isStreamOpen())
            return DeviceCheck::Fine;
        // Stopped here, never from the callback: the audio thread then waits
        // in the library instead of looping on the failing write.
        t_closingLostStream = true;
        stopStream();
        closeStream();
        t_closingLostStream = false;
        deviceLost_ = true;
        lossLogged_ = true;
        lastReopen_ = std::chrono::steady_clock::now();
        const std::uint64_t repeats = streamErrorCount() - errorsAtStart_ - 1;
        qWarning("The audio device was lost (%s; %llu repeats not printed); the stream is closed and is reopened "
                 "once the device is back",
                 errorText_, static_cast<unsigned long long>(repeats));
        return DeviceCheck::Lost;
    }
    const auto now = std::chrono::steady_clock::now();
    // A released stream that has closed shows the server answering: the next
    // stream opens at once, since every moment waited here is silence.
    if (closing_ ? releasedStreamClosing() : now - lastReopen_ < kReopenInterval) {
        // A play-out ends within the audio the stream held; longer, the
        // server does not answer.
        if (closing_ && !lossLogged_ && now - lastReopen_ >= kReopenInterval) {
            lossLogged_ = true;
            qWarning("The released stream has not closed within %lld ms (the sound server has not answered yet); "
                     "no stream opens until it has",
                     static_cast<long long>(kReopenInterval.count()));
        }
        return DeviceCheck::StillLost;
    }
    lastReopen_ = now;
    return reopenIfLost() ? DeviceCheck::Restored : DeviceCheck::StillLost;
}

bool StreamingEngine::reopenIfLost()
{
    if (!deviceLost_)
        return isStreamRunning();
    return openCurrentDevice();
}

bool StreamingEngine::openCurrentDevice()
{
    RtAudio::StreamParameters parameters;
    parameters.deviceId = currentDevice_;
    parameters.nChannels = kChannels;
    parameters.firstChannel = 0;
    // Listed anew for the menu once it is back; probed anew (on the default
    // device) when the last probe found none, as an open that came back late
    // from a server that gave up on it.
    const bool none = devices_.empty();
    return openElsewhere(none ? nullptr : &parameters, none, true);
}

bool StreamingEngine::initialize(const RenderFunction& render)
{
    // A fresh probe would wait on the server that has not answered yet.
    if (openStillRunning() || releasedStreamClosing()) {
        render_ = render;
        return false;
    }
    if (isStreamOpen()) {
        // The audio thread reads the render function without a lock, so it is
        // replaced only while no callback can run. The library's stop waits
        // for the sound server (a drain), which may not answer: the stream is
        // released to a thread of its own and opened again on its device
        // once that has closed, here or, later, by the device watch.
        if (!audio_->isStreamRunning()) {
            render_ = render;
            return true;
        }
        const bool closed = releaseStream(Release::PlayOut) || releasedStreamClosedWithin(kOpenWait);
        render_ = render;
        if (!closed) {
            reopenOnceAnswered();
            return false;
        }
        return openCurrentDevice();
    }
    render_ = render;
    // The library picks its back end and lists the devices once per object:
    // one made before the sound server started has settled for another back
    // end without devices.
    return openElsewhere(nullptr, true, true);
}

bool StreamingEngine::reportScheduling()
{
    const Scheduling scheduling = audioScheduling();
    if (scheduling == Scheduling::Unknown || wayLogged_.exchange(true))
        return false;
    if (scheduling == Scheduling::RealTime && way_ == RealTimeWay::RealtimeKit)
        qInfo("The audio threads run real-time (SCHED_RR) through RealtimeKit");
    else if (scheduling == Scheduling::RealTime)
        qInfo("The audio threads run real-time (SCHED_RR), granted directly");
    else
        qWarning("Real-time scheduling was refused for the audio thread (no CAP_SYS_NICE or RLIMIT_RTPRIO; %s); "
                 "it runs under the normal policy, and a loaded machine may interrupt playback",
                 realTimeProblem_.empty() ? "RealtimeKit was not asked" : realTimeProblem_.c_str());
    return true;
}

void StreamingEngine::askRealtimeKit(const std::vector<pid_t>& before)
{
    // The threads the open started that the system did not make real-time:
    // the library's audio thread, named as the opening thread, and the sound
    // server client's carrier, which names itself.
    std::vector<pid_t> started;
    for (const pid_t thread : threadsOfThisProcess()) {
        if (std::binary_search(before.begin(), before.end(), thread) || runsRealTime(thread))
            continue;
        const std::string name = threadName(thread);
        if (name == kAudioThreadName || name == "threaded-ml")
            started.push_back(thread);
    }
    if (started.empty())
        return;
    // First the thread that takes their overrun, one priority above them:
    // without it they stay under the normal policy, as an overrun would end
    // the player.
    const pid_t taker = RealTimeLimit::takerThread();
    std::string problem;
    if (taker == 0)
        problem = "no thread takes a real-time overrun";
    else if (!runsRealTime(taker))
        problem = RealtimeKit::makeThreadsRealtime({taker}, RealTimeLimit::kTakerPriority);
    if (!problem.empty())
        problem = "the thread that takes an overrun is not real-time: " + problem;
    else
        problem = RealtimeKit::makeThreadsRealtime(started, kRealTimePriority);
    realTimeProblem_ = problem;
    way_ = problem.empty() ? RealTimeWay::RealtimeKit : RealTimeWay::Refused;
}

bool StreamingEngine::setupStream(RtAudio::StreamParameters& parameters)
{
    return openElsewhere(&parameters, false, false);
}

bool StreamingEngine::openElsewhere(const RtAudio::StreamParameters* device, bool probe, bool list)
{
    // The open would wait on the server that has not answered the close, or
    // the open before.
    if (openStillRunning() || releasedStreamClosing())
        return false;
    // The one that was still under way has just been taken up.
    if (isStreamOpen())
        return isStreamRunning();
    auto opening = std::make_shared<Opening>();
    opening->audio = std::move(audio_);
    opening->link = std::move(link_);
    opening->probe = probe || !opening->audio;
    opening->list = list || opening->probe;
    opening->defaultDevice = device == nullptr;
    if (device)
        opening->parameters = *device;
    opening->parameters.nChannels = kChannels;
    if (!RealTimeLimit::overrunMet())
        opening->options.flags = RTAUDIO_SCHEDULE_REALTIME;
    opening->options.priority = kRealTimePriority;
    opening->bufferFrames = bufferFrames_;
    opening->deviceAsked = currentDevice_;
    // First: its first call starts a thread, which the open did not.
    RealTimeLimit::arm();
    opening->threadsBefore = threadsOfThisProcess();
    std::thread thread([opening] { opening->run(); });
    bool back = false;
    {
        std::unique_lock<std::mutex> lock(opening->mutex);
        back = opening->back.wait_for(lock, kOpenWait, [&opening] { return opening->done; });
    }
    if (back) {
        // It only ends now: none of its threads is left to be counted.
        thread.join();
        return takeUp(*opening, false);
    }
    // Detached: a server that never answers holds it until the process ends,
    // which must not wait for it.
    thread.detach();
    opening_ = opening;
    if (!deviceLost_) {
        deviceLost_ = true;
        lossUntold_ = true;
    }
    lossLogged_ = true;
    lastReopen_ = std::chrono::steady_clock::now();
    qWarning("The sound server did not answer within %lld ms; the stream opens once it has",
             static_cast<long long>(kOpenWait.count()));
    return false;
}

bool StreamingEngine::openStillRunning()
{
    if (!opening_)
        return false;
    {
        std::lock_guard<std::mutex> lock(opening_->mutex);
        if (!opening_->done)
            return true;
    }
    const std::shared_ptr<Opening> opening = std::move(opening_);
    takeUp(*opening, true);
    return false;
}

bool StreamingEngine::takeUp(Opening& opening, bool late)
{
    audio_ = std::move(opening.audio);
    link_ = std::move(opening.link);
    bufferFrames_ = opening.bufferFrames;
    if (opening.probed)
        ++probeCount_;
    // A list the server did not give (it has gone) leaves the last one.
    if (opening.listed && (opening.opened || !opening.devices.empty() || opening.probed)) {
        devices_ = std::move(opening.devices);
        defaultDevice_ = opening.defaultFound;
    }
    const bool chosenMeanwhile = late && currentDevice_ != opening.deviceAsked;
    if (opening.defaultDevice && !chosenMeanwhile)
        currentDevice_ = opening.parameters.deviceId;
    if (!opening.opened) {
        // No object, nothing listed to play on, or a refusal of the sound
        // server's back end (which resamples, so that no rate is refused;
        // it may list the devices of a server that has gone, as the library
        // keeps them): no sound server took the stream. That is a lost
        // output, which the device watch takes up once a server answers. A
        // device of another back end (a card, JACK) may refuse the format:
        // that is the caller's to tell.
        if (!audio_
            || (opening.listed && (!anyOutput(devices_) || audio_->getCurrentApi() == RtAudio::LINUX_PULSE)))
            noteNoOutput();
        return false;
    }
    if (chosenMeanwhile) {
        // Another device was chosen meanwhile; it is opened as a lost one is.
        releaseStream();
        return false;
    }
    std::vector<pid_t>& before = opening.threadsBefore;
    before.insert(std::upper_bound(before.begin(), before.end(), opening.thread), opening.thread);
    // Asked from here, before the start: the audio thread has not run a
    // buffer yet, and no D-Bus call ever runs on it.
    way_ = RealTimeWay::Direct;
    if (!opening.direct && (opening.options.flags & RTAUDIO_SCHEDULE_REALTIME) != 0) {
        askRealtimeKit(opening.threadsBefore);
        // The RealtimeKit road set the soft limit to the hard one.
        RealTimeLimit::arm();
    }
    if (!audio_->isStreamRunning() && !startOrClose())
        return false;
    currentDevice_ = opening.parameters.deviceId;
    if (deviceLost_) {
        deviceLost_ = false;
        lossUntold_ = false;
        if (lossLogged_)
            qWarning("The audio device is back; the stream plays again");
        lossLogged_ = false;
    }
    return true;
}

void StreamingEngine::noteNoOutput()
{
    lastReopen_ = std::chrono::steady_clock::now();
    if (deviceLost_)
        return;
    deviceLost_ = true;
    lossUntold_ = true;
    lossLogged_ = true;
    qWarning("No sound server answered and no audio output device was found; the stream opens once there is one");
}

bool StreamingEngine::startOrClose()
{
    scheduling_.store(Scheduling::Unknown, std::memory_order_relaxed);
    // No callback runs now: the stream is stopped or was never started.
    errorTextTaken_.store(false, std::memory_order_relaxed);
    errorsAtStart_ = streamErrorCount();
    streamFailed_.store(false, std::memory_order_release);
    if (reportErrors([this] { audio_->startStream(); }))
        return true;
    // An open stream that does not run plays nothing; report it like a failed
    // open so that the user is told and can retry.
    closeStream();
    return false;
}

bool StreamingEngine::isStreamOpen() const
{
    return audio_ && audio_->isStreamOpen();
}

bool StreamingEngine::isStreamRunning() const
{
    return audio_ && audio_->isStreamRunning();
}

void StreamingEngine::stopStream()
{
    if (isStreamRunning())
        reportErrors([this] { audio_->stopStream(); });
}

void StreamingEngine::closeStream()
{
    if (isStreamOpen())
        reportErrors([this] { audio_->closeStream(); });
}

bool StreamingEngine::releaseStream(Release how)
{
    if (!isStreamOpen())
        return true;
    auto closing = std::make_shared<Closing>();
    // From here on the stream's callbacks play silence and touch nothing of
    // this engine.
    link_->released.store(true);
    closing->link = std::move(link_);
    closing->audio = std::move(audio_);
    closing->whenClosed = whenReleased_;
    audio_ = std::make_unique<RtAudio>(closing->audio->getCurrentApi());
    audio_->showWarnings(false);
    link_ = std::make_unique<StreamLink>(this);
    // Detached: a server that never answers holds it until the process ends,
    // which must not wait for it.
    std::thread([closing, how] {
        t_closingLostStream = true;
        RtAudio& audio = *closing->audio;
        // A stream given up at the close need not sound to its end. At a
        // device change the audio it holds has been rendered: dropped, the
        // play position would have moved on past it unheard. Its callbacks
        // meanwhile add silence, never content.
        if (audio.isStreamRunning() && how == Release::PlayOut)
            reportErrors([&audio] { audio.stopStream(); });
        else if (audio.isStreamRunning())
            reportErrors([&audio] { audio.abortStream(); });
        if (audio.isStreamOpen())
            reportErrors([&audio] { audio.closeStream(); });
        closing->audio.reset();
        {
            std::lock_guard<std::mutex> lock(closing->mutex);
            closing->done = true;
            if (closing->whenClosed)
                closing->whenClosed();
        }
        closing->closed.notify_all();
    }).detach();
    bool closed = false;
    // A play-out lasts as long as the audio held, beyond the wait on a server
    // that answers; the next stream opens from the device watch once it ends.
    if (how == Release::Drop) {
        std::unique_lock<std::mutex> lock(closing->mutex);
        closed = closing->closed.wait_for(lock, kReleaseWait, [&closing] { return closing->done; });
    }
    // A callback that began before the release may still be in the render
    // function, which never waits: it ends within a buffer's work, and
    // nothing of this engine is reached after it.
    while (closing->link->inCallback.load(std::memory_order_acquire) != 0)
        std::this_thread::yield();
    if (closed)
        return true;
    closing_ = closing;
    if (how == Release::PlayOut)
        return false;
    lossLogged_ = true;
    qWarning("The stream did not close within %lld ms (the sound server has not answered yet); it closes in the "
             "background, and no stream opens until it has",
             static_cast<long long>(kReleaseWait.count()));
    return false;
}

bool StreamingEngine::releasedStreamClosedWithin(std::chrono::milliseconds wait)
{
    if (!closing_)
        return true;
    {
        std::unique_lock<std::mutex> lock(closing_->mutex);
        if (!closing_->closed.wait_for(lock, wait, [this] { return closing_->done; }))
            return false;
    }
    closing_.reset();
    return true;
}

bool StreamingEngine::releasedStreamClosing()
{
    if (!closing_)
        return false;
    {
        std::lock_guard<std::mutex> lock(closing_->mutex);
        if (!closing_->done)
            return true;
    }
    closing_.reset();
    return false;
}

void StreamingEngine::reopenOnceAnswered()
{
    if (deviceLost_)
        return;
    deviceLost_ = true;
    lastReopen_ = std::chrono::steady_clock::now();
}

unsigned StreamingEngine::getCurrentAudioDevice() const
{
    return currentDevice_;
}

AudioDeviceInfo StreamingEngine::getCurrentAudioDeviceInfo() const
{
    return getInfo(getCurrentAudioDevice());
}

unsigned StreamingEngine::countAudioDevices() const
{
    return static_cast<unsigned>(devices_.size());
}

AudioDeviceInfo StreamingEngine::getInfo(unsigned device) const
{
    // An id the last probe did not list: an unprobed record the menu skips.
    return device < devices_.size() ? devices_[device] : AudioDeviceInfo{};
}

} // namespace Audio
