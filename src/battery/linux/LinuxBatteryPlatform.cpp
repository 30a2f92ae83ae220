#include "battery/linux/LinuxBatteryPlatform.h"

#include "battery/linux/LinuxAggregateBattery.h"
#include "battery/linux/LinuxBattery.h"

#include <QFile>
#include <QStringList>

namespace {

// The entries one enumeration found; a later pass enumerates again.
class EntryList : public IDeviceList
{
public:
    explicit EntryList(QStringList names)
        : m_names(std::move(names))
    { }

    uint32_t size() override { return static_cast<uint32_t>(m_names.size()); }
    std::string deviceId(uint32_t index) override
    {
        return QFile::encodeName(m_names.at(static_cast<int>(index))).toStdString();
    }

private:
    QStringList m_names;
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
    return std::make_unique<EntryList>(LinuxBattery::entryNames(m_root));
}

std::unique_ptr<IPlatformBattery> LinuxBatteryPlatform::aggregateBattery()
{
    return std::make_unique<LinuxAggregateBattery>(m_root);
}

std::unique_ptr<IPlatformBattery> LinuxBatteryPlatform::batteryFromId(const std::string &deviceId)
{
    const QString name = QFile::decodeName(QByteArray::fromStdString(deviceId));
    if (!LinuxBattery::isBatteryEntry(m_root, name))
        return nullptr;
    return std::make_unique<LinuxBattery>(m_root, name);
}

std::shared_ptr<IBatteryPlatform> createDefaultBatteryPlatform()
{
    return std::make_shared<LinuxBatteryPlatform>();
}
