#pragma once

#include "Messages.h"

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
    // The manifest's absolute path, or empty when there is none the wire can carry.
    static std::string manifestPath(const char *path);
    static bool keyFits(const char *appKey);
    // The reply's code, or `failed` when the runtime did not answer.
    template<class Request>
    int32_t ask(const Request &request, int32_t failed);

    RuntimeClient &m_client;
};

} // namespace vrsim
