#pragma once

#include "openvr/IInputSource.h"
#include "openvr/IVRRenderer.h"

#include <openvr.h>

#include <string>

#ifndef VOLTARO_FLIP_OVERLAY_MOUSE_Y
#define VOLTARO_FLIP_OVERLAY_MOUSE_Y 0
#endif

// The common half of the program's two overlays: mouse events out of the
// runtime, texture, mouse scale, width and alpha into it. Subclasses create
// the overlay and decide visibility and placement.
class OpenVR_InputRenderer
    : public IInputSource
    , public IVRRenderer
{
public:
    ~OpenVR_InputRenderer() override = default;

    bool pollEvent(OverlayMouseEvent &event) override;
    void discardEvents() override;

    void setTexture(uint32_t textureId) override;
    void setMouseScale(int32_t width, int32_t height) override;
    void setWidthInMeters(float width) override;
    void setAlpha(float alpha) override;

    vr::VROverlayHandle_t handle() const { return m_handle; }

    // The real runtime on Linux reports overlay mouse y upwards from the
    // bottom edge; the panels count downwards from the top. The build's
    // default is VOLTARO_FLIP_OVERLAY_MOUSE_Y.
    void setMouseYFromBottom(bool fromBottom) { m_mouseYFromBottom = fromBottom; }

protected:
    OpenVR_InputRenderer(std::string name, std::string key);

    vr::VROverlayHandle_t m_handle = vr::k_ulOverlayHandleInvalid;
    std::string m_name;
    std::string m_key;
    float m_fovHorizontal = 100.0f;
    float m_fovVertical = 110.0f;
    // The mouse-scale height last set; the controller sets it before it takes events.
    float m_mouseScaleHeight = 1.0f;
    bool m_mouseYFromBottom = VOLTARO_FLIP_OVERLAY_MOUSE_Y != 0;
};
