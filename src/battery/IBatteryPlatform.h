#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

// The few platform operations one reading pass needs. Windows serves them from
// its runtime battery service, Linux from the kernel's power-supply class, tests
// from fakes; the reading logic in WinRTBatteryModel is the same for all.

enum class BatteryStatus : int32_t {
    NotPresent = 0,
    Discharging = 1,
    Idle = 2,
    Charging = 3,
};

struct BatteryReport
{
    BatteryStatus status = BatteryStatus::NotPresent;
    // Only filled in when the status is one of the three present states.
    std::optional<int32_t> fullChargeCapacityInMilliwattHours;
    std::optional<int32_t> remainingCapacityInMilliwattHours;
};

class IPlatformBattery
{
public:
    virtual ~IPlatformBattery() = default;
    // The battery's own identifier, UTF-8.
    virtual std::string deviceId() = 0;
    // A fresh report of the battery's present state.
    virtual BatteryReport report() = 0;
};

class IBatteryPlatform
{
public:
    virtual ~IBatteryPlatform() = default;
    virtual std::string deviceSelector() = 0;
    // Identifiers of the devices that match the selector, in the platform's order.
    virtual std::vector<std::string> findAllDeviceIds(const std::string &selector) = 0;
    virtual std::unique_ptr<IPlatformBattery> aggregateBattery() = 0;
    // The battery behind a device identifier, or null when there is none.
    virtual std::unique_ptr<IPlatformBattery> batteryFromId(const std::string &deviceId) = 0;
};

// A failed platform call. It carries the platform's result code (an HRESULT
// on Windows) so the log can name it.
class BatteryPlatformError : public std::runtime_error
{
public:
    BatteryPlatformError(const std::string &what, int32_t code)
        : std::runtime_error(what)
        , m_code(code)
    { }
    int32_t code() const { return m_code; }

private:
    int32_t m_code;
};

// The platform this build reads: the Windows runtime service on Windows, the
// kernel's power-supply class elsewhere.
std::shared_ptr<IBatteryPlatform> createDefaultBatteryPlatform();
