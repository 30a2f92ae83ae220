#include "SystemInterface.h"

#include "RuntimeClient.h"

namespace vrsim {

bool SystemInterface::PollNextEvent(vr::VREvent_t *pEvent, uint32_t uncbVREvent)
{
    m_client.serveWantedFrames();
    if (!pEvent || uncbVREvent != sizeof(vr::VREvent_t))
        return false;
    ClientState &state = m_client.state();
    std::lock_guard<std::mutex> lock(state.mutex);
    // Events that came before the runtime went away are still delivered: a Quit among them
    // is exactly what the application needs to see.
    return state.systemEvents.pop(*pEvent);
}

float SystemInterface::GetFloatTrackedDeviceProperty(
    vr::TrackedDeviceIndex_t unDeviceIndex, vr::ETrackedDeviceProperty prop, vr::ETrackedPropertyError *pError)
{
    auto answer = [pError](vr::ETrackedPropertyError error, float value) {
        if (pError)
            *pError = error;
        return value;
    };
    if (!m_client.connected())
        return answer(vr::TrackedProp_CouldNotContactServer, 0.0f);
    if (unDeviceIndex != vr::k_unTrackedDeviceIndex_Hmd)
        return answer(vr::TrackedProp_InvalidDevice, 0.0f);
    // Written once at connect, before any call can see the connection as up.
    const DisplayTiming &timing = m_client.state().timing;
    switch (prop) {
    case vr::Prop_DisplayFrequency_Float:
        return answer(vr::TrackedProp_Success, static_cast<float>(timing.hz));
    case vr::Prop_SecondsFromVsyncToPhotons_Float:
        return answer(vr::TrackedProp_Success, static_cast<float>(timing.secondsFromVsyncToPhotons));
    }
    return answer(vr::TrackedProp_UnknownProperty, 0.0f);
}

bool SystemInterface::GetTimeSinceLastVsync(float *pfSecondsSinceLastVsync, uint64_t *pulFrameCounter)
{
    m_client.serveWantedFrames();
    float seconds = 0.0f;
    uint64_t frame = 0;
    const bool known = m_client.connected();
    if (known) {
        const DisplayTiming &timing = m_client.state().timing;
        const int64_t now = monotonicNs();
        seconds = static_cast<float>(timing.secondsSinceVsyncAt(now));
        frame = timing.frameAt(now);
    }
    if (pfSecondsSinceLastVsync)
        *pfSecondsSinceLastVsync = seconds;
    if (pulFrameCounter)
        *pulFrameCounter = frame;
    return known;
}

void SystemInterface::AcknowledgeQuit_Exiting()
{
    // Nothing to wait for: the runtime only records it, and an application that is leaving
    // must not stall on a runtime that may be going away itself.
    m_client.connection().send(msg::QuitAcknowledged());
}

} // namespace vrsim
