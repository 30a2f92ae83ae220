#pragma once

#include "battery/IBatteryPlatform.h"

#include <QString>

#include <memory>

class PowerSupplyPass;

// All batteries under the root taken together, as the platform's aggregate
// battery: charging wins over discharging, which wins over idle, and the
// capacities are the sums over the batteries that are present. Within a
// reading pass it takes the batteries as that pass read them; outside one it
// enumerates afresh on every report.
class LinuxAggregateBattery : public IPlatformBattery
{
public:
    explicit LinuxAggregateBattery(QString root, std::weak_ptr<PowerSupplyPass> pass = {});

    std::string deviceId() override;
    BatteryReport report() override;

private:
    QString m_root;
    std::weak_ptr<PowerSupplyPass> m_pass;
};
