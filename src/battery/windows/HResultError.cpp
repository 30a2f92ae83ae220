#include "battery/windows/HResultError.h"

#include "battery/windows/WinRTText.h"

#include <oleauto.h>
#include <restrictederrorinfo.h>
#include <roerrorapi.h>
#include <wrl/client.h>

#include <cstdio>

using Microsoft::WRL::ComPtr;

namespace {

// The error objects hand their texts out as BSTRs that the caller frees.
struct OwnedBstr
{
    BSTR value = nullptr;
    ~OwnedBstr() { SysFreeString(value); }
};

std::string fromBstr(BSTR text)
{
    return text ? toUtf8(text, SysStringLen(text)) : std::string();
}

// The runtime leaves the details of a failure with the thread. They may
// belong to an earlier failure, so they count only when the codes match.
std::string restrictedErrorText(HRESULT hr)
{
    ComPtr<IRestrictedErrorInfo> info;
    if (FAILED(GetRestrictedErrorInfo(&info)) || !info)
        return {};
    OwnedBstr description;
    OwnedBstr restrictedDescription;
    OwnedBstr capabilitySid;
    HRESULT code = S_OK;
    if (FAILED(info->GetErrorDetails(&description.value, &code, &restrictedDescription.value, &capabilitySid.value))
        || code != hr)
        return {};
    // The restricted text is the one written for this failure; the other is
    // the generic text of the code.
    const std::string text = fromBstr(restrictedDescription.value);
    return text.empty() ? fromBstr(description.value) : text;
}

std::string comErrorText()
{
    ComPtr<IErrorInfo> info;
    if (GetErrorInfo(0, &info) != S_OK || !info)
        return {};
    OwnedBstr description;
    if (FAILED(info->GetDescription(&description.value)))
        return {};
    return fromBstr(description.value);
}

std::string systemText(HRESULT hr)
{
    wchar_t *buffer = nullptr;
    const DWORD length
        = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
            nullptr, static_cast<DWORD>(hr), 0, reinterpret_cast<LPWSTR>(&buffer), 0, nullptr);
    std::string text = length > 0 ? toUtf8(buffer, length) : std::string();
    LocalFree(buffer);
    return text;
}

std::string describe(HRESULT hr, const char *call)
{
    std::string text = restrictedErrorText(hr);
    if (text.empty())
        text = comErrorText();
    if (text.empty())
        text = systemText(hr);
    while (!text.empty() && (text.back() == '\r' || text.back() == '\n' || text.back() == ' '))
        text.pop_back();

    char code[16];
    std::snprintf(code, sizeof code, "0x%08lX", static_cast<unsigned long>(hr));
    std::string message = std::string(call) + " failed (" + code + ")";
    if (!text.empty())
        message += ": " + text;
    return message;
}

} // namespace

HResultError::HResultError(HRESULT hr, const char *call)
    : BatteryPlatformError(describe(hr, call), static_cast<int32_t>(hr))
{ }

void throwIfFailed(HRESULT hr, const char *call)
{
    if (FAILED(hr))
        throw HResultError(hr, call);
}
