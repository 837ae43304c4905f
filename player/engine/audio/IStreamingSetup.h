#pragma once

// The sample-rate dialog's view of the player: retry opening the output
// stream. GUI thread only; true when a stream is open afterwards (also when
// one already was).
class IStreamingSetup
{
public:
    virtual bool initializeStreamingEngine() = 0;

protected:
    ~IStreamingSetup() = default;
};
