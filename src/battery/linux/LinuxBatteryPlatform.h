#pragma once

#include "battery/IBatteryPlatform.h"

#include <QString>

// Batteries from the kernel's power-supply class. The root is a parameter so
// tests can point it at a fixture tree; the program uses the default.
class LinuxBatteryPlatform : public IBatteryPlatform
{
public:
    explicit LinuxBatteryPlatform(QString root = QStringLiteral("/sys/class/power_supply"));

    std::string deviceSelector() override;
    std::vector<std::string> findAllDeviceIds(const std::string &selector) override;
    std::unique_ptr<IPlatformBattery> aggregateBattery() override;
    std::unique_ptr<IPlatformBattery> batteryFromId(const std::string &deviceId) override;

private:
    QString m_root;
};
