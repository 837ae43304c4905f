#pragma once

// The player's view of the loaded disc. The player holds it as
// std::shared_ptr<IDescListProvider>.
//
// Threads: getDescList, isInitialIndexValid and the index offset are used on
// the GUI thread while an image is loaded and read-only afterwards.
// setRunning is called on the GUI thread and, at the end of the audio file,
// on the reader thread; it runs the model's running callback on the calling
// thread and does not block.

#include "player/engine/ddp/PQDESCR.h"

#include <vector>

class IDescListProvider {
public:
    virtual std::vector<DDP::PQDESCR>& getDescList() = 0;
    virtual bool isInitialIndexValid() = 0;
    virtual void setIndexOffset(int offset) = 0;
    virtual int getIndexOffset() = 0;
    virtual void setRunning(bool running) = 0;

protected:
    ~IDescListProvider() = default;
};
