#pragma once

// The table model's and the info box's view of the loaded disc: descriptors
// and CD-TEXT. GUI thread only.

#include "player/engine/ddp/CdInfo.h"
#include "player/engine/ddp/PQDESCR.h"

#include <vector>

class IMetaDataProvider {
public:
    virtual std::vector<DDP::PQDESCR>& getDescList() = 0;
    virtual CdText::CdInfo& getCdInfo() = 0;
    virtual bool isInitialIndexValid() = 0;

protected:
    ~IMetaDataProvider() = default;
};
