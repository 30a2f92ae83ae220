#include "qml/FileVersion.h"

#include <windows.h>

#include <vector>

std::string fileVersionString()
{
    wchar_t path[520] = {};
    GetModuleFileNameW(nullptr, path, 520);

    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeW(path, &handle);
    if (size == 0)
        return "Unknown";

    std::vector<unsigned char> data(size);
    if (!GetFileVersionInfoW(path, 0, size, data.data()))
        return "Unknown";

    VS_FIXEDFILEINFO *info = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(data.data(), L"\\", reinterpret_cast<void **>(&info), &length) || length == 0 || !info
        || info->dwSignature != 0xFEEF04BD)
        return "Unknown";

    // The file version, not the product version: it is what the build stamps on each release.
    return std::to_string(HIWORD(info->dwFileVersionMS)) + "." + std::to_string(LOWORD(info->dwFileVersionMS)) + "."
        + std::to_string(HIWORD(info->dwFileVersionLS)) + "." + std::to_string(LOWORD(info->dwFileVersionLS));
}
