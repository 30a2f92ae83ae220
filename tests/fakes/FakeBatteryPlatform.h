#pragma once

#include "battery/BatteryLevels.h"
#include "battery/IBatteryPlatform.h"

#include <QByteArray>
#include <QMetaType>
#include <QtTest/QTest>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

// A battery platform whose devices and reports a test sets directly. It logs
// every call of a pass in order, and throws at the call named in failAt, the
// way a failing runtime call ends a pass half-way.
class FakeBatteryPlatform : public IBatteryPlatform
{
public:
    struct Device
    {
        std::string deviceId;
        bool hasBattery = true; // batteryFromId gives none when false
        std::string batteryId;
        BatteryReport report;
    };

    static BatteryReport reportOf(
        int32_t remaining, int32_t full = 100, BatteryStatus status = BatteryStatus::Discharging)
    {
        BatteryReport report;
        report.status = status;
        report.fullChargeCapacityInMilliwattHours = full;
        report.remainingCapacityInMilliwattHours = remaining;
        return report;
    }

    // A battery whose identifier carries `placement` at byte 17.
    static std::string placedId(char placement) { return std::string("\\\\?\\ACPI#PNP0C0A#") + placement + "#fake"; }

    void addBattery(const std::string &batteryId, const BatteryReport &report)
    {
        devices.push_back({"dev-" + std::to_string(devices.size()), true, batteryId, report});
    }
    void addDeviceWithoutBattery() { devices.push_back({"dev-" + std::to_string(devices.size()), false, {}, {}}); }

    int passes() const { return static_cast<int>(std::count(calls.begin(), calls.end(), "deviceSelector")); }

    std::vector<Device> devices;
    BatteryReport aggregate;
    std::vector<std::string> calls;
    std::string failAt;
    int32_t failureCode = -2147024891; // 0x80070005, access denied

    std::string deviceSelector() override
    {
        call("deviceSelector");
        return "fake-selector";
    }

    std::unique_ptr<IDeviceList> findAllDevices(const std::string &selector) override
    {
        call("findAllDevices(" + selector + ")");
        return std::make_unique<List>(*this);
    }

    std::unique_ptr<IPlatformBattery> aggregateBattery() override
    {
        call("aggregateBattery");
        return std::make_unique<Battery>(*this, "aggregate", aggregate);
    }

    std::unique_ptr<IPlatformBattery> batteryFromId(const std::string &deviceId) override
    {
        call("batteryFromId(" + deviceId + ")");
        for (const Device &device : devices) {
            if (device.deviceId == deviceId && device.hasBattery)
                return std::make_unique<Battery>(*this, device.batteryId, device.report);
        }
        return nullptr;
    }

private:
    class List : public IDeviceList
    {
    public:
        explicit List(FakeBatteryPlatform &platform)
            : m_platform(platform)
        { }
        uint32_t size() override
        {
            m_platform.call("size");
            return static_cast<uint32_t>(m_platform.devices.size());
        }
        std::string deviceId(uint32_t index) override
        {
            m_platform.call("deviceId(" + std::to_string(index) + ")");
            return m_platform.devices.at(index).deviceId;
        }

    private:
        FakeBatteryPlatform &m_platform;
    };

    class Battery : public IPlatformBattery
    {
    public:
        Battery(FakeBatteryPlatform &platform, std::string id, BatteryReport report)
            : m_platform(platform)
            , m_id(std::move(id))
            , m_report(report)
        { }
        std::string deviceId() override
        {
            m_platform.call("batteryDeviceId(" + m_id + ")");
            return m_id;
        }
        BatteryReport report() override
        {
            m_platform.call("report(" + m_id + ")");
            return m_report;
        }

    private:
        FakeBatteryPlatform &m_platform;
        std::string m_id;
        BatteryReport m_report;
    };

    void call(const std::string &name)
    {
        calls.push_back(name);
        if (name == failAt)
            throw BatteryPlatformError("fake " + name + " failed", failureCode);
    }
};

// Lets QCOMPARE print both snapshots when they differ.
inline char *toString(const BatteryLevels &levels)
{
    const QByteArray text = "left " + QByteArray::number(levels.left) + " right " + QByteArray::number(levels.right)
        + " center " + QByteArray::number(levels.center) + " aggregate " + QByteArray::number(levels.aggregate)
        + " remaining " + QByteArray::number(levels.remainingTimeSeconds);
    return qstrdup(text.constData());
}

Q_DECLARE_METATYPE(BatteryLevels)
