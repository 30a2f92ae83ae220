#pragma once

#include "battery/IBatteryPlatform.h"

#include <QString>

// All batteries under the root taken together, as the platform's aggregate
// battery: charging wins over discharging, which wins over idle, and the
// capacities are the sums over the batteries that are present.
class LinuxAggregateBattery : public IPlatformBattery
{
public:
    explicit LinuxAggregateBattery(QString root);

    std::string deviceId() override;
    BatteryReport report() override;

private:
    QString m_root;
};
