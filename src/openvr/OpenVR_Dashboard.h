#pragma once

#include "openvr/OpenVR_InputRenderer.h"

#include <QString>

// The dashboard panel's overlay in the VR dashboard, with its thumbnail. The
// runtime shows, hides and places dashboard overlays itself.
class OpenVR_Dashboard : public OpenVR_InputRenderer
{
public:
    OpenVR_Dashboard(std::string friendlyName, std::string key, const std::string &thumbnailPath);

    void setVisible(bool visible) override;
    void setPlacement(float x, float y, float distance, float interpolationSpeed) override;

    vr::VROverlayHandle_t thumbnailHandle() const { return m_thumbnailHandle; }

    // The thumbnail image's absolute path for a path relative to the program's folder.
    static QString resolveThumbnailPath(const std::string &thumbnailPath);

protected:
    vr::EVROverlayError createInRuntime(vr::IVROverlay *overlay) override;
    void reportCreateError(vr::EVROverlayError error) override;
    void onCreated() override;
    void applyOwnPending(vr::IVROverlay *overlay) override;
    bool hasOwnPending() const override { return m_inputMethodPending || m_thumbnailPending; }

private:
    vr::VROverlayHandle_t m_thumbnailHandle = vr::k_ulOverlayHandleInvalid;
    std::string m_thumbnailFile;
    bool m_inputMethodPending = false;
    bool m_thumbnailPending = false;
    RepeatingFailure m_inputMethodFailure {"SetOverlayInputMethod"};
    RepeatingFailure m_thumbnailFailure {"SetOverlayFromFile"};
};
