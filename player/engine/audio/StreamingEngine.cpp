#include "player/engine/audio/StreamingEngine.h"

#include "player/engine/audio/RealTimeLimit.h"
#include "player/engine/audio/RealtimeKit.h"

#include <QtGlobal>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <thread>

#include <pthread.h>
#include <sched.h>
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

void error_callback(RtAudioError::Type /*type*/, const std::string& errorText)
{
    if (StreamLink* link = t_streamLink) {
        // As in the audio callback: a release waits for this while under way.
        link->inCallback.fetch_add(1);
        if (!link->released.load())
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
        // After an overrun no thread of ours is made real-time again.
        if (RealTimeLimit::overrunMet())
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

std::unique_ptr<RtAudio> probeDevices()
{
    auto audio = std::make_unique<RtAudio>(RtAudio::UNSPECIFIED);
    // Warnings go through the error callback of an open stream; before one is
    // open the library would print them to stderr on its own.
    audio->showWarnings(false);
    return audio;
}

} // namespace

StreamingEngine::StreamingEngine()
    : audio_(probeDevices())
    , link_(std::make_unique<StreamLink>(this))
{
}

StreamingEngine::~StreamingEngine()
{
    releaseStream();
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
    if (!render_ || streamFailed_.load(std::memory_order_relaxed))
        return 0;
    return render_(outputBuffer, frameCount);
}

StreamingEngine::CallbackRecord StreamingEngine::callbackRecord() const
{
    CallbackRecord r;
    r.callbacks = callbacks_.load(std::memory_order_relaxed);
    r.frames = callbackFrames_.load(std::memory_order_relaxed);
    r.longestIntervalNs = longestCallbackIntervalNs_.load(std::memory_order_relaxed);
    r.longestEndedNs = longestCallbackEndedNs_.load(std::memory_order_relaxed);
    return r;
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
    if (!deviceLost_) {
        if (!streamFailed_.load(std::memory_order_acquire) || !audio_->isStreamOpen())
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
    return setupStream(parameters);
}

bool StreamingEngine::initialize(const RenderFunction& render)
{
    // A fresh probe would wait on the server that has not answered yet.
    if (releasedStreamClosing()) {
        render_ = render;
        return false;
    }
    if (audio_->isStreamOpen()) {
        // The audio thread reads the render function without a lock, so it is
        // replaced only while no callback can run.
        const bool wasRunning = audio_->isStreamRunning();
        stopStream();
        render_ = render;
        return !wasRunning || startOrClose();
    }
    render_ = render;
    // The library picks its back end and lists the devices once per object:
    // one made before the sound server started has settled for another back
    // end without devices. A probe that finds none keeps the present object,
    // which reconnects to its server on every open once that is back.
    if (probedOnce_) {
        auto fresh = probeDevices();
        if (fresh->getDeviceCount() > 0) {
            audio_ = std::move(fresh);
            ++probeCount_;
        }
    }
    probedOnce_ = true;
    RtAudio::StreamParameters parameters;
    parameters.deviceId = getDefaultOutputDevice();
    parameters.nChannels = kChannels;
    parameters.firstChannel = 0;
    currentDevice_ = parameters.deviceId;
    return setupStream(parameters);
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
    // the library's audio thread, which has no name of its own, and the
    // sound server client's carrier; not one that the toolkit started
    // meanwhile (a file dialog's, say), which has a name of its own.
    const std::string unnamed = threadName(getpid());
    std::vector<pid_t> started;
    for (const pid_t thread : threadsOfThisProcess()) {
        if (std::binary_search(before.begin(), before.end(), thread) || runsRealTime(thread))
            continue;
        const std::string name = threadName(thread);
        if (name == unnamed || name == "threaded-ml")
            started.push_back(thread);
    }
    if (started.empty())
        return;
    realTimeProblem_ = RealtimeKit::makeThreadsRealtime(started, kRealTimePriority);
    way_ = realTimeProblem_.empty() ? RealTimeWay::RealtimeKit : RealTimeWay::Refused;
}

void StreamingEngine::watchRealTimeThreads(const std::vector<pid_t>& before)
{
    // The audio thread leaves real time itself at an overrun; the sound
    // server client's carrier checks nothing of ours, so the handler drops
    // it by id.
    std::vector<pid_t> started;
    for (const pid_t thread : threadsOfThisProcess()) {
        if (!std::binary_search(before.begin(), before.end(), thread) && runsRealTime(thread))
            started.push_back(thread);
    }
    RealTimeLimit::watchThreads(started);
}

bool StreamingEngine::setupStream(RtAudio::StreamParameters& parameters)
{
    // The open would wait on the server that has not answered the close.
    if (releasedStreamClosing())
        return false;
    RtAudio::StreamOptions options;
    const bool realTimeWanted = !RealTimeLimit::overrunMet();
    if (realTimeWanted)
        options.flags = RTAUDIO_SCHEDULE_REALTIME;
    options.priority = kRealTimePriority;
    const std::vector<pid_t> before = threadsOfThisProcess();
    RealTimeLimit::arm();
    bool direct = false;
    try {
        const RealTimeWhileOpening realTime;
        direct = realTime.raised();
        audio_->openStream(&parameters, nullptr, RTAUDIO_FLOAT32, kSampleRate, &bufferFrames_, &rtaudio_callback,
                          link_.get(), &options, &error_callback);
    } catch (const RtAudioError&) {
        // No device, or it cannot play this format at 44100 Hz: the caller
        // shows the sample-rate dialog.
        return false;
    }
    // Asked from here, before the start: the audio thread has not run a
    // buffer yet, and no D-Bus call ever runs on it.
    way_ = RealTimeWay::Direct;
    if (!direct && realTimeWanted) {
        askRealtimeKit(before);
        // The RealtimeKit road set the soft limit to the hard one.
        RealTimeLimit::arm();
    }
    watchRealTimeThreads(before);
    if (!audio_->isStreamRunning() && !startOrClose())
        return false;
    currentDevice_ = parameters.deviceId;
    if (deviceLost_) {
        deviceLost_ = false;
        if (lossLogged_)
            qWarning("The audio device is back; the stream plays again");
        lossLogged_ = false;
    }
    return true;
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

unsigned StreamingEngine::getDefaultOutputDevice()
{
    try {
        return audio_->getDefaultOutputDevice();
    } catch (const RtAudioError&) {
        return 0;
    }
}

bool StreamingEngine::isStreamOpen() const
{
    return audio_->isStreamOpen();
}

bool StreamingEngine::isStreamRunning() const
{
    return audio_->isStreamRunning();
}

void StreamingEngine::stopStream()
{
    if (audio_->isStreamRunning())
        reportErrors([this] { audio_->stopStream(); });
}

void StreamingEngine::closeStream()
{
    if (audio_->isStreamOpen())
        reportErrors([this] { audio_->closeStream(); });
}

bool StreamingEngine::releaseStream(Release how)
{
    if (!audio_->isStreamOpen())
        return true;
    auto closing = std::make_shared<Closing>();
    // From here on the stream's callbacks play silence and touch nothing of
    // this engine.
    link_->released.store(true);
    closing->link = std::move(link_);
    closing->audio = std::move(audio_);
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
    return audio_->getDeviceCount();
}

AudioDeviceInfo StreamingEngine::getInfo(unsigned device) const
{
    AudioDeviceInfo info;
    try {
        const RtAudio::DeviceInfo d = audio_->getDeviceInfo(device);
        info.name = d.name;
        info.hasOutput = d.outputChannels > 0 ? 1 : 0;
        info.preferredSampleRate = d.preferredSampleRate;
        info.probed = d.probed;
    } catch (const RtAudioError&) {
        // An id the library does not know: an unprobed record the menu skips.
    }
    return info;
}

} // namespace Audio
