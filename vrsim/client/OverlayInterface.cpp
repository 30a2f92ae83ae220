#include "OverlayInterface.h"

#include "AbsolutePath.h"
#include "Codec.h"
#include "GlTexture.h"
#include "RuntimeClient.h"

#include <cmath>
#include <cstring>

namespace vrsim {

namespace {

// The runtime is the one to judge key and name lengths; only what the wire cannot carry is
// refused here.
bool fitsOnWire(const char *text)
{
    return std::strlen(text) <= kMaxTextLength;
}

vr::EVROverlayError replyError(const std::optional<Message> &reply)
{
    if (!reply)
        return vr::VROverlayError_RequestFailed;
    MessageReader reader(*reply);
    const auto error = static_cast<vr::EVROverlayError>(reader.integer());
    return reader.ok() ? error : vr::VROverlayError_RequestFailed;
}

Message propertyUpdate(vr::VROverlayHandle_t handle, OverlayProperty property)
{
    Message update(MessageType::OverlayProperty);
    update << handle << static_cast<int64_t>(property);
    return update;
}

} // namespace

template<class Change>
vr::EVROverlayError OverlayInterface::changeOverlay(vr::VROverlayHandle_t handle, ApiMethod method, Change change)
{
    m_client.serveWantedFrames();
    if (!m_client.connected())
        return vr::VROverlayError_RequestFailed;
    if (const int failure = m_client.injectedFailure(method))
        return static_cast<vr::EVROverlayError>(failure);
    Message update;
    {
        ClientState &state = m_client.state();
        std::lock_guard<std::mutex> lock(state.mutex);
        LocalOverlay *overlay = state.find(handle);
        if (!overlay)
            return vr::VROverlayError_InvalidHandle;
        if (!change(*overlay, update))
            return vr::VROverlayError_None;
    }
    m_client.connection().send(update);
    return vr::VROverlayError_None;
}

vr::EVROverlayError OverlayInterface::CreateOverlay(
    const char *pchOverlayKey, const char *pchOverlayName, vr::VROverlayHandle_t *pOverlayHandle)
{
    if (!pOverlayHandle)
        return vr::VROverlayError_InvalidParameter;
    return create(pchOverlayKey, pchOverlayName, false, pOverlayHandle, nullptr);
}

vr::EVROverlayError OverlayInterface::CreateDashboardOverlay(const char *pchOverlayKey,
    const char *pchOverlayFriendlyName, vr::VROverlayHandle_t *pMainHandle, vr::VROverlayHandle_t *pThumbnailHandle)
{
    if (!pMainHandle || !pThumbnailHandle)
        return vr::VROverlayError_InvalidParameter;
    return create(pchOverlayKey, pchOverlayFriendlyName, true, pMainHandle, pThumbnailHandle);
}

vr::EVROverlayError OverlayInterface::create(const char *key, const char *name, bool dashboard,
    vr::VROverlayHandle_t *mainHandle, vr::VROverlayHandle_t *thumbnailHandle)
{
    *mainHandle = vr::k_ulOverlayHandleInvalid;
    if (thumbnailHandle)
        *thumbnailHandle = vr::k_ulOverlayHandleInvalid;
    if (!m_client.connected())
        return vr::VROverlayError_RequestFailed;
    if (!key || !name)
        return vr::VROverlayError_InvalidParameter;
    if (!fitsOnWire(key))
        return vr::VROverlayError_KeyTooLong;
    if (!fitsOnWire(name))
        return vr::VROverlayError_NameTooLong;

    Message request(MessageType::CreateOverlay);
    request << key << name << dashboard;
    ClientState &state = m_client.state();
    vr::VROverlayHandle_t created = vr::k_ulOverlayHandleInvalid;
    vr::VROverlayHandle_t thumbnail = vr::k_ulOverlayHandleInvalid;
    // The overlay joins the mirror before anything the runtime pushes about it is applied.
    auto addToMirror = [&](const Message &reply) {
        MessageReader reader(reply);
        const int64_t error = reader.integer();
        const auto main = static_cast<vr::VROverlayHandle_t>(reader.integer());
        const auto second = static_cast<vr::VROverlayHandle_t>(reader.integer());
        const bool visible = reader.integer() != 0;
        if (!reader.ok() || error != vr::VROverlayError_None)
            return;
        std::lock_guard<std::mutex> lock(state.mutex);
        state.addOverlay(main, dashboard, visible);
        if (dashboard)
            state.addOverlay(second, true, visible);
        created = main;
        thumbnail = second;
    };
    const std::optional<Message> reply
        = m_client.connection().request(request, RuntimeClient::kReplyTimeout, addToMirror);
    const vr::EVROverlayError error = replyError(reply);
    if (error == vr::VROverlayError_None) {
        *mainHandle = created;
        if (thumbnailHandle)
            *thumbnailHandle = thumbnail;
    }
    return error;
}

vr::EVROverlayError OverlayInterface::ShowOverlay(vr::VROverlayHandle_t ulOverlayHandle)
{
    return setVisible(ulOverlayHandle, true, ApiMethod::ShowOverlay);
}

vr::EVROverlayError OverlayInterface::HideOverlay(vr::VROverlayHandle_t ulOverlayHandle)
{
    return setVisible(ulOverlayHandle, false, ApiMethod::HideOverlay);
}

vr::EVROverlayError OverlayInterface::setVisible(vr::VROverlayHandle_t handle, bool visible, ApiMethod method)
{
    bool refused = false;
    const vr::EVROverlayError error = changeOverlay(handle, method, [&](LocalOverlay &overlay, Message &update) {
        // Only the dashboard shows and hides its overlays.
        if (overlay.dashboard) {
            refused = true;
            return false;
        }
        if (overlay.visible == visible)
            return false;
        overlay.visible = visible;
        update = propertyUpdate(handle, OverlayProperty::Visible);
        update << visible;
        return true;
    });
    return refused ? vr::VROverlayError_PermissionDenied : error;
}

bool OverlayInterface::IsOverlayVisible(vr::VROverlayHandle_t ulOverlayHandle)
{
    m_client.serveWantedFrames();
    if (!m_client.connected())
        return false;
    ClientState &state = m_client.state();
    std::lock_guard<std::mutex> lock(state.mutex);
    const LocalOverlay *overlay = state.find(ulOverlayHandle);
    return overlay && overlay->visible;
}

bool OverlayInterface::IsDashboardVisible()
{
    m_client.serveWantedFrames();
    return m_client.connected() && m_client.state().dashboardVisible.load(std::memory_order_relaxed);
}

vr::EVROverlayError OverlayInterface::SetOverlayTexture(
    vr::VROverlayHandle_t ulOverlayHandle, const vr::Texture_t *pTexture)
{
    if (!m_client.connected())
        return vr::VROverlayError_RequestFailed;
    if (!pTexture)
        return vr::VROverlayError_InvalidParameter;
    if (const int failure = m_client.injectedFailure(ApiMethod::SetOverlayTexture))
        return static_cast<vr::EVROverlayError>(failure);
    // The runtime has no DirectX or Vulkan to read from.
    if (pTexture->eType != vr::TextureType_OpenGL)
        return vr::VROverlayError_InvalidTexture;

    ClientState &state = m_client.state();
    bool wanted = false;
    {
        std::lock_guard<std::mutex> lock(state.mutex);
        const LocalOverlay *overlay = state.find(ulOverlayHandle);
        if (!overlay)
            return vr::VROverlayError_InvalidHandle;
        wanted = overlay->frameWanted;
    }

    const GlTexture texture(static_cast<uint32_t>(reinterpret_cast<uintptr_t>(pTexture->handle)));
    int32_t width = 0;
    int32_t height = 0;
    if (!texture.querySize(width, height))
        return vr::VROverlayError_InvalidTexture;
    Bytes pixels;
    if (wanted && width <= static_cast<int32_t>(kMaxFrameSide) && height <= static_cast<int32_t>(kMaxFrameSide))
        wanted = texture.read(width, height, pixels);
    else
        wanted = false;

    uint64_t submits = 0;
    {
        std::lock_guard<std::mutex> lock(state.mutex);
        LocalOverlay *overlay = state.find(ulOverlayHandle);
        if (!overlay)
            return vr::VROverlayError_InvalidHandle;
        submits = ++overlay->submits;
        overlay->textureWidth = width;
        overlay->textureHeight = height;
        overlay->lastTexture = texture.name();
        if (wanted) {
            overlay->frameWanted = false;
            overlay->serveFromLastTexture = false;
        }
    }
    if (wanted) {
        Message frame(MessageType::Frame);
        frame << ulOverlayHandle << submits << width << height << std::move(pixels);
        m_client.connection().send(frame);
    }
    return vr::VROverlayError_None;
}

bool OverlayInterface::PollNextOverlayEvent(
    vr::VROverlayHandle_t ulOverlayHandle, vr::VREvent_t *pEvent, uint32_t uncbVREvent)
{
    m_client.serveWantedFrames();
    if (!pEvent || uncbVREvent != sizeof(vr::VREvent_t))
        return false;
    ClientState &state = m_client.state();
    std::lock_guard<std::mutex> lock(state.mutex);
    LocalOverlay *overlay = state.find(ulOverlayHandle);
    return overlay && overlay->events.pop(*pEvent);
}

vr::EVROverlayError OverlayInterface::SetOverlayMouseScale(
    vr::VROverlayHandle_t ulOverlayHandle, const vr::HmdVector2_t *pvecMouseScale)
{
    auto positive = [](float value) { return std::isfinite(value) && value > 0; };
    if (!pvecMouseScale || !positive(pvecMouseScale->v[0]) || !positive(pvecMouseScale->v[1]))
        return vr::VROverlayError_InvalidParameter;
    return changeOverlay(ulOverlayHandle, ApiMethod::SetOverlayMouseScale, [&](LocalOverlay &overlay, Message &update) {
        if (overlay.mouseScale[0] == pvecMouseScale->v[0] && overlay.mouseScale[1] == pvecMouseScale->v[1])
            return false;
        overlay.mouseScale[0] = pvecMouseScale->v[0];
        overlay.mouseScale[1] = pvecMouseScale->v[1];
        update = propertyUpdate(ulOverlayHandle, OverlayProperty::MouseScale);
        update << pvecMouseScale->v[0] << pvecMouseScale->v[1];
        return true;
    });
}

vr::EVROverlayError OverlayInterface::SetOverlayWidthInMeters(
    vr::VROverlayHandle_t ulOverlayHandle, float fWidthInMeters)
{
    if (!(std::isfinite(fWidthInMeters) && fWidthInMeters > 0))
        return vr::VROverlayError_InvalidParameter;
    return changeOverlay(
        ulOverlayHandle, ApiMethod::SetOverlayWidthInMeters, [&](LocalOverlay &overlay, Message &update) {
            if (overlay.widthInMeters == fWidthInMeters)
                return false;
            overlay.widthInMeters = fWidthInMeters;
            update = propertyUpdate(ulOverlayHandle, OverlayProperty::WidthInMeters);
            update << fWidthInMeters;
            return true;
        });
}

vr::EVROverlayError OverlayInterface::SetOverlayAlpha(vr::VROverlayHandle_t ulOverlayHandle, float fAlpha)
{
    if (!(fAlpha >= 0.0f && fAlpha <= 1.0f))
        return vr::VROverlayError_InvalidParameter;
    return changeOverlay(ulOverlayHandle, ApiMethod::SetOverlayAlpha, [&](LocalOverlay &overlay, Message &update) {
        if (overlay.alpha == fAlpha)
            return false;
        overlay.alpha = fAlpha;
        update = propertyUpdate(ulOverlayHandle, OverlayProperty::Alpha);
        update << fAlpha;
        return true;
    });
}

vr::EVROverlayError OverlayInterface::SetOverlayInputMethod(
    vr::VROverlayHandle_t ulOverlayHandle, vr::VROverlayInputMethod eInputMethod)
{
    if (eInputMethod != vr::VROverlayInputMethod_None && eInputMethod != vr::VROverlayInputMethod_Mouse)
        return vr::VROverlayError_InvalidParameter;
    return changeOverlay(
        ulOverlayHandle, ApiMethod::SetOverlayInputMethod, [&](LocalOverlay &overlay, Message &update) {
            if (overlay.inputMethod == eInputMethod)
                return false;
            overlay.inputMethod = eInputMethod;
            update = propertyUpdate(ulOverlayHandle, OverlayProperty::InputMethod);
            update << static_cast<int64_t>(eInputMethod);
            return true;
        });
}

vr::EVROverlayError OverlayInterface::SetOverlayTransformTrackedDeviceRelative(vr::VROverlayHandle_t ulOverlayHandle,
    vr::TrackedDeviceIndex_t unTrackedDevice, const vr::HmdMatrix34_t *pmatTrackedDeviceToOverlayTransform)
{
    // The runtime tracks at most this many devices, as real ones do.
    constexpr vr::TrackedDeviceIndex_t kMaxTrackedDevices = 64;
    const vr::HmdMatrix34_t *matrix = pmatTrackedDeviceToOverlayTransform;
    if (!matrix || unTrackedDevice >= kMaxTrackedDevices)
        return vr::VROverlayError_InvalidParameter;
    for (const auto &row : matrix->m) {
        for (float value : row) {
            if (!std::isfinite(value))
                return vr::VROverlayError_InvalidParameter;
        }
    }
    return changeOverlay(ulOverlayHandle, ApiMethod::SetOverlayTransformTrackedDeviceRelative,
        [&](LocalOverlay &overlay, Message &update) {
            if (overlay.hasTransform && overlay.transformDevice == unTrackedDevice
                && std::memcmp(&overlay.transform, matrix, sizeof *matrix) == 0)
                return false;
            overlay.hasTransform = true;
            overlay.transformDevice = unTrackedDevice;
            overlay.transform = *matrix;
            update = propertyUpdate(ulOverlayHandle, OverlayProperty::Transform);
            update << unTrackedDevice;
            for (const auto &row : matrix->m) {
                for (float value : row)
                    update << value;
            }
            return true;
        });
}

vr::EVROverlayError OverlayInterface::SetOverlayFromFile(vr::VROverlayHandle_t ulOverlayHandle, const char *pchFilePath)
{
    if (!m_client.connected())
        return vr::VROverlayError_RequestFailed;
    if (!pchFilePath || !*pchFilePath)
        return vr::VROverlayError_InvalidParameter;
    const std::string path = absolutePath(pchFilePath);
    if (path.size() > kMaxTextLength)
        return vr::VROverlayError_UnableToLoadFile;
    {
        ClientState &state = m_client.state();
        std::lock_guard<std::mutex> lock(state.mutex);
        if (!state.find(ulOverlayHandle))
            return vr::VROverlayError_InvalidHandle;
    }
    Message request(MessageType::SetOverlayFromFile);
    request << ulOverlayHandle << path;
    return replyError(m_client.connection().request(request, RuntimeClient::kReplyTimeout));
}

} // namespace vrsim
