#pragma once

#include "battery/IBatteryModel.h"

// A battery source whose readings the test sets by hand.
class FakeBatteryModel : public IBatteryModel
{
public:
    BatteryLevels currentLevels() override
    {
        ++m_readCount;
        return m_levels;
    }

    void setLevels(int left, int center, int right, int remainingTimeSeconds = -1)
    {
        m_levels.left = left;
        m_levels.center = center;
        m_levels.right = right;
        m_levels.remainingTimeSeconds = remainingTimeSeconds;
    }

    int readCount() const { return m_readCount; }

private:
    BatteryLevels m_levels;
    int m_readCount = 0;
};
