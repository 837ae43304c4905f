#pragma once

// One display tick's meter values, linear (1.0 = full scale): RMS and the
// peak since the last tick, per channel. Passed by value to the meters.

#include <QMetaType>

struct MeterInfo
{
    float rmsLeft = 0.0f;
    float rmsRight = 0.0f;
    float peakLeft = 0.0f;
    float peakRight = 0.0f;
};

Q_DECLARE_METATYPE(MeterInfo)
