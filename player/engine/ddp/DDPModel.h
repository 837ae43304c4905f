#pragma once

// One loaded disc image: its PQ descriptors, its CD-TEXT, the index number of
// every table row, the current track and the running state.
//
// Created with std::make_shared for every image that is opened and shared by
// the table model, the player, the cell painter, the info box and WAV export,
// each through its own interface. Never copied.
//
// Threads: the lists are written only while the image is opened, before any
// other thread sees the model, and are read-only afterwards. The track number
// belongs to the GUI thread. The running flag is atomic; setRunning runs the
// callback on the calling thread (GUI or reader thread).

#include "player/engine/ddp/CdInfo.h"
#include "player/engine/ddp/IDescListProvider.h"
#include "player/engine/ddp/IDrawInfoProvider.h"
#include "player/engine/ddp/IMetaDataProvider.h"
#include "player/engine/ddp/ITrackNumberModel.h"
#include "player/engine/ddp/PQDESCR.h"

#include <atomic>
#include <functional>
#include <vector>

class DDPModel final : public IDrawInfoProvider,
                       public IDescListProvider,
                       public Audio::ITrackNumberModel,
                       public IMetaDataProvider {
public:
    DDPModel() = default;
    DDPModel(const DDPModel&) = delete;
    DDPModel& operator=(const DDPModel&) = delete;
    virtual ~DDPModel() = default;

    std::vector<int>& getIndexList() override;
    int getTrackNumber() override;
    // True when the first table row is a pause (index 0); false for an empty
    // index list, which an image too short for any row produces.
    bool isInitialIndexValid() override;
    void setTrackNumber(int trackNumber) override;
    void setIndexOffset(int offset) override;
    void setRunning(bool running) override;
    void setRunningCallback(const std::function<void(bool)>& callback) override;
    int getIndexOffset() override;
    std::vector<DDP::PQDESCR>& getDescList() override;
    CdText::CdInfo& getCdInfo() override;

    bool isRunning() const;

private:
    std::vector<int> m_indexList;
    std::vector<DDP::PQDESCR> m_descList;
    CdText::CdInfo m_cdInfo;
    int m_trackNumber = -1;
    int m_indexOffset = 1;
    std::atomic<bool> m_running{false};
    std::function<void(bool)> m_runningCallback;
};
