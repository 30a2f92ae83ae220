#pragma once

#include "openvr/IInputSource.h"
#include "openvr/IVRRenderer.h"

#include <openvr.h>

#include <string>

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

protected:
    OpenVR_InputRenderer(std::string name, std::string key);

    vr::VROverlayHandle_t m_handle = vr::k_ulOverlayHandleInvalid;
    std::string m_name;
    std::string m_key;
    float m_fovHorizontal = 100.0f;
    float m_fovVertical = 110.0f;
};
