#include "RuntimeClient.h"

#include "ApplicationsInterface.h"
#include "Codec.h"
#include "GlTexture.h"
#include "OverlayInterface.h"
#include "SocketPath.h"
#include "SystemInterface.h"

#include <cstring>
#include <vector>

namespace vrsim {

RuntimeClient &RuntimeClient::instance()
{
    // Never destroyed: an application's own static destructors may still shut
    // the runtime down at exit, after every static of this library created
    // later than theirs is gone. The process's end closes the socket.
    static RuntimeClient *client = new RuntimeClient;
    return *client;
}

RuntimeClient::RuntimeClient()
    : m_system(std::make_unique<SystemInterface>(*this))
    , m_overlay(std::make_unique<OverlayInterface>(*this))
    , m_applications(std::make_unique<ApplicationsInterface>(*this))
{ }

// A program that exits without VR_Shutdown still has the reader thread running.
RuntimeClient::~RuntimeClient()
{
    m_connection.close();
}

uint32_t RuntimeClient::init(vr::EVRInitError *error, vr::EVRApplicationType type)
{
    std::lock_guard<std::mutex> lock(m_lifecycleMutex);
    auto report = [error](vr::EVRInitError value) {
        if (error)
            *error = value;
    };
    if (m_initialized && m_connection.isOpen()) {
        report(vr::VRInitError_None);
        return m_token;
    }
    // Either never initialized or the runtime went away since: start over.
    m_initialized = false;
    m_connection.close();
    m_state.reset();

    if (!m_connection.open(socketPath(), [this](const Message &message) { onPush(message); })) {
        report(vr::VRInitError_IPC_ConnectFailed);
        return 0;
    }
    msg::Hello hello;
    hello.role = ConnectionRole::Application;
    hello.applicationType = static_cast<int32_t>(type);
    auto initError = vr::VRInitError_IPC_ConnectFailed;
    // Applied on the reader thread so that no push after the reply can be overwritten by it.
    auto applyHello = [this, &initError](const msg::HelloReply &reply) {
        if (reply.initError != vr::VRInitError_None) {
            initError = static_cast<vr::EVRInitError>(reply.initError);
            return;
        }
        DisplayTiming timing;
        timing.hz = reply.hz;
        timing.secondsFromVsyncToPhotons = reply.secondsFromVsyncToPhotons;
        timing.epochNs = reply.epochNs;
        std::lock_guard<std::mutex> stateLock(m_state.mutex);
        m_state.timing = timing;
        m_state.dashboardVisible = reply.dashboardOpen;
        m_state.armedFailures = reply.armedFailures;
        initError = vr::VRInitError_None;
    };
    if (!m_connection.call(hello, kReplyTimeout, applyHello) || initError != vr::VRInitError_None) {
        m_connection.close();
        report(initError);
        return 0;
    }
    m_initialized = true;
    m_token = ++m_lastToken;
    report(vr::VRInitError_None);
    return m_token;
}

void RuntimeClient::shutdown()
{
    std::lock_guard<std::mutex> lock(m_lifecycleMutex);
    m_initialized = false;
    m_connection.close();
    m_state.reset();
    // Interfaces cached under the old token must be fetched again, and come back null.
    m_token = ++m_lastToken;
}

bool RuntimeClient::isInterfaceVersionValid(const char *version) const
{
    if (!version || !m_initialized)
        return false;
    return std::strcmp(version, vr::IVRSystem_Version) == 0 || std::strcmp(version, vr::IVROverlay_Version) == 0
        || std::strcmp(version, vr::IVRApplications_Version) == 0;
}

void *RuntimeClient::genericInterface(const char *version, vr::EVRInitError *error)
{
    auto report = [error](vr::EVRInitError value) {
        if (error)
            *error = value;
    };
    if (!m_initialized) {
        report(vr::VRInitError_Init_NotInitialized);
        return nullptr;
    }
    void *found = nullptr;
    if (version && std::strcmp(version, vr::IVRSystem_Version) == 0)
        found = static_cast<vr::IVRSystem *>(m_system.get());
    else if (version && std::strcmp(version, vr::IVROverlay_Version) == 0)
        found = static_cast<vr::IVROverlay *>(m_overlay.get());
    else if (version && std::strcmp(version, vr::IVRApplications_Version) == 0)
        found = static_cast<vr::IVRApplications *>(m_applications.get());
    report(found ? vr::VRInitError_None : vr::VRInitError_Init_InterfaceNotFound);
    return found;
}

int RuntimeClient::injectedFailure(ApiMethod method)
{
    if (!(m_state.armedFailures.load(std::memory_order_relaxed) & methodBit(method)))
        return 0;
    msg::TryFailure ask;
    ask.method = method;
    const std::optional<msg::Result> reply = m_connection.call(ask, kReplyTimeout);
    return reply ? reply->code : 0;
}

void RuntimeClient::serveFromLastTextures()
{
    struct Wanted
    {
        vr::VROverlayHandle_t handle;
        uint32_t texture;
    };
    std::vector<Wanted> wanted;
    {
        std::lock_guard<std::mutex> lock(m_state.mutex);
        m_state.framesWanted = false;
        for (LocalOverlay &overlay : m_state.overlays) {
            if (overlay.serveFromLastTexture)
                wanted.push_back({overlay.handle, overlay.lastTexture});
            // One try per request: a texture that cannot be read here (another
            // context is current, or none) waits for the next submit instead.
            overlay.serveFromLastTexture = false;
        }
    }
    if (!connected())
        return;
    for (const Wanted &entry : wanted) {
        const GlTexture texture(entry.texture);
        int32_t width = 0;
        int32_t height = 0;
        Bytes pixels;
        if (!texture.querySize(width, height) || width > static_cast<int32_t>(kMaxFrameSide)
            || height > static_cast<int32_t>(kMaxFrameSide) || !texture.read(width, height, pixels))
            continue;
        uint64_t submits = 0;
        {
            std::lock_guard<std::mutex> lock(m_state.mutex);
            LocalOverlay *overlay = m_state.find(entry.handle);
            // A submit since may already have answered it.
            if (!overlay || !overlay->frameWanted)
                continue;
            overlay->frameWanted = false;
            submits = overlay->submits;
        }
        msg::Frame frame;
        frame.handle = entry.handle;
        frame.submits = submits;
        frame.width = width;
        frame.height = height;
        frame.pixels = std::move(pixels);
        m_connection.send(frame);
    }
}

void RuntimeClient::onPush(const Message &message)
{
    dispatch(RuntimePushes(), message, [&](const auto &push) { apply(message.id, push); });
}

void RuntimeClient::apply(uint32_t id, const msg::Sync &)
{
    // Sent after everything applied so far, so the runtime knows this process is in step.
    m_connection.send(m_state.syncReply().encode(id));
}

template<class Push>
void RuntimeClient::apply(uint32_t, const Push &push)
{
    m_state.apply(push);
}

} // namespace vrsim
