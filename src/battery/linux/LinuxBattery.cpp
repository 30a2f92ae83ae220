#include "battery/linux/LinuxBattery.h"

#include "battery/linux/PowerSupplyPass.h"
#include "battery/linux/SysfsAttribute.h"

#include <QFile>

#include <algorithm>
#include <dirent.h>
#include <limits>

namespace {

constexpr char acpiBatteryPrefix[] = "\\\\?\\ACPI#PNP0C0A#";
static_assert(sizeof(acpiBatteryPrefix) - 1 == 17, "the uid must start at byte 17");

// Byte 17 of this prefix is 'y', so a battery without a uid never takes a
// place, whatever its entry is called.
constexpr char unplacedPrefix[] = "linux:power_supply/";
static_assert(sizeof(unplacedPrefix) - 1 > 17 && unplacedPrefix[17] == 'y', "byte 17 must not place");

std::optional<int32_t> toInt32(int64_t value)
{
    if (value > std::numeric_limits<int32_t>::max())
        return std::nullopt;
    return static_cast<int32_t>(value);
}

} // namespace

LinuxBattery::LinuxBattery(QString root, QString name, std::weak_ptr<PowerSupplyPass> pass)
    : m_name(std::move(name))
    , m_pass(std::move(pass))
    , m_folder(QFile::encodeName(root + QLatin1Char('/') + m_name))
{ }

std::string LinuxBattery::deviceId()
{
    const std::string name = QFile::encodeName(m_name).toStdString();
    const std::optional<QByteArray> uid = readAttribute("device/uid");
    if (!uid)
        return unplacedPrefix + name;
    return acpiBatteryPrefix + uid->toStdString() + '#' + name;
}

BatteryReport LinuxBattery::report()
{
    if (const std::shared_ptr<PowerSupplyPass> pass = m_pass.lock())
        return pass->report(m_name);

    BatteryReport report;
    report.status = readStatus();
    if (report.status == BatteryStatus::NotPresent)
        return report;

    // Drivers report either energy (µWh) or charge (µAh); never mix the two
    // for one battery, or the two capacities would rest on different voltages.
    // An energy_full that is there but cannot be read still decides the units.
    const std::optional<QByteArray> energyFull = readAttribute("energy_full");
    if (!energyFull && !sysfsEntryExists(attributePath("energy_full"))) {
        report.fullChargeCapacityInMilliwattHours = fromChargeUnits("charge_full");
        if (report.fullChargeCapacityInMilliwattHours)
            report.remainingCapacityInMilliwattHours = fromChargeUnits("charge_now");
        return report;
    }

    const std::optional<int64_t> fullMicrowattHours = energyFull ? parseSysfsCount(*energyFull) : std::nullopt;
    report.fullChargeCapacityInMilliwattHours = fullMicrowattHours ? toInt32(*fullMicrowattHours / 1000) : std::nullopt;
    if (report.fullChargeCapacityInMilliwattHours) {
        const std::optional<int64_t> remainingMicrowattHours = readCount("energy_now");
        report.remainingCapacityInMilliwattHours
            = remainingMicrowattHours ? toInt32(*remainingMicrowattHours / 1000) : std::nullopt;
    }
    return report;
}

QStringList LinuxBattery::entryNames(const QString &root)
{
    // The class folder holds symbolic links to the devices. Whatever is no
    // folder, a dangling link among them, has no type to read and drops out.
    QStringList names;
    const QByteArray nativeRoot = QFile::encodeName(root);
    DIR *folder = ::opendir(nativeRoot.constData());
    if (!folder)
        return names;
    while (const dirent *entry = ::readdir(folder)) {
        if (entry->d_name[0] == '.')
            continue;
        if (isBatteryType(nativeRoot + '/' + entry->d_name + "/type"))
            names.append(QFile::decodeName(entry->d_name));
    }
    ::closedir(folder);
    std::sort(names.begin(), names.end());
    return names;
}

bool LinuxBattery::isBatteryEntry(const QString &root, const QString &name)
{
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String("..") || name.contains(QLatin1Char('/')))
        return false;
    return isBatteryType(QFile::encodeName(root + QLatin1Char('/') + name) + "/type");
}

bool LinuxBattery::isBatteryType(const QByteArray &typePath)
{
    return readSysfsAttribute(typePath) == QByteArray("Battery");
}

QByteArray LinuxBattery::attributePath(const char *attribute) const
{
    return m_folder + '/' + attribute;
}

std::optional<QByteArray> LinuxBattery::readAttribute(const char *attribute) const
{
    return readSysfsAttribute(attributePath(attribute));
}

std::optional<int64_t> LinuxBattery::readCount(const char *attribute) const
{
    const std::optional<QByteArray> text = readAttribute(attribute);
    return text ? parseSysfsCount(*text) : std::nullopt;
}

BatteryStatus LinuxBattery::readStatus() const
{
    // Only an explicit 0 hides a battery; many drivers have no such file.
    if (readCount("present") == 0)
        return BatteryStatus::NotPresent;

    const std::optional<QByteArray> status = readAttribute("status");
    if (!status)
        return BatteryStatus::NotPresent;
    if (*status == "Discharging")
        return BatteryStatus::Discharging;
    if (*status == "Charging")
        return BatteryStatus::Charging;
    if (*status == "Full" || *status == "Not charging" || *status == "Unknown")
        return BatteryStatus::Idle;
    return BatteryStatus::NotPresent;
}

std::optional<int32_t> LinuxBattery::fromChargeUnits(const char *chargeAttribute) const
{
    const std::optional<int64_t> microampHours = readCount(chargeAttribute);
    if (!microampHours)
        return std::nullopt;
    // The design voltage turns charge into energy, as the kernel's own
    // conversions do; with no voltage there is no energy to report.
    const std::optional<int64_t> microvolts = readCount("voltage_min_design");
    if (!microvolts || *microvolts == 0)
        return std::nullopt;

    // µAh × µV is 10^-12 Wh; a product beyond 64 bits is far beyond 32 bits of mWh.
    int64_t picowattHours = 0;
    if (__builtin_mul_overflow(*microampHours, *microvolts, &picowattHours))
        return std::nullopt;
    return toInt32(picowattHours / 1000000000);
}
