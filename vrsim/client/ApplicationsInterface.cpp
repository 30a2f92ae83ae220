#include "ApplicationsInterface.h"

#include "AbsolutePath.h"
#include "Codec.h"
#include "RuntimeClient.h"

#include <cstring>

namespace vrsim {

vr::EVRApplicationError ApplicationsInterface::AddApplicationManifest(
    const char *pchApplicationManifestFullPath, bool bTemporary)
{
    if (!m_client.connected())
        return vr::VRApplicationError_IPCFailed;
    msg::AddManifest request;
    request.path = manifestPath(pchApplicationManifestFullPath);
    request.temporary = bTemporary;
    if (request.path.empty())
        return vr::VRApplicationError_NoManifest;
    return static_cast<vr::EVRApplicationError>(ask(request, vr::VRApplicationError_IPCFailed));
}

vr::EVRApplicationError ApplicationsInterface::RemoveApplicationManifest(const char *pchApplicationManifestFullPath)
{
    if (!m_client.connected())
        return vr::VRApplicationError_IPCFailed;
    msg::RemoveManifest request;
    request.path = manifestPath(pchApplicationManifestFullPath);
    if (request.path.empty())
        return vr::VRApplicationError_NoManifest;
    return static_cast<vr::EVRApplicationError>(ask(request, vr::VRApplicationError_IPCFailed));
}

bool ApplicationsInterface::IsApplicationInstalled(const char *pchAppKey)
{
    if (!keyFits(pchAppKey))
        return false;
    msg::IsInstalled request;
    request.appKey = pchAppKey;
    return ask(request, 0) != 0;
}

vr::EVRApplicationError ApplicationsInterface::SetApplicationAutoLaunch(const char *pchAppKey, bool bAutoLaunch)
{
    if (!m_client.connected())
        return vr::VRApplicationError_IPCFailed;
    if (!keyFits(pchAppKey))
        return vr::VRApplicationError_UnknownApplication;
    msg::SetAutoLaunch request;
    request.appKey = pchAppKey;
    request.autoLaunch = bAutoLaunch;
    return static_cast<vr::EVRApplicationError>(ask(request, vr::VRApplicationError_IPCFailed));
}

bool ApplicationsInterface::GetApplicationAutoLaunch(const char *pchAppKey)
{
    if (!keyFits(pchAppKey))
        return false;
    msg::GetAutoLaunch request;
    request.appKey = pchAppKey;
    return ask(request, 0) != 0;
}

std::string ApplicationsInterface::manifestPath(const char *path)
{
    if (!path || !*path)
        return std::string();
    std::string absolute = absolutePath(path);
    return absolute.size() > kMaxTextLength ? std::string() : absolute;
}

bool ApplicationsInterface::keyFits(const char *appKey)
{
    return appKey && std::strlen(appKey) <= kMaxTextLength;
}

template<class Request>
int32_t ApplicationsInterface::ask(const Request &request, int32_t failed)
{
    if (!m_client.connected())
        return failed;
    const std::optional<msg::Result> reply = m_client.connection().call(request, RuntimeClient::kReplyTimeout);
    return reply ? reply->code : failed;
}

} // namespace vrsim
