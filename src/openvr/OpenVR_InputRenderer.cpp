#include "openvr/OpenVR_InputRenderer.h"

#include "openvr/OpenVR_System.h"

#include <QDebug>

#include <algorithm>

OpenVR_InputRenderer::OpenVR_InputRenderer(std::string name, std::string key, const char *createCall)
    : m_name(std::move(name))
    , m_key(std::move(key))
    , m_createFailure(createCall)
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
        case vr::VREvent_OverlayShown:
            askWhetherSeen();
            break;
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
    // A shown event may have gone with the rest.
    askWhetherSeen();
}

void OpenVR_InputRenderer::create()
{
    vr::IVROverlay *overlay = vr::VROverlay();
    const vr::EVROverlayError error = overlay ? createInRuntime(overlay) : vr::VROverlayError_RequestFailed;
    if (error != vr::VROverlayError_None) {
        if (m_createFailure.failed())
            reportCreateError(error);
        // A runtime that is still starting gets a moment; one that keeps
        // refusing is asked less often, but never so rarely that the panel
        // stays away for long once it would work.
        m_nextCreateAttempt.setRemainingTime(m_createRetryMs);
        m_createRetryMs = std::min(m_createRetryMs * 2, maxCreateRetryMs);
        return;
    }
    m_created = true;
    askWhetherSeen();
    m_createFailure.succeeded(m_name);
    onCreated();
    // Whatever was asked while there was no overlay: the setters kept it
    // pending without calling the runtime.
    applyPending(overlay);
}

void OpenVR_InputRenderer::tick()
{
    if (!m_created) {
        if (m_nextCreateAttempt.hasExpired())
            create();
        return;
    }
    if (!hasPendingCalls())
        return;
    if (vr::IVROverlay *overlay = vr::VROverlay())
        applyPending(overlay);
}

bool OpenVR_InputRenderer::hasPendingCalls() const
{
    return !m_created || (m_texturePending && !isHiddenOnRequest()) || m_mouseScalePending || m_widthPending
        || m_alphaPending || hasOwnPending();
}

void OpenVR_InputRenderer::applyPending(vr::IVROverlay *overlay)
{
    applyMouseScale(overlay);
    applyWidth(overlay);
    applyAlpha(overlay);
    applyOwnPending(overlay);
    applyTexture(overlay);
}

void OpenVR_InputRenderer::setTexture(uint32_t textureId)
{
    m_texture = textureId;
    m_hasTexture = true;
    m_texturePending = true;
    // A new picture is worth one question.
    askWhetherSeen();
    if (!m_created)
        return;
    if (vr::IVROverlay *overlay = vr::VROverlay())
        applyTexture(overlay);
}

void OpenVR_InputRenderer::resubmitTexture()
{
    if (m_hasTexture)
        m_texturePending = true;
    askWhetherSeen();
}

void OpenVR_InputRenderer::applyTexture(vr::IVROverlay *overlay)
{
    if (!m_created || !m_texturePending || isHiddenOnRequest())
        return;
    // Nobody sees the overlay: submitting would only cost the runtime a copy.
    // The texture stays pending and goes over once someone can see it. Told
    // so, the overlay does not ask again on every tick (with a real runtime,
    // two calls into another process, 50 times a second while the dashboard
    // is closed): the runtime's shown event ends the wait, and the occasional
    // question covers a shown event that never came.
    if (!m_unseenUntil.hasExpired())
        return;
    if (!overlay->IsDashboardVisible() && !overlay->IsOverlayVisible(m_handle)) {
        m_unseenUntil.setRemainingTime(unseenRecheckMs);
        return;
    }

    vr::Texture_t texture;
    texture.handle = reinterpret_cast<void *>(static_cast<uintptr_t>(m_texture));
    texture.eType = vr::TextureType_OpenGL;
    texture.eColorSpace = vr::ColorSpace_Auto;
    const vr::EVROverlayError error = overlay->SetOverlayTexture(m_handle, &texture);
    if (error != vr::VROverlayError_None) {
        if (m_textureFailure.failed()) {
            qDebug() << "Error setting overlay texture, name=" << m_name.c_str() << "Texture=" << m_texture
                     << " error=" << static_cast<int>(error);
        }
        return;
    }
    m_textureFailure.succeeded(m_name);
    m_texturePending = false;
}

void OpenVR_InputRenderer::setMouseScale(int32_t width, int32_t height)
{
    m_mouseScale.v[0] = static_cast<float>(width);
    m_mouseScale.v[1] = static_cast<float>(height);
    m_mouseScalePending = true;
    if (!m_created)
        return;
    if (vr::IVROverlay *overlay = vr::VROverlay())
        applyMouseScale(overlay);
}

void OpenVR_InputRenderer::applyMouseScale(vr::IVROverlay *overlay)
{
    if (!m_mouseScalePending)
        return;
    if (overlay->SetOverlayMouseScale(m_handle, &m_mouseScale) != vr::VROverlayError_None) {
        if (m_mouseScaleFailure.failed())
            qCritical() << "Error in SetOverlayMouseScale(), m_handle=" << static_cast<quint64>(m_handle);
        return;
    }
    m_mouseScaleFailure.succeeded(m_name);
    m_mouseScalePending = false;
    m_mouseScaleHeight = m_mouseScale.v[1];
}

void OpenVR_InputRenderer::setWidthInMeters(float width)
{
    m_width = width;
    m_widthPending = true;
    if (!m_created)
        return;
    if (vr::IVROverlay *overlay = vr::VROverlay())
        applyWidth(overlay);
}

void OpenVR_InputRenderer::applyWidth(vr::IVROverlay *overlay)
{
    if (!m_widthPending)
        return;
    const vr::EVROverlayError error = overlay->SetOverlayWidthInMeters(m_handle, m_width);
    if (error != vr::VROverlayError_None) {
        if (m_widthFailure.failed()) {
            qWarning() << "Error (" << static_cast<int>(error) << ") setting overlay width, name:" << m_name.c_str();
        }
        return;
    }
    m_widthFailure.succeeded(m_name);
    m_widthPending = false;
}

void OpenVR_InputRenderer::setAlpha(float alpha)
{
    m_alpha = alpha;
    m_alphaPending = true;
    if (!m_created)
        return;
    if (vr::IVROverlay *overlay = vr::VROverlay())
        applyAlpha(overlay);
}

void OpenVR_InputRenderer::applyAlpha(vr::IVROverlay *overlay)
{
    if (!m_alphaPending)
        return;
    const vr::EVROverlayError error = overlay->SetOverlayAlpha(m_handle, m_alpha);
    if (error != vr::VROverlayError_None) {
        if (m_alphaFailure.failed())
            qWarning() << "Error (" << static_cast<int>(error) << ") setting overlay alpha, name:" << m_name.c_str();
        return;
    }
    m_alphaFailure.succeeded(m_name);
    m_alphaPending = false;
}
