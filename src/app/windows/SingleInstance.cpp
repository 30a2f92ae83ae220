#include "app/SingleInstance.h"

#include <windows.h>

namespace {
// Held for the rest of the process; the end of the process releases it.
HANDLE g_instanceMutex = nullptr;
} // namespace

bool acquireSingleInstance()
{
    g_instanceMutex = CreateMutexW(nullptr, FALSE, L"TarvixBatteryOverlayAppMutex");
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        CloseHandle(g_instanceMutex);
        g_instanceMutex = nullptr;
        return false;
    }
    // Any other failure lets the program run as if it were the only instance.
    return true;
}
