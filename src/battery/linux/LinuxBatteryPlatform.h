#pragma once

#include "battery/IBatteryPlatform.h"

#include <QString>

#include <memory>

class PowerSupplyPass;

// Batteries from the kernel's power-supply class. The root is a parameter so
// tests can point it at a fixture tree; the program uses the default.
//
// A device identifier here is the entry's name (BAT0); the battery's own
// identifier is the ACPI form that carries the placement (see LinuxBattery).
//
// An enumeration begins a reading pass (PowerSupplyPass) that lasts as long as
// its device list: meanwhile the aggregate and the batteries share what the
// pass read, so each battery is read once per pass.
class LinuxBatteryPlatform : public IBatteryPlatform
{
public:
    explicit LinuxBatteryPlatform(QString root = QStringLiteral("/sys/class/power_supply"));

    std::string deviceSelector() override;
    std::unique_ptr<IDeviceList> findAllDevices(const std::string &selector) override;
    std::unique_ptr<IPlatformBattery> aggregateBattery() override;
    // Null when the entry has gone or is not a battery.
    std::unique_ptr<IPlatformBattery> batteryFromId(const std::string &deviceId) override;

private:
    QString m_root;
    std::weak_ptr<PowerSupplyPass> m_pass;
};
