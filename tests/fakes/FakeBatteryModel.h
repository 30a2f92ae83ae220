#pragma once

#include "battery/IBatteryModel.h"

#include <functional>

// A battery source whose readings the test sets by hand; counts the readings.
class FakeBatteryModel : public IBatteryModel
{
public:
    explicit FakeBatteryModel(BatteryLevels levels = {})
        : m_levels(levels)
    { }

    BatteryLevels currentLevels() override
    {
        ++m_readCount;
        if (onRead)
            onRead();
        return m_levels;
    }

    void setLevels(const BatteryLevels &levels) { m_levels = levels; }
    void setLevels(int left, int center, int right, int remainingTimeSeconds = -1)
    {
        m_levels.left = left;
        m_levels.center = center;
        m_levels.right = right;
        m_levels.remainingTimeSeconds = remainingTimeSeconds;
    }

    int readCount() const { return m_readCount; }

    // Called on every reading, for tests that time the polls.
    std::function<void()> onRead;

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
    int m_readCount = 0;
};
