#pragma once

#include "battery/BatteryLevels.h"

// The battery source. Readings are pulled: a reader asks whenever it likes
// and gets a copy of the last snapshot; nothing is pushed.
class IBatteryModel
{
public:
    virtual ~IBatteryModel() = default;
    virtual BatteryLevels currentLevels() = 0;
};
