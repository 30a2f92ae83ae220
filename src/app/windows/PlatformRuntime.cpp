#include "app/PlatformRuntime.h"

#include "battery/windows/HResultError.h"

#include <roapi.h>

void initializePlatformRuntime()
{
    throwIfFailed(RoInitialize(RO_INIT_MULTITHREADED), "RoInitialize");
}
