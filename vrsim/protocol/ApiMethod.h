#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace vrsim {

// The API calls `vrsim fail` can make fail. The values are bits of the armed-failure mask the
// runtime pushes to applications, so they stay below 32.
enum class ApiMethod : uint8_t {
    VR_InitInternal2,
    CreateOverlay,
    CreateDashboardOverlay,
    ShowOverlay,
    HideOverlay,
    SetOverlayTexture,
    SetOverlayMouseScale,
    SetOverlayWidthInMeters,
    SetOverlayAlpha,
    SetOverlayInputMethod,
    SetOverlayFromFile,
    SetOverlayTransformTrackedDeviceRelative,
    AddApplicationManifest,
    RemoveApplicationManifest,
    SetApplicationAutoLaunch,
    Count,
};

constexpr uint32_t methodBit(ApiMethod method)
{
    return 1u << static_cast<uint32_t>(method);
}

const char *apiMethodName(ApiMethod method);
std::optional<ApiMethod> apiMethodFromName(const std::string &name);
std::string apiMethodNames(); // comma-separated, for messages

} // namespace vrsim
