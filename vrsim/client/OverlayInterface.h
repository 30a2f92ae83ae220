#pragma once

#include "ApiMethod.h"
#include "Messages.h"

#include <openvr.h>

namespace vrsim {

class RuntimeClient;
struct LocalOverlay;

// IVROverlay. Creating overlays and loading files ask the runtime; everything else is decided
// from the local mirror, and only a change of an overlay's state is sent, without waiting.
class OverlayInterface : public vr::IVROverlay
{
public:
    explicit OverlayInterface(RuntimeClient &client)
        : m_client(client)
    { }

    vr::EVROverlayError CreateOverlay(
        const char *pchOverlayKey, const char *pchOverlayName, vr::VROverlayHandle_t *pOverlayHandle) override;
    vr::EVROverlayError CreateDashboardOverlay(const char *pchOverlayKey, const char *pchOverlayFriendlyName,
        vr::VROverlayHandle_t *pMainHandle, vr::VROverlayHandle_t *pThumbnailHandle) override;
    vr::EVROverlayError ShowOverlay(vr::VROverlayHandle_t ulOverlayHandle) override;
    vr::EVROverlayError HideOverlay(vr::VROverlayHandle_t ulOverlayHandle) override;
    bool IsOverlayVisible(vr::VROverlayHandle_t ulOverlayHandle) override;
    bool IsDashboardVisible() override;
    vr::EVROverlayError SetOverlayTexture(
        vr::VROverlayHandle_t ulOverlayHandle, const vr::Texture_t *pTexture) override;
    bool PollNextOverlayEvent(
        vr::VROverlayHandle_t ulOverlayHandle, vr::VREvent_t *pEvent, uint32_t uncbVREvent) override;
    vr::EVROverlayError SetOverlayMouseScale(
        vr::VROverlayHandle_t ulOverlayHandle, const vr::HmdVector2_t *pvecMouseScale) override;
    vr::EVROverlayError SetOverlayWidthInMeters(vr::VROverlayHandle_t ulOverlayHandle, float fWidthInMeters) override;
    vr::EVROverlayError SetOverlayAlpha(vr::VROverlayHandle_t ulOverlayHandle, float fAlpha) override;
    vr::EVROverlayError SetOverlayInputMethod(
        vr::VROverlayHandle_t ulOverlayHandle, vr::VROverlayInputMethod eInputMethod) override;
    vr::EVROverlayError SetOverlayFromFile(vr::VROverlayHandle_t ulOverlayHandle, const char *pchFilePath) override;
    vr::EVROverlayError SetOverlayTransformTrackedDeviceRelative(vr::VROverlayHandle_t ulOverlayHandle,
        vr::TrackedDeviceIndex_t unTrackedDevice,
        const vr::HmdMatrix34_t *pmatTrackedDeviceToOverlayTransform) override;

private:
    vr::EVROverlayError create(const char *key, const char *name, bool dashboard, vr::VROverlayHandle_t *mainHandle,
        vr::VROverlayHandle_t *thumbnailHandle);
    vr::EVROverlayError setVisible(vr::VROverlayHandle_t handle, bool visible, ApiMethod method);
    // The common path of the setters: connection, armed failure, handle; then change(overlay,
    // update) edits the mirrored overlay and the Update message for it, and returns true when the
    // runtime must hear of it.
    template<class Update, class Change>
    vr::EVROverlayError changeOverlay(vr::VROverlayHandle_t handle, ApiMethod method, Change change);

    RuntimeClient &m_client;
};

} // namespace vrsim
