#pragma once

#include "battery/IBatteryModel.h"

// A battery source whose levels a test sets directly; counts the readings.
class FakeBatteryModel : public IBatteryModel
{
public:
    explicit FakeBatteryModel(BatteryLevels levels = {})
        : m_levels(levels)
    { }

    BatteryLevels currentLevels() override
    {
        ++m_reads;
        return m_levels;
    }

    void setLevels(const BatteryLevels &levels) { m_levels = levels; }
    int reads() const { return m_reads; }

    static BatteryLevels levels(int left, int right, int center, int aggregate)
    {
        BatteryLevels result;
        result.left = left;
        result.right = right;
        result.center = center;
        result.aggregate = aggregate;
        result.remainingTimeSeconds = -1;
        return result;
    }

private:
    BatteryLevels m_levels;
    int m_reads = 0;
};
