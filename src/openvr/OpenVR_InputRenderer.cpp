#include "openvr/OpenVR_InputRenderer.h"

#include "openvr/OpenVR_System.h"

#include <QDebug>

OpenVR_InputRenderer::OpenVR_InputRenderer(std::string name, std::string key)
    : m_name(std::move(name))
    , m_key(std::move(key))
{
    if (!OpenVR_System::instance().isInitialized())
        qWarning() << "InputRenderer created before OpenVR was initialized";
}

bool OpenVR_InputRenderer::pollEvent(OverlayMouseEvent &event)
{
    // The accessor is null once the runtime has been shut down; from then on
    // the overlay is simply quiet.
    vr::IVROverlay *overlay = vr::VROverlay();
    if (!overlay)
        return false;

    vr::VREvent_t vrEvent;
    while (overlay->PollNextOverlayEvent(m_handle, &vrEvent, sizeof(vrEvent))) {
        // Coordinates and button are copied whatever the event is, as a skipped
        // event leaves them in the record too.
        event.x = vrEvent.data.mouse.x;
        event.y = m_mouseYFromBottom ? m_mouseScaleHeight - vrEvent.data.mouse.y : vrEvent.data.mouse.y;
        switch (vrEvent.data.mouse.button) {
        case vr::VRMouseButton_Left:
            event.button = 0;
            break;
        case vr::VRMouseButton_Right:
            event.button = 1;
            break;
        case vr::VRMouseButton_Middle:
            event.button = 3;
            break;
        default:
            break;
        }

        switch (vrEvent.eventType) {
        case vr::VREvent_MouseMove:
            event.kind = 0;
            return true;
        case vr::VREvent_MouseButtonDown:
            event.kind = 2;
            return true;
        case vr::VREvent_MouseButtonUp:
            event.kind = 1;
            return true;
        default:
            break; // not a mouse event: take the next one
        }
    }
    return false;
}

void OpenVR_InputRenderer::discardEvents()
{
    vr::IVROverlay *overlay = vr::VROverlay();
    if (!overlay)
        return;
    vr::VREvent_t vrEvent;
    while (overlay->PollNextOverlayEvent(m_handle, &vrEvent, sizeof(vrEvent))) { }
}

void OpenVR_InputRenderer::setTexture(uint32_t textureId)
{
    vr::IVROverlay *overlay = vr::VROverlay();
    if (!overlay)
        return;
    // Nobody sees the overlay: submitting would only cost the runtime a copy.
    if (!overlay->IsDashboardVisible() && !overlay->IsOverlayVisible(m_handle))
        return;

    vr::Texture_t texture;
    texture.handle = reinterpret_cast<void *>(static_cast<uintptr_t>(textureId));
    texture.eType = vr::TextureType_OpenGL;
    texture.eColorSpace = vr::ColorSpace_Auto;
    const vr::EVROverlayError error = overlay->SetOverlayTexture(m_handle, &texture);
    if (error != vr::VROverlayError_None) {
        qDebug() << "Error setting overlay texture, name=" << m_name.c_str() << "Texture=" << textureId
                 << " error=" << static_cast<int>(error);
    }
}

void OpenVR_InputRenderer::setMouseScale(int32_t width, int32_t height)
{
    vr::IVROverlay *overlay = vr::VROverlay();
    if (!overlay)
        return;
    vr::HmdVector2_t scale;
    scale.v[0] = static_cast<float>(width);
    scale.v[1] = static_cast<float>(height);
    if (overlay->SetOverlayMouseScale(m_handle, &scale) != vr::VROverlayError_None)
        qCritical() << "Error in SetOverlayMouseScale(), m_handle=" << static_cast<quint64>(m_handle);
    else
        m_mouseScaleHeight = scale.v[1];
}

void OpenVR_InputRenderer::setWidthInMeters(float width)
{
    if (vr::IVROverlay *overlay = vr::VROverlay())
        overlay->SetOverlayWidthInMeters(m_handle, width);
}

void OpenVR_InputRenderer::setAlpha(float alpha)
{
    if (vr::IVROverlay *overlay = vr::VROverlay())
        overlay->SetOverlayAlpha(m_handle, alpha);
}
