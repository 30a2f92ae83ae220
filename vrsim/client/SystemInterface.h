#pragma once

#include <openvr.h>

namespace vrsim {

class RuntimeClient;

// IVRSystem, answered entirely in the process: the display timing came with the connection and
// the runtime pushes events into the local queue. Only the quit acknowledgement goes out.
class SystemInterface : public vr::IVRSystem
{
public:
    explicit SystemInterface(RuntimeClient &client)
        : m_client(client)
    { }

    bool PollNextEvent(vr::VREvent_t *pEvent, uint32_t uncbVREvent) override;
    float GetFloatTrackedDeviceProperty(vr::TrackedDeviceIndex_t unDeviceIndex, vr::ETrackedDeviceProperty prop,
        vr::ETrackedPropertyError *pError) override;
    bool GetTimeSinceLastVsync(float *pfSecondsSinceLastVsync, uint64_t *pulFrameCounter) override;
    void AcknowledgeQuit_Exiting() override;

private:
    RuntimeClient &m_client;
};

} // namespace vrsim
