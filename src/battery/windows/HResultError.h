#pragma once

#include "battery/IBatteryPlatform.h"

#include <windows.h>

// A failed Windows call. The code is the HRESULT; the text names the call and
// says what went wrong, in the platform's words where it left any.
class HResultError : public BatteryPlatformError
{
public:
    HResultError(HRESULT hr, const char *call);

    HRESULT hresult() const { return static_cast<HRESULT>(code()); }
};

// Raises HResultError for a failure code; success codes (S_FALSE too) pass.
void throwIfFailed(HRESULT hr, const char *call);
