#pragma once

// The part of the OpenVR API that Voltaro uses, for builds without the real SDK. Names, values,
// signatures and layouts are those of the real header, so the program's code compiles unchanged
// against either. The implementation behind it is vrsim's client library (target openvr_api).

#include <stddef.h>
#include <stdint.h>

#if defined(_WIN32)
#define VR_CALLTYPE __cdecl
#else
#define VR_CALLTYPE
#endif

#if defined(_WIN32)
#if defined(VR_API_EXPORT)
#define VR_INTERFACE extern "C" __declspec(dllexport)
#else
#define VR_INTERFACE extern "C" __declspec(dllimport)
#endif
#else
#define VR_INTERFACE extern "C" __attribute__((visibility("default")))
#endif

namespace vr {

typedef uint32_t TrackedDeviceIndex_t;
static const TrackedDeviceIndex_t k_unTrackedDeviceIndex_Hmd = 0;

typedef uint64_t VROverlayHandle_t;
static const VROverlayHandle_t k_ulOverlayHandleInvalid = 0;

static const uint32_t k_unVROverlayMaxKeyLength = 128;
static const uint32_t k_unVROverlayMaxNameLength = 128;

struct HmdMatrix34_t
{
    float m[3][4];
};

struct HmdVector2_t
{
    float v[2];
};

enum ETextureType {
    TextureType_DirectX = 0,
    TextureType_OpenGL = 1,
    TextureType_Vulkan = 2,
};

enum EColorSpace {
    ColorSpace_Auto = 0,
    ColorSpace_Gamma = 1,
    ColorSpace_Linear = 2,
};

struct Texture_t
{
    void *handle; // an OpenGL texture name, cast: (void *)(uintptr_t)name
    ETextureType eType;
    EColorSpace eColorSpace;
};

enum ETrackedDeviceProperty {
    Prop_SecondsFromVsyncToPhotons_Float = 2001,
    Prop_DisplayFrequency_Float = 2002,
};

enum ETrackedPropertyError {
    TrackedProp_Success = 0,
    TrackedProp_UnknownProperty = 4,
    TrackedProp_InvalidDevice = 5,
    TrackedProp_CouldNotContactServer = 6,
};

enum EVRApplicationType {
    VRApplication_Other = 0,
    VRApplication_Scene = 1,
    VRApplication_Overlay = 2,
    VRApplication_Background = 3,
    VRApplication_Utility = 4,
};

enum EVRInitError {
    VRInitError_None = 0,
    VRInitError_Unknown = 1,
    VRInitError_Init_InstallationNotFound = 100,
    VRInitError_Init_InterfaceNotFound = 105,
    VRInitError_Init_HmdNotFound = 108,
    VRInitError_Init_NotInitialized = 109,
    VRInitError_Init_PathRegistryNotFound = 110,
    VRInitError_Init_NoServerForBackgroundApp = 121,
    VRInitError_IPC_ConnectFailed = 301,
};

enum EVROverlayError {
    VROverlayError_None = 0,
    VROverlayError_UnknownOverlay = 10,
    VROverlayError_InvalidHandle = 11,
    VROverlayError_PermissionDenied = 12,
    VROverlayError_OverlayLimitExceeded = 13,
    VROverlayError_WrongVisibilityType = 14,
    VROverlayError_KeyTooLong = 15,
    VROverlayError_NameTooLong = 16,
    VROverlayError_KeyInUse = 17,
    VROverlayError_InvalidParameter = 20,
    VROverlayError_RequestFailed = 23,
    VROverlayError_InvalidTexture = 24,
    VROverlayError_UnableToLoadFile = 25,
};

enum EVRApplicationError {
    VRApplicationError_None = 0,
    VRApplicationError_AppKeyAlreadyExists = 100,
    VRApplicationError_NoManifest = 101,
    VRApplicationError_NoApplication = 102,
    VRApplicationError_UnknownApplication = 104,
    VRApplicationError_IPCFailed = 105,
    VRApplicationError_InvalidManifest = 107,
};

enum EVREventType {
    VREvent_None = 0,
    VREvent_MouseMove = 300,
    VREvent_MouseButtonDown = 301,
    VREvent_MouseButtonUp = 302,
    VREvent_FocusEnter = 303,
    VREvent_FocusLeave = 304,
    VREvent_OverlayShown = 500,
    VREvent_OverlayHidden = 501,
    VREvent_DashboardActivated = 502,
    VREvent_DashboardDeactivated = 503,
    VREvent_Quit = 700,
};

enum EVRMouseButton {
    VRMouseButton_Left = 0x0001,
    VRMouseButton_Right = 0x0002,
    VRMouseButton_Middle = 0x0004,
};

// Fixed to 4 bytes, as every enum of the API is: a method this header does not
// name (later SDKs add some) is then a value the runtime can refuse, not
// undefined behaviour in the call.
enum VROverlayInputMethod : int32_t {
    VROverlayInputMethod_None = 0,
    VROverlayInputMethod_Mouse = 1,
};

struct VREvent_Mouse_t
{
    float x, y;
    uint32_t button; // an EVRMouseButton
};

struct VREvent_Reserved_t
{
    uint64_t reserved0;
    uint64_t reserved1;
    uint64_t reserved2;
    uint64_t reserved3;
};

// Always 32 bytes; the reserved member fixes the size and the 8-byte alignment.
typedef union {
    VREvent_Reserved_t reserved;
    VREvent_Mouse_t mouse;
} VREvent_Data_t;

// Events cross the runtime boundary as raw bytes, so their packing is part of the ABI.
#if defined(__linux__) || defined(__APPLE__)
#pragma pack(push, 4)
#else
#pragma pack(push, 8)
#endif

struct VREvent_t
{
    uint32_t eventType; // an EVREventType
    TrackedDeviceIndex_t trackedDeviceIndex;
    float eventAgeSeconds;
    VREvent_Data_t data;
};

#pragma pack(pop)

class IVRSystem
{
public:
    // False when the queue is empty. Pass sizeof(VREvent_t) as uncbVREvent.
    virtual bool PollNextEvent(VREvent_t *pEvent, uint32_t uncbVREvent) = 0;
    virtual float GetFloatTrackedDeviceProperty(
        TrackedDeviceIndex_t unDeviceIndex, ETrackedDeviceProperty prop, ETrackedPropertyError *pError = 0L)
        = 0;
    virtual bool GetTimeSinceLastVsync(float *pfSecondsSinceLastVsync, uint64_t *pulFrameCounter) = 0;
    // Tells the runtime, after VREvent_Quit, that the application is exiting, so the runtime
    // waits for it instead of ending it after a short grace period.
    virtual void AcknowledgeQuit_Exiting() = 0;
};

static const char *const IVRSystem_Version = "IVRSystem_019";

class IVROverlay
{
public:
    virtual EVROverlayError CreateOverlay(
        const char *pchOverlayKey, const char *pchOverlayName, VROverlayHandle_t *pOverlayHandle)
        = 0;
    virtual EVROverlayError CreateDashboardOverlay(const char *pchOverlayKey, const char *pchOverlayFriendlyName,
        VROverlayHandle_t *pMainHandle, VROverlayHandle_t *pThumbnailHandle)
        = 0;
    virtual EVROverlayError ShowOverlay(VROverlayHandle_t ulOverlayHandle) = 0;
    virtual EVROverlayError HideOverlay(VROverlayHandle_t ulOverlayHandle) = 0;
    virtual bool IsOverlayVisible(VROverlayHandle_t ulOverlayHandle) = 0;
    virtual bool IsDashboardVisible() = 0;
    virtual EVROverlayError SetOverlayTexture(VROverlayHandle_t ulOverlayHandle, const Texture_t *pTexture) = 0;
    virtual bool PollNextOverlayEvent(VROverlayHandle_t ulOverlayHandle, VREvent_t *pEvent, uint32_t uncbVREvent) = 0;
    virtual EVROverlayError SetOverlayMouseScale(VROverlayHandle_t ulOverlayHandle, const HmdVector2_t *pvecMouseScale)
        = 0;
    virtual EVROverlayError SetOverlayWidthInMeters(VROverlayHandle_t ulOverlayHandle, float fWidthInMeters) = 0;
    virtual EVROverlayError SetOverlayAlpha(VROverlayHandle_t ulOverlayHandle, float fAlpha) = 0;
    virtual EVROverlayError SetOverlayInputMethod(VROverlayHandle_t ulOverlayHandle, VROverlayInputMethod eInputMethod)
        = 0;
    virtual EVROverlayError SetOverlayFromFile(VROverlayHandle_t ulOverlayHandle, const char *pchFilePath) = 0;
    virtual EVROverlayError SetOverlayTransformTrackedDeviceRelative(VROverlayHandle_t ulOverlayHandle,
        TrackedDeviceIndex_t unTrackedDevice, const HmdMatrix34_t *pmatTrackedDeviceToOverlayTransform)
        = 0;
};

static const char *const IVROverlay_Version = "IVROverlay_018";

class IVRApplications
{
public:
    virtual EVRApplicationError AddApplicationManifest(
        const char *pchApplicationManifestFullPath, bool bTemporary = false)
        = 0;
    virtual EVRApplicationError RemoveApplicationManifest(const char *pchApplicationManifestFullPath) = 0;
    virtual bool IsApplicationInstalled(const char *pchAppKey) = 0;
    virtual EVRApplicationError SetApplicationAutoLaunch(const char *pchAppKey, bool bAutoLaunch) = 0;
    virtual bool GetApplicationAutoLaunch(const char *pchAppKey) = 0;
};

static const char *const IVRApplications_Version = "IVRApplications_006";

// The runtime client's entry points. A successful VR_InitInternal2 returns a new init token;
// VR_ShutdownInternal changes it again.
VR_INTERFACE uint32_t VR_CALLTYPE VR_InitInternal2(
    EVRInitError *peError, EVRApplicationType eApplicationType, const char *pStartupInfo);
VR_INTERFACE void VR_CALLTYPE VR_ShutdownInternal();
VR_INTERFACE bool VR_CALLTYPE VR_IsInterfaceVersionValid(const char *pchInterfaceVersion);
VR_INTERFACE void *VR_CALLTYPE VR_GetGenericInterface(const char *pchInterfaceVersion, EVRInitError *peError);
VR_INTERFACE uint32_t VR_CALLTYPE VR_GetInitToken();

// Interface pointers as this module last fetched them. They are valid only for the init token
// they were fetched under: after a shutdown or a new init they are fetched again.
struct VRInterfaceCache
{
    uint32_t token = 0;
    IVRSystem *system = nullptr;
    IVROverlay *overlay = nullptr;
    IVRApplications *applications = nullptr;

