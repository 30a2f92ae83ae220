#include "ApiMethod.h"

namespace vrsim {

namespace {

constexpr const char *kNames[] = {
    "VR_InitInternal2",
    "CreateOverlay",
    "CreateDashboardOverlay",
    "ShowOverlay",
    "HideOverlay",
    "SetOverlayTexture",
    "SetOverlayMouseScale",
    "SetOverlayWidthInMeters",
    "SetOverlayAlpha",
    "SetOverlayInputMethod",
    "SetOverlayFromFile",
    "SetOverlayTransformTrackedDeviceRelative",
    "AddApplicationManifest",
    "RemoveApplicationManifest",
    "SetApplicationAutoLaunch",
};

static_assert(sizeof(kNames) / sizeof(kNames[0]) == static_cast<size_t>(ApiMethod::Count));
static_assert(static_cast<size_t>(ApiMethod::Count) <= 32);

} // namespace

const char *apiMethodName(ApiMethod method)
{
    const auto index = static_cast<size_t>(method);
    return index < static_cast<size_t>(ApiMethod::Count) ? kNames[index] : "";
}

std::optional<ApiMethod> apiMethodFromName(const std::string &name)
{
    // The inline VR_Init is what callers write; it fails exactly when VR_InitInternal2 does.
    if (name == "VR_Init")
        return ApiMethod::VR_InitInternal2;
    for (size_t i = 0; i < static_cast<size_t>(ApiMethod::Count); ++i) {
        if (name == kNames[i])
            return static_cast<ApiMethod>(i);
    }
    return std::nullopt;
}

std::string apiMethodNames()
{
    std::string names;
    for (const char *name : kNames) {
        if (!names.empty())
            names += ", ";
        names += name;
    }
    return names;
}

} // namespace vrsim
