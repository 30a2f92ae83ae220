#include "battery/windows/WinRTBatteryPlatform.h"

#include "battery/windows/AsyncWait.h"
#include "battery/windows/HResultError.h"
#include "battery/windows/WinRTDeviceList.h"
#include "battery/windows/WinRTPlatformBattery.h"
#include "battery/windows/WinRTText.h"

#include <roapi.h>
#include <wrl/wrappers/corewrappers.h>

using ABI::Windows::Devices::Enumeration::DeviceInformationCollection;
using ABI::Windows::Devices::Enumeration::IDeviceInformationStatics;
using ABI::Windows::Devices::Power::Battery;
using ABI::Windows::Devices::Power::IBattery;
using ABI::Windows::Devices::Power::IBatteryStatics;
using ABI::Windows::Foundation::IAsyncOperation;
using Microsoft::WRL::ComPtr;
using Microsoft::WRL::Wrappers::HString;
using Microsoft::WRL::Wrappers::HStringReference;

IBatteryStatics *WinRTBatteryPlatform::batteryStatics()
{
    if (!m_batteryStatics) {
        throwIfFailed(RoGetActivationFactory(
                          HStringReference(L"Windows.Devices.Power.Battery").Get(), IID_PPV_ARGS(&m_batteryStatics)),
            "RoGetActivationFactory(Windows.Devices.Power.Battery)");
    }
    return m_batteryStatics.Get();
}

IDeviceInformationStatics *WinRTBatteryPlatform::deviceInformationStatics()
{
    if (!m_deviceInformationStatics) {
        throwIfFailed(RoGetActivationFactory(HStringReference(L"Windows.Devices.Enumeration.DeviceInformation").Get(),
                          IID_PPV_ARGS(&m_deviceInformationStatics)),
            "RoGetActivationFactory(Windows.Devices.Enumeration.DeviceInformation)");
    }
    return m_deviceInformationStatics.Get();
}

std::string WinRTBatteryPlatform::deviceSelector()
{
    HString selector;
    throwIfFailed(batteryStatics()->GetDeviceSelector(selector.GetAddressOf()), "Battery.GetDeviceSelector");
    return toUtf8(selector.Get());
}

std::unique_ptr<IDeviceList> WinRTBatteryPlatform::findAllDevices(const std::string &selector)
{
    const HString filter = toHString(selector);
    ComPtr<IAsyncOperation<DeviceInformationCollection *>> operation;
    throwIfFailed(
        deviceInformationStatics()->FindAllAsyncAqsFilter(filter.Get(), &operation), "DeviceInformation.FindAllAsync");
    awaitCompletion(operation);
    ComPtr<WinRTDeviceList::Collection> devices;
    throwIfFailed(operation->GetResults(&devices), "DeviceInformation.FindAllAsync results");
    return std::make_unique<WinRTDeviceList>(std::move(devices));
}

std::unique_ptr<IPlatformBattery> WinRTBatteryPlatform::aggregateBattery()
{
    ComPtr<IBattery> battery;
    throwIfFailed(batteryStatics()->get_AggregateBattery(&battery), "Battery.AggregateBattery");
    return std::make_unique<WinRTPlatformBattery>(std::move(battery));
}

std::unique_ptr<IPlatformBattery> WinRTBatteryPlatform::batteryFromId(const std::string &deviceId)
{
    const HString id = toHString(deviceId);
    ComPtr<IAsyncOperation<Battery *>> operation;
    throwIfFailed(batteryStatics()->FromIdAsync(id.Get(), &operation), "Battery.FromIdAsync");
    awaitCompletion(operation);
    ComPtr<IBattery> battery;
    throwIfFailed(operation->GetResults(&battery), "Battery.FromIdAsync results");
    // A device that is no battery after all: no failure, the pass skips it.
    if (!battery)
        return nullptr;
    return std::make_unique<WinRTPlatformBattery>(std::move(battery));
}

std::shared_ptr<IBatteryPlatform> createDefaultBatteryPlatform()
{
    return std::make_shared<WinRTBatteryPlatform>();
}
