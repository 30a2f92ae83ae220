#include "RuntimeClient.h"

#include <openvr.h>

uint32_t vr::VR_InitInternal2(EVRInitError *peError, EVRApplicationType eApplicationType, const char *)
{
    return vrsim::RuntimeClient::instance().init(peError, eApplicationType);
}

void vr::VR_ShutdownInternal()
{
    vrsim::RuntimeClient::instance().shutdown();
}

bool vr::VR_IsInterfaceVersionValid(const char *pchInterfaceVersion)
{
    return vrsim::RuntimeClient::instance().isInterfaceVersionValid(pchInterfaceVersion);
}

void *vr::VR_GetGenericInterface(const char *pchInterfaceVersion, EVRInitError *peError)
{
    return vrsim::RuntimeClient::instance().genericInterface(pchInterfaceVersion, peError);
}

uint32_t vr::VR_GetInitToken()
{
    return vrsim::RuntimeClient::instance().initToken();
}
