#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace vrsim {

// The API calls `vrsim fail` can make fail: the one table that the enum, the names `fail` takes
// and what `status` and its messages say about failures all come from. Each entry is the
// method's name as the API spells it, and another name `fail` also takes for it (or nullptr).
// Append new methods: the values are bits of the armed-failure mask the runtime pushes to
// applications, so there can be at most 32.
#define VRSIM_API_METHODS(X)                                                                                           \
    X(VR_InitInternal2, "VR_Init")                                                                                     \
    X(CreateOverlay, nullptr)                                                                                          \
    X(CreateDashboardOverlay, nullptr)                                                                                 \
    X(ShowOverlay, nullptr)                                                                                            \
    X(HideOverlay, nullptr)                                                                                            \
    X(SetOverlayTexture, nullptr)                                                                                      \
    X(SetOverlayMouseScale, nullptr)                                                                                   \
    X(SetOverlayWidthInMeters, nullptr)                                                                                \
    X(SetOverlayAlpha, nullptr)                                                                                        \
    X(SetOverlayInputMethod, nullptr)                                                                                  \
    X(SetOverlayFromFile, nullptr)                                                                                     \
    X(SetOverlayTransformTrackedDeviceRelative, nullptr)                                                               \
    X(AddApplicationManifest, nullptr)                                                                                 \
    X(RemoveApplicationManifest, nullptr)                                                                              \
    X(SetApplicationAutoLaunch, nullptr)

enum class ApiMethod : uint8_t {
#define VRSIM_API_METHOD_ENUM(method, alias) method,
    VRSIM_API_METHODS(VRSIM_API_METHOD_ENUM)
#undef VRSIM_API_METHOD_ENUM
        Count,
};

constexpr size_t kApiMethodCount = static_cast<size_t>(ApiMethod::Count);
static_assert(kApiMethodCount <= 32, "the armed-failure mask has 32 bits");

struct ApiMethodName
{
    const char *name;
    const char *alias;
};

constexpr std::array<ApiMethodName, kApiMethodCount> kApiMethodNames {{
#define VRSIM_API_METHOD_NAME(method, alias) {#method, alias},
    VRSIM_API_METHODS(VRSIM_API_METHOD_NAME)
#undef VRSIM_API_METHOD_NAME
}};

constexpr uint32_t methodBit(ApiMethod method)
{
    return 1u << static_cast<uint32_t>(method);
}

const char *apiMethodName(ApiMethod method);
std::optional<ApiMethod> apiMethodFromName(const std::string &name);
std::string apiMethodNames(); // comma-separated, for messages

} // namespace vrsim
