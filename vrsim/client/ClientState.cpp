#include "ClientState.h"

#include "ApiMethod.h"

namespace vrsim {

namespace {

// A program that stops polling must not make the runtime's pushes grow without bound.
constexpr size_t kMaxQueuedEvents = 1024;

} // namespace

void EventQueue::push(const vr::VREvent_t &event, int64_t nowNs)
{
    if (m_events.size() >= kMaxQueuedEvents)
        m_events.pop_front();
    m_events.push_back({event, nowNs});
}

bool EventQueue::pop(vr::VREvent_t &event)
{
    if (m_events.empty())
        return false;
    const QueuedEvent &front = m_events.front();
    event = front.event;
    event.eventAgeSeconds = static_cast<float>(static_cast<double>(monotonicNs() - front.arrivedNs) * 1e-9);
    m_events.pop_front();
    return true;
}

void ClientState::reset()
{
    std::lock_guard<std::mutex> lock(mutex);
    overlays.clear();
    systemEvents.clear();
    timing = DisplayTiming();
    dashboardVisible = false;
    armedFailures = 0;
    framesWanted = false;
}

LocalOverlay *ClientState::find(vr::VROverlayHandle_t handle)
{
    if (handle == vr::k_ulOverlayHandleInvalid)
        return nullptr;
    for (LocalOverlay &overlay : overlays) {
        if (overlay.handle == handle)
            return &overlay;
    }
    return nullptr;
}

void ClientState::addOverlay(vr::VROverlayHandle_t handle, bool dashboard, bool visible)
{
    LocalOverlay overlay;
    overlay.handle = handle;
    overlay.dashboard = dashboard;
    overlay.visible = visible;
    overlays.push_back(std::move(overlay));
}

void ClientState::apply(const Message &message)
{
    MessageReader reader(message);
    switch (message.type) {
    case MessageType::Event: {
        const auto handle = static_cast<vr::VROverlayHandle_t>(reader.integer());
        vr::VREvent_t event {};
        event.eventType = static_cast<uint32_t>(reader.integer());
        event.trackedDeviceIndex = static_cast<vr::TrackedDeviceIndex_t>(reader.integer());
        event.data.mouse.x = static_cast<float>(reader.real());
        event.data.mouse.y = static_cast<float>(reader.real());
        event.data.mouse.button = static_cast<uint32_t>(reader.integer());
        if (!reader.ok())
            return;
        const int64_t now = monotonicNs();
        std::lock_guard<std::mutex> lock(mutex);
        if (handle == vr::k_ulOverlayHandleInvalid) {
            systemEvents.push(event, now);
        } else if (LocalOverlay *overlay = find(handle)) {
            overlay->events.push(event, now);
        }
        return;
    }
    case MessageType::DashboardState: {
        const bool open = reader.integer() != 0;
        if (reader.ok())
            dashboardVisible = open;
        return;
    }
    case MessageType::OverlayVisibility: {
        const auto handle = static_cast<vr::VROverlayHandle_t>(reader.integer());
        const bool visible = reader.integer() != 0;
        if (!reader.ok())
            return;
        std::lock_guard<std::mutex> lock(mutex);
        if (LocalOverlay *overlay = find(handle))
            overlay->visible = visible;
        return;
    }
    case MessageType::ArmedFailures: {
        const auto mask = static_cast<uint32_t>(reader.integer());
        if (reader.ok())
            armedFailures = mask;
        return;
    }
    case MessageType::WantFrame: {
        const auto handle = static_cast<vr::VROverlayHandle_t>(reader.integer());
        if (!reader.ok())
            return;
        std::lock_guard<std::mutex> lock(mutex);
        if (LocalOverlay *overlay = find(handle)) {
            overlay->frameWanted = true;
            overlay->serveFromLastTexture = overlay->lastTexture != 0;
            if (overlay->serveFromLastTexture)
                framesWanted = true;
        }
        return;
    }
    default:
        return;
    }
}

Message ClientState::syncReply(uint32_t id)
{
    Message reply(MessageType::Reply, id);
    std::lock_guard<std::mutex> lock(mutex);
    for (const LocalOverlay &overlay : overlays)
        reply << overlay.handle << overlay.submits << overlay.textureWidth << overlay.textureHeight;
    return reply;
}

} // namespace vrsim
