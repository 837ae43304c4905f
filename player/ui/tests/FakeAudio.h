#pragma once

// Small stand-ins for the player's interfaces, for the UI tests.

#include "player/engine/audio/IDeviceSetup.h"
#include "player/engine/audio/IStreamingSetup.h"

#include <deque>
#include <vector>

class FakeDevices : public Audio::IAudioDeviceInfos, public Audio::IDeviceSetup
{
public:
    std::vector<Audio::AudioDeviceInfo> devices;
    unsigned current = 0;
    std::vector<int> setDeviceCalls;

    unsigned getCurrentAudioDevice() const override { return current; }
    Audio::AudioDeviceInfo getCurrentAudioDeviceInfo() const override { return getInfo(current); }
    unsigned countAudioDevices() const override { return static_cast<unsigned>(devices.size()); }
    Audio::AudioDeviceInfo getInfo(unsigned device) const override
    {
        return device < devices.size() ? devices[device] : Audio::AudioDeviceInfo{};
    }

    const Audio::IAudioDeviceInfos& getAudioDevices() const override { return *this; }
    bool setDevice(int device) override
    {
        setDeviceCalls.push_back(device);
        current = static_cast<unsigned>(device);
        return true;
    }
};

class FakeStreamingSetup : public IStreamingSetup
{
public:
    std::deque<bool> answers;
    int calls = 0;

    bool initializeStreamingEngine() override
    {
        ++calls;
        const bool answer = answers.empty() ? false : answers.front();
        if (!answers.empty())
            answers.pop_front();
        return answer;
    }
};
