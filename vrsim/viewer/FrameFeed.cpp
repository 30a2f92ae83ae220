#include "FrameFeed.h"

#include "Runtime.h"

namespace vrsim {

namespace {

constexpr qint64 kRequestIntervalMs = 1000 / FrameFeed::kMaxFramesPerSecond + 1;

} // namespace

FrameFeed::FrameFeed(Runtime &runtime, QObject *parent)
    : QObject(parent)
    , m_runtime(runtime)
{
    m_next.setSingleShot(true);
    connect(&m_next, &QTimer::timeout, this, &FrameFeed::request);
    connect(&m_runtime, &Runtime::frameArrived, this, &FrameFeed::receive);
    connect(&m_runtime, &Runtime::overlayRemoved, this, &FrameFeed::forget);
}

void FrameFeed::follow(quint64 handle)
{
    if (handle == m_handle)
        return;
    m_handle = handle;
    m_requested = false;
    m_next.stop();
    request();
}

void FrameFeed::setActive(bool active)
{
    if (active == m_active)
        return;
    m_active = active;
    if (active)
        request();
    else
        m_next.stop();
}

void FrameFeed::request()
{
    if (!m_active || m_handle == 0 || m_requested || m_next.isActive())
        return;
    if (m_sinceRequest.isValid() && m_sinceRequest.elapsed() < kRequestIntervalMs) {
        m_next.start(static_cast<int>(kRequestIntervalMs - m_sinceRequest.elapsed()));
        return;
    }
    m_requested = true;
    m_sinceRequest.start();
    m_runtime.wantFrame(m_handle);
}

void FrameFeed::receive(quint64 handle, const QImage &image)
{
    // Frames a snapshot asked for count too: the application has answered every request so far.
    if (handle != m_handle)
        return;
    m_requested = false;
    emit frameArrived(image);
    request();
}

void FrameFeed::forget(quint64 handle)
{
    if (handle == m_handle)
        follow(0);
}

} // namespace vrsim
