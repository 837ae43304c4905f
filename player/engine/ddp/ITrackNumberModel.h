#pragma once

// The transport controller's view of the loaded disc. It keeps a plain
// pointer, replaced on every load. GUI thread only; the installed callback
// may later be called from the thread that changes the running flag.

#include <functional>

namespace Audio {

class ITrackNumberModel {
public:
    virtual void setTrackNumber(int trackNumber) = 0;
    virtual void setRunningCallback(const std::function<void(bool)>& callback) = 0;

protected:
    ~ITrackNumberModel() = default;
};

} // namespace Audio
