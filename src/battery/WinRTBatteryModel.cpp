#include "battery/WinRTBatteryModel.h"

#include <QDebug>
#include <QTimer>

#include <algorithm>

WinRTBatteryModel::WinRTBatteryModel()
    : WinRTBatteryModel(createDefaultBatteryPlatform())
{ }

WinRTBatteryModel::WinRTBatteryModel(std::shared_ptr<IBatteryPlatform> platform)
    : m_platform(std::move(platform))
{
    // The first pass runs here, so a new model already holds a reading. If it
    // throws, the timer does not exist yet and nothing leaks.
    m_levels = readLevels();

    m_refreshTimer = new QTimer;
    m_refreshTimer->setInterval(refreshIntervalMs);
    m_refreshTimer->setSingleShot(false);
    connect(m_refreshTimer, &QTimer::timeout, this, &WinRTBatteryModel::refresh);
    m_refreshTimer->start();
}

WinRTBatteryModel::~WinRTBatteryModel()
{
    delete m_refreshTimer;
}

BatteryLevels WinRTBatteryModel::currentLevels()
{
    return m_levels;
}

void WinRTBatteryModel::refresh()
{
    // A failed pass keeps the previous snapshot whole. Log the change of state
    // only, not every 1.5 s while a battery service stays broken.
    try {
        m_levels = readLevels();
        if (m_failing) {
            qWarning() << "Battery readings recovered";
            m_failing = false;
        }
    } catch (const std::exception &error) {
        if (!m_failing) {
            qWarning() << "Battery reading failed, keeping the last levels:" << error.what();
            m_failing = true;
        }
    }
}

int32_t WinRTBatteryModel::chargePercent(IPlatformBattery &battery)
{
    const BatteryReport report = battery.report();
    if (report.status != BatteryStatus::Discharging && report.status != BatteryStatus::Idle
        && report.status != BatteryStatus::Charging)
        return 0;
    if (!report.fullChargeCapacityInMilliwattHours || !report.remainingCapacityInMilliwattHours)
        return 0;

    const int32_t full = *report.fullChargeCapacityInMilliwattHours;
    const int32_t remaining = *report.remainingCapacityInMilliwattHours;
    if (full == 0)
        return 0;

    double percent = static_cast<double>(remaining) / static_cast<double>(full) * 100.0;
    percent = std::max(percent, 0.0);
    percent = std::min(percent, 100.0);
    return static_cast<int32_t>(percent); // truncates: 99.9 % is not full
}

BatteryLevels WinRTBatteryModel::readLevels()
{
    const std::string selector = m_platform->deviceSelector();
    const std::unique_ptr<IDeviceList> devices = m_platform->findAllDevices(selector);

    BatteryLevels result;
    if (std::unique_ptr<IPlatformBattery> aggregate = m_platform->aggregateBattery())
        result.aggregate = chargePercent(*aggregate);

    // The list is walked only now, after the aggregate battery, one device at a
    // time: the order in which the runtime's calls are made on Windows.
    const uint32_t count = devices ? devices->size() : 0;
    for (uint32_t index = 0; index < count; ++index) {
        std::unique_ptr<IPlatformBattery> battery = m_platform->batteryFromId(devices->deviceId(index));
        if (!battery)
            continue;
        const int32_t percent = chargePercent(*battery);

        // The placement character sits at byte 17 of the battery's identifier,
        // as in \\?\ACPI#PNP0C0A#1#...: 1 internal, 2 left pack, 3 right pack.
        const std::string id = battery->deviceId();
        if (id.size() < 18)
            continue;
        switch (id[17]) {
        case '1':
            result.center = percent;
            break;
        case '2':
            result.left = percent;
            break;
        case '3':
            result.right = percent;
            break;
        default:
            break;
        }
    }

    result.remainingTimeSeconds = -1;
    return result;
}
