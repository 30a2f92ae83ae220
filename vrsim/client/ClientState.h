#pragma once

#include "DisplayTiming.h"
#include "Messages.h"

#include <openvr.h>

#include <atomic>
#include <deque>
#include <mutex>
#include <vector>

namespace vrsim {

// An event as it waits in a queue, with the time it arrived so its age can be told.
struct QueuedEvent
{
    vr::VREvent_t event;
    int64_t arrivedNs;
};

class EventQueue
{
public:
    void push(const vr::VREvent_t &event, int64_t nowNs);
    // Reads the clock only when there is an event: polling an empty queue is the common case.
    bool pop(vr::VREvent_t &event);
    void clear() { m_events.clear(); }

private:
    std::deque<QueuedEvent> m_events;
};

// What the application's side knows of one of its overlays. Everything the API reads back or
// compares against lives here, so those calls stay in the process.
struct LocalOverlay
{
    vr::VROverlayHandle_t handle = vr::k_ulOverlayHandleInvalid;
    bool dashboard = false;
    bool visible = false;
    float mouseScale[2] = {1.0f, 1.0f};
    float widthInMeters = 1.0f;
    float alpha = 1.0f;
    int inputMethod = vr::VROverlayInputMethod_None;
    bool hasTransform = false;
    vr::TrackedDeviceIndex_t transformDevice = 0;
    vr::HmdMatrix34_t transform {};
    uint64_t submits = 0;
    int32_t textureWidth = 0;
    int32_t textureHeight = 0;
    bool frameWanted = false;
    // The texture of the last successful submit, which a wanted frame is read
    // from when no new submit comes: a program submits only when its picture changed.
    uint32_t lastTexture = 0;
    bool serveFromLastTexture = false;
    EventQueue events;
};

// The runtime's state as this process mirrors it: fed by the connection's reader thread, read
// by API calls. One mutex guards it; the flags read on every tick are atomics as well.
class ClientState
{
public:
    void reset();

    // What the runtime pushed; a Sync is answered with syncReply().
    void apply(const msg::Event &push);
    void apply(const msg::DashboardState &push);
    void apply(const msg::OverlayVisibility &push);
    void apply(const msg::ArmedFailures &push);
    void apply(const msg::WantFrame &push);
    msg::SyncReply syncReply();

    // Callers hold mutex for these.
    LocalOverlay *find(vr::VROverlayHandle_t handle);
    void addOverlay(vr::VROverlayHandle_t handle, bool dashboard, bool visible);

    std::mutex mutex;
    std::vector<LocalOverlay> overlays;
    EventQueue systemEvents;
    DisplayTiming timing;
    std::atomic<bool> dashboardVisible {false};
    std::atomic<uint32_t> armedFailures {0};
    // Some overlay waits for a frame from its last texture; checked on every call.
    std::atomic<bool> framesWanted {false};
};

} // namespace vrsim
