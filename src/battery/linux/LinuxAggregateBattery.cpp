#include "battery/linux/LinuxAggregateBattery.h"

#include "battery/linux/PowerSupplyPass.h"

#include <limits>

namespace {

int rank(BatteryStatus status)
{
    switch (status) {
    case BatteryStatus::Charging:
        return 3;
    case BatteryStatus::Discharging:
        return 2;
    case BatteryStatus::Idle:
        return 1;
    case BatteryStatus::NotPresent:
        break;
    }
    return 0;
}

} // namespace

LinuxAggregateBattery::LinuxAggregateBattery(QString root, std::weak_ptr<PowerSupplyPass> pass)
    : m_root(std::move(root))
    , m_pass(std::move(pass))
{ }

std::string LinuxAggregateBattery::deviceId()
{
    // Shorter than 18 bytes: the aggregate never takes a place.
    return "AggregateBattery";
}

BatteryReport LinuxAggregateBattery::report()
{
    BatteryReport aggregate;
    int64_t full = 0;
    int64_t remaining = 0;
    bool capacitiesKnown = true;

    std::shared_ptr<PowerSupplyPass> pass = m_pass.lock();
    if (!pass)
        pass = std::make_shared<PowerSupplyPass>(m_root);
    for (const QString &name : pass->names()) {
        const BatteryReport battery = pass->report(name);
        if (battery.status == BatteryStatus::NotPresent)
            continue;
        if (rank(battery.status) > rank(aggregate.status))
            aggregate.status = battery.status;
        // One battery of unknown size makes the share of the others meaningless.
        if (!battery.fullChargeCapacityInMilliwattHours || !battery.remainingCapacityInMilliwattHours) {
            capacitiesKnown = false;
            continue;
        }
        full += *battery.fullChargeCapacityInMilliwattHours;
        remaining += *battery.remainingCapacityInMilliwattHours;
    }

    // Each term fits 32 bits, so the 64-bit sums cannot overflow for any
    // plausible count of batteries; only the result must fit again.
    const int64_t limit = std::numeric_limits<int32_t>::max();
    if (aggregate.status != BatteryStatus::NotPresent && capacitiesKnown && full <= limit && remaining <= limit) {
        aggregate.fullChargeCapacityInMilliwattHours = static_cast<int32_t>(full);
        aggregate.remainingCapacityInMilliwattHours = static_cast<int32_t>(remaining);
    }
    return aggregate;
}