    void clear()
    {
        token = 0;
        system = nullptr;
        overlay = nullptr;
        applications = nullptr;
    }

    template<class Interface>
    Interface *fetch(Interface *&cached, const char *version)
    {
        const uint32_t current = VR_GetInitToken();
        if (current != token) {
            clear();
            token = current;
        }
        if (!cached) {
            EVRInitError error = VRInitError_None;
            cached = static_cast<Interface *>(VR_GetGenericInterface(version, &error));
        }
        return cached;
    }
};

inline VRInterfaceCache &OpenVRInternal_ModuleContext()
{
    static VRInterfaceCache cache;
    return cache;
}

inline IVRSystem *VR_CALLTYPE VRSystem()
{
    VRInterfaceCache &cache = OpenVRInternal_ModuleContext();
    return cache.fetch(cache.system, IVRSystem_Version);
}

inline IVROverlay *VR_CALLTYPE VROverlay()
{
    VRInterfaceCache &cache = OpenVRInternal_ModuleContext();
    return cache.fetch(cache.overlay, IVROverlay_Version);
}

inline IVRApplications *VR_CALLTYPE VRApplications()
{
    VRInterfaceCache &cache = OpenVRInternal_ModuleContext();
    return cache.fetch(cache.applications, IVRApplications_Version);
}

inline IVRSystem *VR_Init(
    EVRInitError *peError, EVRApplicationType eApplicationType, const char *pStartupInfo = nullptr)
{
    EVRInitError error = VRInitError_None;
    VR_InitInternal2(&error, eApplicationType, pStartupInfo);
    OpenVRInternal_ModuleContext().clear();

    IVRSystem *system = nullptr;
    if (error == VRInitError_None) {
        if (VR_IsInterfaceVersionValid(IVRSystem_Version)) {
            system = VRSystem();
        } else {
            // A runtime that lacks the system interface is no use to this header's callers.
            VR_ShutdownInternal();
            error = VRInitError_Init_InterfaceNotFound;
        }
    }
    if (peError)
        *peError = error;
    return system;
}

inline void VR_Shutdown()
{
    VR_ShutdownInternal();
    OpenVRInternal_ModuleContext().clear();
}

} // namespace vr
