#pragma once

#include "battery/IBatteryPlatform.h"

#include <windows.h>

#include <windows.devices.power.h>
#include <wrl/client.h>

// One runtime battery object: the aggregate battery or one from its device id.
class WinRTPlatformBattery : public IPlatformBattery
{
public:
    explicit WinRTPlatformBattery(Microsoft::WRL::ComPtr<ABI::Windows::Devices::Power::IBattery> battery);

    std::string deviceId() override;
    // Reads only as far as the status and the capacities found so far allow.
    BatteryReport report() override;

private:
    Microsoft::WRL::ComPtr<ABI::Windows::Devices::Power::IBattery> m_battery;
};
