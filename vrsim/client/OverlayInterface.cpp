#include "OverlayInterface.h"

#include "AbsolutePath.h"
#include "Codec.h"
#include "GlTexture.h"
#include "RuntimeClient.h"

#include <cmath>
#include <cstring>

namespace vrsim {

namespace {

// By value, not by bytes: the values are finite here, and 0 and -0 are one position.
bool sameMatrix(const vr::HmdMatrix34_t &a, const vr::HmdMatrix34_t &b)
{
    for (size_t row = 0; row < 3; ++row) {
        for (size_t column = 0; column < 4; ++column) {
            if (a.m[row][column] != b.m[row][column])
                return false;
        }
    }
    return true;
}

// The runtime is the one to judge key and name lengths; only what the wire cannot carry is
// refused here.
bool fitsOnWire(const char *text)
{
    return std::strlen(text) <= kMaxTextLength;
}

} // namespace

template<class Update, class Change>
vr::EVROverlayError OverlayInterface::changeOverlay(vr::VROverlayHandle_t handle, ApiMethod method, Change change)
{
    m_client.serveWantedFrames();
    if (!m_client.connected())
        return vr::VROverlayError_RequestFailed;
    if (const int failure = m_client.injectedFailure(method))
        return static_cast<vr::EVROverlayError>(failure);
    Update update;
    update.handle = handle;
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

    msg::CreateOverlay request;
    request.key = key;
    request.name = name;
    request.dashboard = dashboard;
    ClientState &state = m_client.state();
    // The overlay joins the mirror before anything the runtime pushes about it is applied.
    auto addToMirror = [&](const msg::CreateOverlayReply &reply) {
        if (reply.error != vr::VROverlayError_None)
            return;
        std::lock_guard<std::mutex> lock(state.mutex);
        state.addOverlay(reply.handle, dashboard, reply.visible);
        if (dashboard)
            state.addOverlay(reply.thumbnailHandle, true, reply.visible);
    };
    const std::optional<msg::CreateOverlayReply> reply
        = m_client.connection().call(request, RuntimeClient::kReplyTimeout, addToMirror);
    if (!reply)
        return vr::VROverlayError_RequestFailed;
    if (reply->error == vr::VROverlayError_None) {
        *mainHandle = reply->handle;
        if (thumbnailHandle)
            *thumbnailHandle = reply->thumbnailHandle;
    }
    return static_cast<vr::EVROverlayError>(reply->error);
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
    const vr::EVROverlayError error
        = changeOverlay<msg::SetOverlayVisible>(handle, method, [&](LocalOverlay &overlay, auto &update) {
              // Only the dashboard shows and hides its overlays.
              if (overlay.dashboard) {
                  refused = true;
                  return false;
              }
              if (overlay.visible == visible)
                  return false;
              overlay.visible = visible;
              update.visible = visible;
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
        msg::Frame frame;
        frame.handle = ulOverlayHandle;
        frame.submits = submits;
        frame.width = width;
        frame.height = height;
        frame.pixels = std::move(pixels);
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
    return changeOverlay<msg::SetOverlayMouseScale>(
        ulOverlayHandle, ApiMethod::SetOverlayMouseScale, [&](LocalOverlay &overlay, auto &update) {
            if (overlay.mouseScale[0] == pvecMouseScale->v[0] && overlay.mouseScale[1] == pvecMouseScale->v[1])
                return false;
            overlay.mouseScale[0] = pvecMouseScale->v[0];
            overlay.mouseScale[1] = pvecMouseScale->v[1];
            update.width = pvecMouseScale->v[0];
            update.height = pvecMouseScale->v[1];
            return true;
        });
}

vr::EVROverlayError OverlayInterface::SetOverlayWidthInMeters(
    vr::VROverlayHandle_t ulOverlayHandle, float fWidthInMeters)
{
    if (!(std::isfinite(fWidthInMeters) && fWidthInMeters > 0))
        return vr::VROverlayError_InvalidParameter;
    return changeOverlay<msg::SetOverlayWidthInMeters>(
        ulOverlayHandle, ApiMethod::SetOverlayWidthInMeters, [&](LocalOverlay &overlay, auto &update) {
            if (overlay.widthInMeters == fWidthInMeters)
                return false;
            overlay.widthInMeters = fWidthInMeters;
            update.meters = fWidthInMeters;
            return true;
        });
}

vr::EVROverlayError OverlayInterface::SetOverlayAlpha(vr::VROverlayHandle_t ulOverlayHandle, float fAlpha)
{
    if (!(fAlpha >= 0.0f && fAlpha <= 1.0f))
        return vr::VROverlayError_InvalidParameter;
    return changeOverlay<msg::SetOverlayAlpha>(
        ulOverlayHandle, ApiMethod::SetOverlayAlpha, [&](LocalOverlay &overlay, auto &update) {
            if (overlay.alpha == fAlpha)
                return false;
            overlay.alpha = fAlpha;
            update.alpha = fAlpha;
            return true;
        });
}

vr::EVROverlayError OverlayInterface::SetOverlayInputMethod(
    vr::VROverlayHandle_t ulOverlayHandle, vr::VROverlayInputMethod eInputMethod)
{
    if (eInputMethod != vr::VROverlayInputMethod_None && eInputMethod != vr::VROverlayInputMethod_Mouse)
        return vr::VROverlayError_InvalidParameter;
    return changeOverlay<msg::SetOverlayInputMethod>(
        ulOverlayHandle, ApiMethod::SetOverlayInputMethod, [&](LocalOverlay &overlay, auto &update) {
            if (overlay.inputMethod == eInputMethod)
                return false;
            overlay.inputMethod = eInputMethod;
            update.method = eInputMethod;
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
    return changeOverlay<msg::SetOverlayTransform>(
        ulOverlayHandle, ApiMethod::SetOverlayTransformTrackedDeviceRelative, [&](LocalOverlay &overlay, auto &update) {
            if (overlay.hasTransform && overlay.transformDevice == unTrackedDevice
                && sameMatrix(overlay.transform, *matrix))
                return false;
            overlay.hasTransform = true;
            overlay.transformDevice = unTrackedDevice;
            overlay.transform = *matrix;
            update.device = unTrackedDevice;
            for (size_t row = 0; row < 3; ++row) {
                for (size_t column = 0; column < 4; ++column)
                    update.matrix[row * 4 + column] = matrix->m[row][column];
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
    msg::SetOverlayFromFile request;
    request.handle = ulOverlayHandle;
    request.path = path;
    const std::optional<msg::Result> reply = m_client.connection().call(request, RuntimeClient::kReplyTimeout);
    return reply ? static_cast<vr::EVROverlayError>(reply->code) : vr::VROverlayError_RequestFailed;
}

} // namespace vrsim
