#pragma once

#include <cstdint>
#include <ctime>

namespace vrsim {

inline int64_t monotonicNs()
{
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec;
}

// The simulated display's vsync: a frame starts every 1/hz seconds from the runtime's start. The
// monotonic clock is shared by every process on the machine, so applications work out vsync
// locally from what the runtime sent once.
struct DisplayTiming
{
    double hz = 90.0;
    double secondsFromVsyncToPhotons = 0.011;
    int64_t epochNs = 0;

    uint64_t frameAt(int64_t nowNs) const
    {
        if (nowNs <= epochNs)
            return 0;
        return static_cast<uint64_t>(static_cast<double>(nowNs - epochNs) * 1e-9 * hz);
    }

    double secondsSinceVsyncAt(int64_t nowNs) const
    {
        if (nowNs <= epochNs)
            return 0.0;
        const double seconds = static_cast<double>(nowNs - epochNs) * 1e-9;
        const double since = seconds - static_cast<double>(frameAt(nowNs)) / hz;
        return since > 0.0 ? since : 0.0;
    }
};

} // namespace vrsim
