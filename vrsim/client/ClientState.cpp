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

void ClientState::apply(const msg::Event &push)
{
    vr::VREvent_t event {};
    event.eventType = push.eventType;
    event.trackedDeviceIndex = push.device;
    event.data.mouse.x = static_cast<float>(push.x);
    event.data.mouse.y = static_cast<float>(push.y);
    event.data.mouse.button = push.button;
    const int64_t now = monotonicNs();
    std::lock_guard<std::mutex> lock(mutex);
    if (push.handle == vr::k_ulOverlayHandleInvalid) {
        systemEvents.push(event, now);
    } else if (LocalOverlay *overlay = find(push.handle)) {
        overlay->events.push(event, now);
    }
}

void ClientState::apply(const msg::DashboardState &push)
{
    dashboardVisible = push.open;
}

void ClientState::apply(const msg::OverlayVisibility &push)
{
    std::lock_guard<std::mutex> lock(mutex);
    if (LocalOverlay *overlay = find(push.handle))
        overlay->visible = push.visible;
}

void ClientState::apply(const msg::ArmedFailures &push)
{
    armedFailures = push.mask;
}

void ClientState::apply(const msg::WantFrame &push)
{
    std::lock_guard<std::mutex> lock(mutex);
    if (LocalOverlay *overlay = find(push.handle)) {
        overlay->frameWanted = true;
        overlay->serveFromLastTexture = overlay->lastTexture != 0;
        if (overlay->serveFromLastTexture)
            framesWanted = true;
    }
}

msg::SyncReply ClientState::syncReply()
{
    msg::SyncReply reply;
    std::lock_guard<std::mutex> lock(mutex);
    reply.overlays.reserve(overlays.size());
    for (const LocalOverlay &overlay : overlays)
        reply.overlays.push_back({overlay.handle, overlay.submits, overlay.textureWidth, overlay.textureHeight});
    return reply;
}

} // namespace vrsim
