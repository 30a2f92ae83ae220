#include "battery/windows/WinRTDeviceList.h"

#include "battery/windows/HResultError.h"
#include "battery/windows/WinRTText.h"

using ABI::Windows::Devices::Enumeration::IDeviceInformation;
using Microsoft::WRL::ComPtr;
using Microsoft::WRL::Wrappers::HString;

WinRTDeviceList::WinRTDeviceList(ComPtr<Collection> devices)
    : m_devices(std::move(devices))
{ }

uint32_t WinRTDeviceList::size()
{
    unsigned int count = 0;
    throwIfFailed(m_devices->get_Size(&count), "DeviceInformationCollection.Size");
    return count;
}

std::string WinRTDeviceList::deviceId(uint32_t index)
{
    ComPtr<IDeviceInformation> device;
    throwIfFailed(m_devices->GetAt(index, &device), "DeviceInformationCollection.GetAt");
    HString id;
    throwIfFailed(device->get_Id(id.GetAddressOf()), "DeviceInformation.Id");
    return toUtf8(id.Get());
}
