#include "battery/windows/WinRTText.h"

#include "battery/windows/HResultError.h"

#include <climits>

using Microsoft::WRL::Wrappers::HString;

std::string toUtf8(const wchar_t *text, UINT32 length)
{
    if (!text || length == 0 || length > INT_MAX)
        return {};
    const int wideLength = static_cast<int>(length);
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, wideLength, nullptr, 0, nullptr, nullptr);
    if (size <= 0)
        return {};
    std::string result(static_cast<size_t>(size), '\0');
    const int written = WideCharToMultiByte(CP_UTF8, 0, text, wideLength, &result[0], size, nullptr, nullptr);
    result.resize(written > 0 ? static_cast<size_t>(written) : 0);
    return result;
}

std::string toUtf8(HSTRING text)
{
    UINT32 length = 0;
    const wchar_t *buffer = WindowsGetStringRawBuffer(text, &length);
    return toUtf8(buffer, length);
}

HString toHString(const std::string &text)
{
    HString result;
    if (text.empty() || text.size() > INT_MAX)
        return result; // a null HSTRING is the empty string
    const int length = static_cast<int>(text.size());
    const int size = MultiByteToWideChar(CP_UTF8, 0, text.data(), length, nullptr, 0);
    if (size <= 0) {
        throwIfFailed(HRESULT_FROM_WIN32(GetLastError()), "MultiByteToWideChar");
        return result;
    }
    std::wstring wide(static_cast<size_t>(size), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), length, &wide[0], size);
    throwIfFailed(WindowsCreateString(wide.data(), static_cast<UINT32>(wide.size()), result.GetAddressOf()),
        "WindowsCreateString");
    return result;
}
