#include "app/PlatformRuntime.h"

void initializePlatformRuntime()
{
    // The kernel's battery files need no runtime of their own.
}
