#include "battery/linux/PowerSupplyPass.h"

#include "battery/linux/LinuxBattery.h"

PowerSupplyPass::PowerSupplyPass(QString root)
    : m_root(std::move(root))
    , m_names(LinuxBattery::entryNames(m_root))
{ }

BatteryReport PowerSupplyPass::report(const QString &name)
{
    const auto known = m_reports.constFind(name);
    if (known != m_reports.constEnd())
        return *known;
    const BatteryReport fresh = LinuxBattery(m_root, name).report();
    m_reports.insert(name, fresh);
    return fresh;
}
