#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>

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
    // Only filled in when the status is one of the three present states; a
    // platform need not read the remaining capacity when the full one is absent.
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

// The devices an enumeration found, in the platform's order. A list rather
// than a ready vector so that a pass asks for each identifier only when it gets
// to that device, in the order the runtime's calls are made on Windows.
class IDeviceList
{
public:
    virtual ~IDeviceList() = default;
    virtual uint32_t size() = 0;
    // The identifier of the device at an index below size(), UTF-8.
    virtual std::string deviceId(uint32_t index) = 0;
};

class IBatteryPlatform
{
public:
    virtual ~IBatteryPlatform() = default;
    virtual std::string deviceSelector() = 0;
    // The devices that match the selector; waits until the enumeration is done.
    virtual std::unique_ptr<IDeviceList> findAllDevices(const std::string &selector) = 0;
    // The battery that stands for all batteries together.
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
