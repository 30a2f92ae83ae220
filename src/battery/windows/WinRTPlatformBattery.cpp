#include "battery/windows/WinRTPlatformBattery.h"

#include "battery/windows/HResultError.h"
#include "battery/windows/WinRTText.h"

#include <windows.system.power.h>

using ABI::Windows::Devices::Power::IBattery;
using ABI::Windows::Devices::Power::IBatteryReport;
using ABI::Windows::Foundation::IReference;
using Microsoft::WRL::ComPtr;
using Microsoft::WRL::Wrappers::HString;

WinRTPlatformBattery::WinRTPlatformBattery(ComPtr<IBattery> battery)
    : m_battery(std::move(battery))
{ }

std::string WinRTPlatformBattery::deviceId()
{
    HString id;
    throwIfFailed(m_battery->get_DeviceId(id.GetAddressOf()), "Battery.DeviceId");
    return toUtf8(id.Get());
}

BatteryReport WinRTPlatformBattery::report()
{
    ComPtr<IBatteryReport> report;
    throwIfFailed(m_battery->GetReport(&report), "Battery.GetReport");
    ABI::Windows::System::Power::BatteryStatus status {};
    throwIfFailed(report->get_Status(&status), "BatteryReport.Status");

    BatteryReport result;
    const int32_t statusValue = static_cast<int32_t>(status);
    result.status = static_cast<BatteryStatus>(statusValue);
    const bool present = statusValue >= static_cast<int32_t>(BatteryStatus::Discharging)
        && statusValue <= static_cast<int32_t>(BatteryStatus::Charging);
    if (!present)
        return result;

    ComPtr<IReference<INT32>> full;
    throwIfFailed(
        report->get_FullChargeCapacityInMilliwattHours(&full), "BatteryReport.FullChargeCapacityInMilliwattHours");
    if (!full)
        return result;
    ComPtr<IReference<INT32>> remaining;
    throwIfFailed(
        report->get_RemainingCapacityInMilliwattHours(&remaining), "BatteryReport.RemainingCapacityInMilliwattHours");
    if (!remaining)
        return result;

    INT32 fullValue = 0;
    INT32 remainingValue = 0;
    throwIfFailed(full->get_Value(&fullValue), "FullChargeCapacityInMilliwattHours.Value");
    throwIfFailed(remaining->get_Value(&remainingValue), "RemainingCapacityInMilliwattHours.Value");
    result.fullChargeCapacityInMilliwattHours = fullValue;
    result.remainingCapacityInMilliwattHours = remainingValue;
    return result;
}
