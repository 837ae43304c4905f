#pragma once

#include "player/engine/audio/DiskStreaming.h"
#include "player/engine/audio/IAudioPlayerTransport.h"
#include "player/engine/audio/IDeviceSetup.h"
#include "player/engine/audio/IStreamingSetup.h"
#include "player/engine/ddp/IDescListProvider.h"
#include "player/engine/ddp/PQDESCR.h"

#include <QString>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

namespace Audio {

// The playback controller: turns the disc's PQ descriptors into byte ranges
// of "IMAGE.DAT", keeps the current PQ entry and the track number shown to the
// user, steps between tracks (always landing on an index-01 entry) and tells
// the model whether playback runs. The sound comes from its DiskStreaming.
//
// Threads: every public operation runs on the GUI thread, except
// onEndOfAudioFile, which the reader thread calls. Jump completions (entry
// update, guard re-arm) run on the audio thread. Entry, steady track number
// and the two jump guards are atomics that anyone may read; the entry is
// changed only under the streamer's position lock, together with the entry
// start and the counter, so that a completion and a step of the display never
// interleave. A jump whose fade is overtaken by a later repositioning (reset,
// stop at the end, a new image, another jump) changes nothing when it ends.
// The ranges are replaced only on the GUI thread, under a lock that the
// reader thread's end-of-file path takes to read them; the GUI thread reads
// them without it.
class Player : public IAudioPlayerTransport, public IDeviceSetup, public IStreamingSetup
{
public:
    // Start and end byte offset of one PQ entry in "IMAGE.DAT".
    using Range = std::pair<std::uint32_t, std::uint32_t>;

    Player() = default;
    // Stops the stream and ends the reader before any member goes away.
    ~Player();
    Player(const Player&) = delete;
    Player& operator=(const Player&) = delete;

    void start() override;
    void stop() override;
    void pause() override;
    void selectNextTrack() override;
    void selectPreviousTrack() override;
    bool isRunning() override;
    bool isStopped() override;
    bool isPaused() override;
    int getSteadyTrackNumber() override;

    const IAudioDeviceInfos& getAudioDevices() const override;
    bool setDevice(int device) override;

    bool initializeStreamingEngine() override;

    // The loaded disc; set by the main window on every load, before the ranges.
    void setDescListProvider(std::shared_ptr<IDescListProvider> provider);
    std::shared_ptr<IDescListProvider> getDescListProvider() const;

    // One range per entry but the last two; none for fewer than 3 entries.
    // The last ends at DDP::discEnd, where playback ends (applied by the next
    // setAudioFileName).
    void setRangesFromPqDesc(const std::vector<DDP::PQDESCR>& descList);
    // Opens the image and positions playback at entry 2. `endOfFile` is called
    // on the reader thread when "IMAGE.DAT" has been played to its end, with
    // the move to hand to onEndOfAudioFile.
    void setAudioFileName(const QString& folder, const Preloader::EndOfFileCallback& endOfFile);
    // Double-click on a table row: play from its entry (faded when playing).
    // Does nothing for a row without a range.
    void selectTrack(int row);
    // Reader thread: the image has been played to its end at `move`. Back to
    // the first track, stopped; nothing when a move has come since (the end
    // was decided before a seek or a track start that the user made while the
    // report was on its way). True when it rewound.
    bool onEndOfAudioFile(std::uint32_t move);
    // Display timer: the current entry has been played to its end. The count
    // goes on from what already lies in the next entry. Does nothing when the
    // entry has not been played to its end (a jump's fade ended meanwhile),
    // and does not wrap past the last entry while a jump is pending.
    void increaseTrackNumber();
    // The current entry's track number; 0 without an image.
    int getTrackNumberFromPqDesc();

    const std::vector<Range>& getRanges() const { return ranges_; }
    std::uint64_t getRangeCount() const { return rangeCount_; }
    bool hasRange(int entry) const { return entry >= 0 && std::uint64_t(entry) < rangeCount_; }
    // The entry being played (changes when a jump's fade has ended).
    int getEntry() const { return entry_.load(std::memory_order_relaxed); }
    // The current entry's range; {0, 0} when it has none.
    Range getCurrentRange() const;

    DiskStreaming& getStreaming() { return streaming_; }
    const DiskStreaming& getStreaming() const { return streaming_; }

private:
    // Which step guard a finished jump re-arms.
    enum class Rearm { None, Next, Previous };

    void reset();
    // Back to the first track at once, stopped; under the position lock.
    // The model is told by the caller, outside the lock.
    void rewindToFirstEntry(const DiskStreaming::PositionLock& lock, int indexOffset);
    // Fades over to `entry`; it counts as reached once the fade has run out.
    void fadeOverTo(int entry, Rearm rearm);
    int getIndexFromPqDesc(int entry);
    std::uint32_t rangeStart(int entry) const;
    // Under the position lock.
    void setEntry(int entry);

    mutable std::mutex providerMutex_;
    std::shared_ptr<IDescListProvider> provider_;
    mutable std::mutex rangesMutex_;
    std::uint64_t rangeCount_ = 0;
    std::vector<Range> ranges_;
    // Where the last range ends (DDP::discEnd); under rangesMutex_.
    std::uint32_t audioEnd_ = Preloader::kNoAudioEnd;
    std::atomic<int> entry_{0};
    // Where the pending jumps lead; equals entry_ when none is under way. The
    // next jump counts from here, so two jumps within one fade end where the
    // audio ends.
    std::atomic<int> targetEntry_{0};
    std::atomic<int> pendingJumps_{0};
    std::atomic<int> steady_{0};
    DiskStreaming streaming_;
    std::atomic<bool> nextAllowed_{true};
    std::atomic<bool> previousAllowed_{true};
};

} // namespace Audio
