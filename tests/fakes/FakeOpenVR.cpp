#include "fakes/FakeOpenVR.h"

#include <QFile>

namespace {

class FakeSystem : public vr::IVRSystem
{
public:
    bool PollNextEvent(vr::VREvent_t *event, uint32_t size) override
    {
        FakeOpenVR &vr = FakeOpenVR::instance();
        vr.calls << QStringLiteral("PollNextEvent");
        if (size != sizeof(vr::VREvent_t) || vr.systemEvents.empty())
            return false;
        *event = vr.systemEvents.front();
        vr.systemEvents.pop_front();
        return true;
    }
    float GetFloatTrackedDeviceProperty(
        vr::TrackedDeviceIndex_t device, vr::ETrackedDeviceProperty property, vr::ETrackedPropertyError *error) override
    {
        FakeOpenVR &vr = FakeOpenVR::instance();
        vr.calls << QStringLiteral("GetFloatTrackedDeviceProperty");
        if (error)
            *error = vr::TrackedProp_Success;
        if (vr.runtimeGone) {
            if (error)
                *error = vr::TrackedProp_CouldNotContactServer;
            return 0.0f;
        }
        if (device != vr::k_unTrackedDeviceIndex_Hmd) {
            if (error)
                *error = vr::TrackedProp_InvalidDevice;
            return 0.0f;
        }
        if (property == vr::Prop_DisplayFrequency_Float)
            return vr.displayFrequency;
        if (property == vr::Prop_SecondsFromVsyncToPhotons_Float)
            return vr.secondsFromVsyncToPhotons;
        if (error)
            *error = vr::TrackedProp_UnknownProperty;
        return 0.0f;
    }
    bool GetTimeSinceLastVsync(float *seconds, uint64_t *frame) override
    {
        FakeOpenVR &vr = FakeOpenVR::instance();
        vr.calls << QStringLiteral("GetTimeSinceLastVsync");
        if (seconds)
            *seconds = vr.secondsSinceVsync;
        if (frame)
            *frame = vr.frameCounter;
        else
            ++vr.nullFrameCounterCalls;
        return true;
    }
    void AcknowledgeQuit_Exiting() override
    {
        FakeOpenVR &vr = FakeOpenVR::instance();
        vr.calls << QStringLiteral("AcknowledgeQuit_Exiting");
        vr.quitAcknowledgements.push_back(vr.initialized);
    }
};

class FakeOverlayInterface : public vr::IVROverlay
{
public:
    vr::EVROverlayError CreateOverlay(const char *key, const char *name, vr::VROverlayHandle_t *handle) override
    {
        return create("CreateOverlay", key, name, handle, nullptr, false);
    }
    vr::EVROverlayError CreateDashboardOverlay(
        const char *key, const char *name, vr::VROverlayHandle_t *handle, vr::VROverlayHandle_t *thumbnail) override
    {
        return create("CreateDashboardOverlay", key, name, handle, thumbnail, true);
    }
    vr::EVROverlayError ShowOverlay(vr::VROverlayHandle_t handle) override { return show("ShowOverlay", handle, true); }
    vr::EVROverlayError HideOverlay(vr::VROverlayHandle_t handle) override
    {
        return show("HideOverlay", handle, false);
    }
    bool IsOverlayVisible(vr::VROverlayHandle_t handle) override
    {
        FakeOpenVR &vr = FakeOpenVR::instance();
        vr.calls << QStringLiteral("IsOverlayVisible");
        return vr.overlays.contains(handle) && vr.overlays[handle].visible;
    }
    bool IsDashboardVisible() override
    {
        FakeOpenVR &vr = FakeOpenVR::instance();
        vr.calls << QStringLiteral("IsDashboardVisible");
        return vr.dashboardVisible;
    }
    vr::EVROverlayError SetOverlayTexture(vr::VROverlayHandle_t handle, const vr::Texture_t *texture) override
    {
        return change("SetOverlayTexture", handle, [&](FakeOverlayState &o) {
            ++o.texturesSet;
            o.lastTexture = texture->handle;
        });
    }
    bool PollNextOverlayEvent(vr::VROverlayHandle_t handle, vr::VREvent_t *event, uint32_t size) override
    {
        FakeOpenVR &vr = FakeOpenVR::instance();
        vr.calls << QStringLiteral("PollNextOverlayEvent");
        if (size != sizeof(vr::VREvent_t) || !vr.overlays.contains(handle) || vr.overlays[handle].events.empty())
            return false;
        *event = vr.overlays[handle].events.front();
        vr.overlays[handle].events.pop_front();
        return true;
    }
    vr::EVROverlayError SetOverlayMouseScale(vr::VROverlayHandle_t handle, const vr::HmdVector2_t *scale) override
    {
        return change("SetOverlayMouseScale", handle, [&](FakeOverlayState &o) { o.mouseScale = *scale; });
    }
    vr::EVROverlayError SetOverlayWidthInMeters(vr::VROverlayHandle_t handle, float width) override
    {
        return change("SetOverlayWidthInMeters", handle, [&](FakeOverlayState &o) { o.widthInMeters = width; });
    }
    vr::EVROverlayError SetOverlayAlpha(vr::VROverlayHandle_t handle, float alpha) override
    {
        return change("SetOverlayAlpha", handle, [&](FakeOverlayState &o) { o.alpha = alpha; });
    }
    vr::EVROverlayError SetOverlayInputMethod(vr::VROverlayHandle_t handle, vr::VROverlayInputMethod method) override
    {
        return change("SetOverlayInputMethod", handle, [&](FakeOverlayState &o) { o.inputMethod = method; });
    }
    vr::EVROverlayError SetOverlayFromFile(vr::VROverlayHandle_t handle, const char *path) override
    {
        const QString file = QString::fromUtf8(path);
        FakeOpenVR &vr = FakeOpenVR::instance();
        if (!vr.failNext.contains(QStringLiteral("SetOverlayFromFile")) && !QFile::exists(file)) {
            vr.calls << QStringLiteral("SetOverlayFromFile");
            return vr::VROverlayError_UnableToLoadFile;
        }
        return change("SetOverlayFromFile", handle, [&](FakeOverlayState &o) { o.thumbnailFile = file; });
    }
    vr::EVROverlayError SetOverlayTransformTrackedDeviceRelative(
        vr::VROverlayHandle_t handle, vr::TrackedDeviceIndex_t, const vr::HmdMatrix34_t *matrix) override
    {
        return change("SetOverlayTransformTrackedDeviceRelative", handle, [&](FakeOverlayState &o) {
            ++o.transformsSet;
            o.transform = *matrix;
        });
    }

private:
    vr::EVROverlayError create(const char *method, const char *key, const char *name, vr::VROverlayHandle_t *handle,
        vr::VROverlayHandle_t *thumbnail, bool dashboard)
    {
        FakeOpenVR &vr = FakeOpenVR::instance();
        vr.calls << QString::fromLatin1(method);
        if (const int error = vr.takeFailure(method))
            return static_cast<vr::EVROverlayError>(error);
        if (vr.overlay(QString::fromUtf8(key)))
            return vr::VROverlayError_KeyInUse;
        FakeOverlayState state;
        state.key = QString::fromUtf8(key);
        state.name = QString::fromUtf8(name);
        state.dashboard = dashboard;
        const vr::VROverlayHandle_t next = static_cast<vr::VROverlayHandle_t>(vr.overlays.size() + 1);
        vr.overlays.insert(next, state);
        *handle = next;
        if (thumbnail) {
            FakeOverlayState thumb;
            thumb.key = state.key + QStringLiteral(".thumbnail");
            vr.overlays.insert(next + 1000, thumb);
            *thumbnail = next + 1000;
        }
        return vr::VROverlayError_None;
    }
    vr::EVROverlayError show(const char *method, vr::VROverlayHandle_t handle, bool visible)
    {
        return change(method, handle, [&](FakeOverlayState &o) { o.visible = visible; });
    }
    template<class Apply>
    vr::EVROverlayError change(const char *method, vr::VROverlayHandle_t handle, Apply apply)
    {
        FakeOpenVR &vr = FakeOpenVR::instance();
        vr.calls << QString::fromLatin1(method);
        if (const int error = vr.takeFailure(method))
            return static_cast<vr::EVROverlayError>(error);
        if (!vr.overlays.contains(handle))
            return vr::VROverlayError_InvalidHandle;
        apply(vr.overlays[handle]);
        return vr::VROverlayError_None;
    }
};

class FakeApplications : public vr::IVRApplications
{
public:
    vr::EVRApplicationError AddApplicationManifest(const char *path, bool) override
    {
        FakeOpenVR &vr = FakeOpenVR::instance();
        vr.calls << QStringLiteral("AddApplicationManifest");
        if (const int error = vr.takeFailure("AddApplicationManifest"))
            return static_cast<vr::EVRApplicationError>(error);
        if (!QFile::exists(QString::fromUtf8(path)))
            return vr::VRApplicationError_NoManifest;
        vr.installedApps.insert(vr.manifestAppKey, QString::fromUtf8(path));
        return vr::VRApplicationError_None;
    }
    vr::EVRApplicationError RemoveApplicationManifest(const char *path) override
    {
        FakeOpenVR &vr = FakeOpenVR::instance();
        vr.calls << QStringLiteral("RemoveApplicationManifest");
        if (const int error = vr.takeFailure("RemoveApplicationManifest"))
            return static_cast<vr::EVRApplicationError>(error);
        for (auto it = vr.installedApps.begin(); it != vr.installedApps.end();) {
            if (it.value() == QString::fromUtf8(path))
                it = vr.installedApps.erase(it);
            else
                ++it;
        }
        return vr::VRApplicationError_None;
    }
    bool IsApplicationInstalled(const char *key) override
    {
        FakeOpenVR &vr = FakeOpenVR::instance();
        vr.calls << QStringLiteral("IsApplicationInstalled");
        return vr.installedApps.contains(QString::fromUtf8(key));
    }
    vr::EVRApplicationError SetApplicationAutoLaunch(const char *key, bool autoLaunch) override
    {
        FakeOpenVR &vr = FakeOpenVR::instance();
        vr.calls << QStringLiteral("SetApplicationAutoLaunch");
        if (const int error = vr.takeFailure("SetApplicationAutoLaunch"))
            return static_cast<vr::EVRApplicationError>(error);
        if (!vr.installedApps.contains(QString::fromUtf8(key)))
            return vr::VRApplicationError_UnknownApplication;
        vr.autoLaunch.insert(QString::fromUtf8(key), autoLaunch);
        return vr::VRApplicationError_None;
    }
    bool GetApplicationAutoLaunch(const char *key) override
    {
        return FakeOpenVR::instance().autoLaunch.value(QString::fromUtf8(key));
    }
};

FakeSystem g_system;
FakeOverlayInterface g_overlay;
FakeApplications g_applications;

} // namespace

