#pragma once

#include <cstdint>

// One snapshot of the charge levels, in percent (0 to 100; 0 when absent).
struct BatteryLevels
{
    int32_t left = 0;
    int32_t right = 0;
    int32_t center = 0;
    int32_t aggregate = 0;
    int32_t remainingTimeSeconds = 0;

    friend bool operator==(const BatteryLevels &a, const BatteryLevels &b)
    {
        return a.left == b.left && a.right == b.right && a.center == b.center && a.aggregate == b.aggregate
            && a.remainingTimeSeconds == b.remainingTimeSeconds;
    }
    friend bool operator!=(const BatteryLevels &a, const BatteryLevels &b) { return !(a == b); }
};
