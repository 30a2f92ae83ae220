#include "ApplicationsInterface.h"

#include "Codec.h"
#include "RuntimeClient.h"

#include "AbsolutePath.h"

#include <cstring>

namespace vrsim {

vr::EVRApplicationError ApplicationsInterface::AddApplicationManifest(
    const char *pchApplicationManifestFullPath, bool bTemporary)
{
    return manifestRequest(MessageType::AddManifest, pchApplicationManifestFullPath, bTemporary);
}

vr::EVRApplicationError ApplicationsInterface::RemoveApplicationManifest(const char *pchApplicationManifestFullPath)
{
    return manifestRequest(MessageType::RemoveManifest, pchApplicationManifestFullPath, false);
}

bool ApplicationsInterface::IsApplicationInstalled(const char *pchAppKey)
{
    return ask(MessageType::IsInstalled, pchAppKey, 0, 0) != 0;
}

vr::EVRApplicationError ApplicationsInterface::SetApplicationAutoLaunch(const char *pchAppKey, bool bAutoLaunch)
{
    if (!m_client.connected())
        return vr::VRApplicationError_IPCFailed;
    if (!pchAppKey || std::strlen(pchAppKey) > kMaxTextLength)
        return vr::VRApplicationError_UnknownApplication;
    return static_cast<vr::EVRApplicationError>(
        ask(MessageType::SetAutoLaunch, pchAppKey, bAutoLaunch ? 1 : 0, vr::VRApplicationError_IPCFailed));
}

bool ApplicationsInterface::GetApplicationAutoLaunch(const char *pchAppKey)
{
    return ask(MessageType::GetAutoLaunch, pchAppKey, 0, 0) != 0;
}

vr::EVRApplicationError ApplicationsInterface::manifestRequest(MessageType type, const char *path, bool temporary)
{
    if (!m_client.connected())
        return vr::VRApplicationError_IPCFailed;
    if (!path || !*path)
        return vr::VRApplicationError_NoManifest;
    const std::string absolute = absolutePath(path);
    if (absolute.size() > kMaxTextLength)
        return vr::VRApplicationError_NoManifest;
    Message request(type);
    request << absolute;
    if (type == MessageType::AddManifest)
        request << temporary;
    const std::optional<Message> reply = m_client.connection().request(request, RuntimeClient::kReplyTimeout);
    if (!reply)
        return vr::VRApplicationError_IPCFailed;
    MessageReader reader(*reply);
    const int64_t error = reader.integer();
    return reader.ok() ? static_cast<vr::EVRApplicationError>(error) : vr::VRApplicationError_IPCFailed;
}

int64_t ApplicationsInterface::ask(MessageType type, const char *appKey, int64_t argument, int64_t failed)
{
    if (!m_client.connected() || !appKey || std::strlen(appKey) > kMaxTextLength)
        return failed;
    Message request(type);
    request << appKey;
    if (type == MessageType::SetAutoLaunch)
        request << argument;
    const std::optional<Message> reply = m_client.connection().request(request, RuntimeClient::kReplyTimeout);
    if (!reply)
        return failed;
    MessageReader reader(*reply);
    const int64_t answer = reader.integer();
    return reader.ok() ? answer : failed;
}

} // namespace vrsim
