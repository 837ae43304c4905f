#pragma once

// The cell painter's view of the loaded disc: which index each table row
// shows and which track is current. GUI thread only.

#include <vector>

class IDrawInfoProvider {
public:
    virtual std::vector<int>& getIndexList() = 0;
    virtual int getTrackNumber() = 0;

protected:
    // The model is owned by shared pointers to the concrete class; nobody
    // deletes it through this view.
    ~IDrawInfoProvider() = default;
};
