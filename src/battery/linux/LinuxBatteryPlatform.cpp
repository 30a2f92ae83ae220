#include "battery/linux/LinuxBatteryPlatform.h"

#include "battery/linux/LinuxAggregateBattery.h"
#include "battery/linux/LinuxBattery.h"
#include "battery/linux/PowerSupplyPass.h"

#include <QFile>
#include <QStringList>

namespace {

// The entries one enumeration found; a later pass enumerates again. The pass
// lasts as long as its list.
class EntryList : public IDeviceList
{
public:
    explicit EntryList(std::shared_ptr<PowerSupplyPass> pass)
        : m_pass(std::move(pass))
    { }

    uint32_t size() override { return static_cast<uint32_t>(m_pass->names().size()); }
    std::string deviceId(uint32_t index) override
    {
        return QFile::encodeName(m_pass->names().at(static_cast<int>(index))).toStdString();
    }

private:
    std::shared_ptr<PowerSupplyPass> m_pass;
};

} // namespace

LinuxBatteryPlatform::LinuxBatteryPlatform(QString root)
    : m_root(std::move(root))
{ }

std::string LinuxBatteryPlatform::deviceSelector()
{
    return "power_supply:type=Battery";
}

std::unique_ptr<IDeviceList> LinuxBatteryPlatform::findAllDevices(const std::string &)
{
    // There is only one kind of device to select here: the selector is
    // the one deviceSelector hands out, so it needs no parsing.
    auto pass = std::make_shared<PowerSupplyPass>(m_root);
    m_pass = pass;
    return std::make_unique<EntryList>(std::move(pass));
}

std::unique_ptr<IPlatformBattery> LinuxBatteryPlatform::aggregateBattery()
{
    return std::make_unique<LinuxAggregateBattery>(m_root, m_pass);
}

std::unique_ptr<IPlatformBattery> LinuxBatteryPlatform::batteryFromId(const std::string &deviceId)
{
    const QString name = QFile::decodeName(QByteArray::fromStdString(deviceId));
    // The pass's enumeration has just read the entry's type.
    if (std::shared_ptr<PowerSupplyPass> pass = m_pass.lock(); pass && pass->contains(name))
        return std::make_unique<LinuxBattery>(m_root, name, pass);
    if (!LinuxBattery::isBatteryEntry(m_root, name))
        return nullptr;
    return std::make_unique<LinuxBattery>(m_root, name);
}

std::shared_ptr<IBatteryPlatform> createDefaultBatteryPlatform()
{
    return std::make_shared<LinuxBatteryPlatform>();
}
