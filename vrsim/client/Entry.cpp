#include <openvr.h>

// Placeholder entry points until the runtime connection exists: nothing is ever initialized.

uint32_t vr::VR_InitInternal2(EVRInitError *peError, EVRApplicationType, const char *)
{
    if (peError)
        *peError = VRInitError_IPC_ConnectFailed;
    return 0;
}

void vr::VR_ShutdownInternal() { }

bool vr::VR_IsInterfaceVersionValid(const char *)
{
    return false;
}

void *vr::VR_GetGenericInterface(const char *, EVRInitError *peError)
{
    if (peError)
        *peError = VRInitError_Init_NotInitialized;
    return nullptr;
}

uint32_t vr::VR_GetInitToken()
{
    return 0;
}
