#pragma once

#include "Message.h"

#include <openvr.h>

namespace vrsim {

class RuntimeClient;

// IVRApplications: the registry is the runtime's, so every call asks it.
class ApplicationsInterface : public vr::IVRApplications
{
public:
    explicit ApplicationsInterface(RuntimeClient &client)
        : m_client(client)
    { }

    vr::EVRApplicationError AddApplicationManifest(
        const char *pchApplicationManifestFullPath, bool bTemporary) override;
    vr::EVRApplicationError RemoveApplicationManifest(const char *pchApplicationManifestFullPath) override;
    bool IsApplicationInstalled(const char *pchAppKey) override;
    vr::EVRApplicationError SetApplicationAutoLaunch(const char *pchAppKey, bool bAutoLaunch) override;
    bool GetApplicationAutoLaunch(const char *pchAppKey) override;

private:
    vr::EVRApplicationError manifestRequest(MessageType type, const char *path, bool temporary);
    int64_t ask(MessageType type, const char *appKey, int64_t argument, int64_t failed);

    RuntimeClient &m_client;
};

} // namespace vrsim
