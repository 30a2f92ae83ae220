#pragma once

#include <windows.h>

#include <winstring.h>
#include <wrl/wrappers/corewrappers.h>

#include <string>

// The runtime's strings are UTF-16; the program's own texts are UTF-8.

// Measures, then fills. Text that cannot be converted comes back empty.
std::string toUtf8(const wchar_t *text, UINT32 length);
std::string toUtf8(HSTRING text);

// Raises HResultError when the runtime cannot make the string.
Microsoft::WRL::Wrappers::HString toHString(const std::string &text);
