#pragma once

#include "battery/IBatteryPlatform.h"

#include <windows.h>

#include <windows.devices.enumeration.h>
#include <wrl/client.h>

// The result of one enumeration; each call goes to the runtime's collection.
class WinRTDeviceList : public IDeviceList
{
public:
    using Collection
        = ABI::Windows::Foundation::Collections::IVectorView<ABI::Windows::Devices::Enumeration::DeviceInformation *>;

    explicit WinRTDeviceList(Microsoft::WRL::ComPtr<Collection> devices);

    uint32_t size() override;
    std::string deviceId(uint32_t index) override;

private:
    Microsoft::WRL::ComPtr<Collection> m_devices;
};