FakeOpenVR &FakeOpenVR::instance()
{
    static FakeOpenVR fake;
    return fake;
}

void FakeOpenVR::reset()
{
    const uint32_t nextToken = token + 1;
    *this = FakeOpenVR();
    token = nextToken;
    initialized = true;
}

FakeOverlayState *FakeOpenVR::overlay(const QString &key)
{
    for (auto it = overlays.begin(); it != overlays.end(); ++it) {
        if (it->key == key)
            return &it.value();
    }
    return nullptr;
}

vr::VREvent_t FakeOpenVR::mouseEvent(uint32_t type, float x, float y, uint32_t button)
{
    vr::VREvent_t e = event(type);
    e.data.mouse.x = x;
    e.data.mouse.y = y;
    e.data.mouse.button = button;
    return e;
}

vr::VREvent_t FakeOpenVR::event(uint32_t type)
{
    vr::VREvent_t e {};
    e.eventType = type;
    return e;
}

int FakeOpenVR::takeFailure(const char *method)
{
    return failNext.take(QString::fromLatin1(method));
}

// The runtime client's entry points, served by the fake.
namespace vr {

uint32_t VR_CALLTYPE VR_InitInternal2(EVRInitError *error, EVRApplicationType, const char *)
{
    FakeOpenVR &fake = FakeOpenVR::instance();
    if (fake.initError != VRInitError_None) {
        *error = fake.initError;
        return 0;
    }
    fake.initialized = true;
    *error = VRInitError_None;
    return ++fake.token;
}

void VR_CALLTYPE VR_ShutdownInternal()
{
    FakeOpenVR &fake = FakeOpenVR::instance();
    fake.initialized = false;
    ++fake.token;
}

bool VR_CALLTYPE VR_IsInterfaceVersionValid(const char *version)
{
    const QString v = QString::fromLatin1(version);
    return FakeOpenVR::instance().initialized
        && (v == QLatin1String(IVRSystem_Version) || v == QLatin1String(IVROverlay_Version)
            || v == QLatin1String(IVRApplications_Version));
}

void *VR_CALLTYPE VR_GetGenericInterface(const char *version, EVRInitError *error)
{
    if (!FakeOpenVR::instance().initialized) {
        if (error)
            *error = VRInitError_Init_NotInitialized;
        return nullptr;
    }
    const QString v = QString::fromLatin1(version);
    if (error)
        *error = VRInitError_None;
    if (v == QLatin1String(IVRSystem_Version))
        return static_cast<IVRSystem *>(&g_system);
    if (v == QLatin1String(IVROverlay_Version))
        return static_cast<IVROverlay *>(&g_overlay);
    if (v == QLatin1String(IVRApplications_Version))
        return static_cast<IVRApplications *>(&g_applications);
    if (error)
        *error = VRInitError_Init_InterfaceNotFound;
    return nullptr;
}

uint32_t VR_CALLTYPE VR_GetInitToken()
{
    return FakeOpenVR::instance().token;
}

} // namespace vr
