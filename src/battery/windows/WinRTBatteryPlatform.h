#pragma once

#include "battery/IBatteryPlatform.h"

#include <windows.h>

#include <windows.devices.enumeration.h>
#include <windows.devices.power.h>
#include <wrl/client.h>

// The Windows Runtime's battery and device enumeration services. Every call
// is made on the calling thread, which must be in the multithreaded apartment;
// the two asynchronous ones are waited for there.
class WinRTBatteryPlatform : public IBatteryPlatform
{
public:
    std::string deviceSelector() override;
    std::unique_ptr<IDeviceList> findAllDevices(const std::string &selector) override;
    std::unique_ptr<IPlatformBattery> aggregateBattery() override;
    std::unique_ptr<IPlatformBattery> batteryFromId(const std::string &deviceId) override;

private:
    // Looked up on first use, so a missing service fails a reading pass (which
    // the caller handles) rather than the platform's creation.
    ABI::Windows::Devices::Power::IBatteryStatics *batteryStatics();
    ABI::Windows::Devices::Enumeration::IDeviceInformationStatics *deviceInformationStatics();

    Microsoft::WRL::ComPtr<ABI::Windows::Devices::Power::IBatteryStatics> m_batteryStatics;
    Microsoft::WRL::ComPtr<ABI::Windows::Devices::Enumeration::IDeviceInformationStatics> m_deviceInformationStatics;
};
