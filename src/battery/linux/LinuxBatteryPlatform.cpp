#include "battery/linux/LinuxBatteryPlatform.h"

// Placeholder until the kernel reader lands: no batteries.
LinuxBatteryPlatform::LinuxBatteryPlatform(QString root)
    : m_root(std::move(root))
{ }

std::string LinuxBatteryPlatform::deviceSelector()
{
    return {};
}

std::vector<std::string> LinuxBatteryPlatform::findAllDeviceIds(const std::string &)
{
    return {};
}

std::unique_ptr<IPlatformBattery> LinuxBatteryPlatform::aggregateBattery()
{
    return {};
}

std::unique_ptr<IPlatformBattery> LinuxBatteryPlatform::batteryFromId(const std::string &)
{
    return {};
}

std::shared_ptr<IBatteryPlatform> createDefaultBatteryPlatform()
{
    return std::make_shared<LinuxBatteryPlatform>();
}
