#include "openvr/OpenVR_Overlay.h"

#include "app/TimerPhase.h"

#include <QDebug>
#include <QTimer>

#include <cmath>
#include <utility>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
#include <chrono>
#include <thread>
#endif

namespace {

constexpr float degreesToRadians = 0.0174533f;

OpenVR_Overlay::Matrix4 identity()
{
    OpenVR_Overlay::Matrix4 m {};
    for (int i = 0; i < 4; ++i)
        m[i][i] = 1.0f;
    return m;
}

OpenVR_Overlay::Matrix4 multiply(const OpenVR_Overlay::Matrix4 &a, const OpenVR_Overlay::Matrix4 &b)
{
    OpenVR_Overlay::Matrix4 r {};
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            float sum = 0.0f;
            for (int k = 0; k < 4; ++k)
                sum += a[i][k] * b[k][j];
            r[i][j] = sum;
        }
    }
    return r;
}

float lerp(float a, float b, float t)
{
    return (b - a) * t + a;
}

float dot(const OpenVR_Overlay::Vector3 &a, const OpenVR_Overlay::Vector3 &b)
{
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

OpenVR_Overlay::Vector3 cross(const OpenVR_Overlay::Vector3 &a, const OpenVR_Overlay::Vector3 &b)
{
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

OpenVR_Overlay::Vector3 normalizedIfNonZero(const OpenVR_Overlay::Vector3 &v)
{
    const float lengthSquared = dot(v, v);
    if (!(lengthSquared > 0.0f))
        return v;
    const float length = std::sqrt(lengthSquared);
    return {v.x / length, v.y / length, v.z / length};
}

void sleepMilliseconds(unsigned long ms)
{
#ifdef _WIN32
    Sleep(static_cast<DWORD>(ms));
#else
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
#endif
}

} // namespace

OpenVR_Overlay::OpenVR_Overlay(std::string key, std::string name)
    // The base is given the key as the overlay's name: that is what messages print.
    : OpenVR_InputRenderer(std::move(key), std::move(name), "CreateOverlay")
    , m_translation(identity())
    , m_orientation(identity())
{
    create();
}

vr::EVROverlayError OpenVR_Overlay::createInRuntime(vr::IVROverlay *overlay)
{
    // The base holds the key as m_name and the overlay's name as m_key.
    return overlay->CreateOverlay(m_name.c_str(), m_key.c_str(), &m_handle);
}

void OpenVR_Overlay::reportCreateError(vr::EVROverlayError error)
{
    qCritical() << "Error (" << static_cast<int>(error) << ") creating overlay, name:" << m_name.c_str();
}

void OpenVR_Overlay::onCreated()
{
    m_frameTimer = std::make_unique<QTimer>();
    m_frameTimer->setInterval(static_cast<int>(frameDurationMs() * 0.5f));
    m_frameTimer->setSingleShot(false);
    connect(m_frameTimer.get(), &QTimer::timeout, this, &OpenVR_Overlay::onFrame);
    if (!m_visibilityAsked || m_visible)
        TimerPhase::start(m_frameTimer.get());
}

OpenVR_Overlay::~OpenVR_Overlay()
{
    m_frameTimer.reset();
}

float OpenVR_Overlay::displayFrequency() const
{
    vr::IVRSystem *system = vr::VRSystem();
    const float frequency = system
        ? system->GetFloatTrackedDeviceProperty(vr::k_unTrackedDeviceIndex_Hmd, vr::Prop_DisplayFrequency_Float)
        : 0.0f;
    // Without a frequency every timing below would be infinite: a frame timer
    // of 0 ms and a sleep that never ends.
    if (!(frequency > 0.0f) || !std::isfinite(frequency))
        return fallbackFrequencyHz;
    return frequency;
}

float OpenVR_Overlay::frameDurationMs() const
{
    const float secondsPerFrame = 1.0f / displayFrequency();
    return static_cast<float>(static_cast<double>(secondsPerFrame) * 1000.0);
}

float OpenVR_Overlay::secondsToPhotons() const
{
    vr::IVRSystem *system = vr::VRSystem();
    if (!system)
        return 0.0f;
    const float secondsPerFrame = 1.0f / displayFrequency();
    float sinceVsync = 0.0f;
    // The runtime's interface does not promise to take a null counter.
    uint64_t frame = 0;
    system->GetTimeSinceLastVsync(&sinceVsync, &frame);
    const float vsyncToPhotons = system->GetFloatTrackedDeviceProperty(
        vr::k_unTrackedDeviceIndex_Hmd, vr::Prop_SecondsFromVsyncToPhotons_Float);
    return secondsPerFrame - sinceVsync + vsyncToPhotons;
}

void OpenVR_Overlay::setVisible(bool visible)
{
    m_visibilityAsked = true;
    m_visible = visible;
    m_visibilityPending = true;
    if (m_frameTimer) {
        if (visible)
            TimerPhase::start(m_frameTimer.get());
        else
            m_frameTimer->stop();
        m_sinceFrameTick.invalidate();
    }
    // A panel that comes into view gets its latest picture with it.
    if (visible)
        resubmitTexture();
    if (!isCreated())
        return;
    if (vr::IVROverlay *overlay = vr::VROverlay())
        applyVisibility(overlay);
}

void OpenVR_Overlay::applyOwnPending(vr::IVROverlay *overlay)
{
    applyVisibility(overlay);
}

void OpenVR_Overlay::applyVisibility(vr::IVROverlay *overlay)
{
    if (!m_visibilityPending)
        return;
    RepeatingFailure &failure = m_visible ? m_showFailure : m_hideFailure;
    const vr::EVROverlayError error = m_visible ? overlay->ShowOverlay(m_handle) : overlay->HideOverlay(m_handle);
    if (error != vr::VROverlayError_None) {
        if (failure.failed()) {
            qWarning() << "Error (" << static_cast<int>(error) << (m_visible ? ") showing" : ") hiding")
                       << "overlay, name:" << m_name.c_str();
        }
        return;
    }
    m_visibilityPending = false;
    if (m_visible)
        askWhetherSeen();
    // The overlay is where it was asked to be: a run of failures of either
    // call is over, even the one that is no longer asked for.
    m_showFailure.succeeded(m_name);
    m_hideFailure.succeeded(m_name);
}

void OpenVR_Overlay::setPlacement(float x, float y, float distance, float)
{
    // No smoothing: the interpolation speed is accepted and not used.
    const float yaw = lerp(-0.25f * m_fovHorizontal, 0.25f * m_fovHorizontal, x);
    const float polar = lerp(-0.25f * m_fovVertical, 0.25f * m_fovVertical, y) + 90.0f;

    const float theta = static_cast<float>(static_cast<double>(polar) * static_cast<double>(degreesToRadians));
    const float phi = static_cast<float>(static_cast<double>(yaw) * static_cast<double>(degreesToRadians));

    const float r = std::sin(theta) * distance;
    const Vector3 p {std::sin(phi) * r, std::cos(theta) * distance, -(std::cos(phi) * r)};

    m_orientation = faceOrigin(p, Vector3 {0.0f, 0.0f, 0.0f}, Vector3 {0.0f, 1.0f, 0.0f});
    m_translation = identity();
    m_translation[0][3] = p.x;
    m_translation[1][3] = p.y;
    m_translation[2][3] = p.z;
}

OpenVR_Overlay::Matrix4 OpenVR_Overlay::faceOrigin(Vector3 eye, Vector3 target, Vector3 up)
{
    const Vector3 f = normalizedIfNonZero({eye.x - target.x, eye.y - target.y, eye.z - target.z});
    const Vector3 s = normalizedIfNonZero(cross(up, f));
    const Vector3 t = cross(f, s);

    // The runtime gets the first element of row 0 and the last of row 2
    // negated; on the horizontal centre line that makes the panel's third
    // column point from the panel back to the head.
    Matrix4 m {};
    m[0] = {-s.x, s.y, s.z, 0.0f};
    m[1] = {t.x, t.y, t.z, 0.0f};
    m[2] = {f.x, f.y, -f.z, 0.0f};
    m[3] = {0.0f, 0.0f, 0.0f, 1.0f};
    return m;
}

vr::HmdMatrix34_t OpenVR_Overlay::transform() const
{
    const Matrix4 r = multiply(m_translation, m_orientation);
    vr::HmdMatrix34_t result;
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 4; ++j)
            result.m[i][j] = r[i][j];
    }
    return result;
}

void OpenVR_Overlay::onFrame()
{
    // Qt starts a timer's period afresh after a tick that came a whole period
    // late, out of step with the other ticks: each would then wake the thread
    // apart. A restart by the alignment itself is no late tick.
    const quint64 alignments = TimerPhase::alignments();
    if (m_frameTimer && m_sinceFrameTick.isValid() && alignments == m_frameAlignments
        && m_sinceFrameTick.elapsed() >= 2 * m_frameTimer->interval())
        TimerPhase::alignSoon();
    m_frameAlignments = alignments;
    m_sinceFrameTick.start();

    vr::IVRSystem *system = vr::VRSystem();
    if (!system)
        return;

    const float toPhotons = secondsToPhotons();
    if (static_cast<double>(toPhotons) > 0.03)
        sleepMilliseconds(static_cast<unsigned long>((static_cast<double>(toPhotons) - 0.03) * 1000.0));

    float sinceVsync = 0.0f;
    uint64_t frame = 0;
    system->GetTimeSinceLastVsync(&sinceVsync, &frame);

    if (frame == m_lastFrame)
        return; // this display frame already has its transform
    // The frequency is asked for only when frames went missing.
    if (m_lastFrame != 0 && frame > m_lastFrame && frame - m_lastFrame > 1
        && isSkip(m_lastFrame, frame, displayFrequency()))
        qDebug() << "Skipped" << static_cast<quint64>(frame - m_lastFrame - 1) << "Frames";

    // A refused transform is tried again on the next tick, which finds the
    // frame still unhandled.
    if (updateTransform())
        m_lastFrame = frame;
}

bool OpenVR_Overlay::isSkip(uint64_t lastFrame, uint64_t frame, float frequencyHz)
{
    if (lastFrame == 0 || frame <= lastFrame || frame - lastFrame == 1)
        return false;
    const uint64_t missed = frame - lastFrame - 1;
    const double second = std::isfinite(frequencyHz) && frequencyHz > 0.0f ? static_cast<double>(frequencyHz)
                                                                           : static_cast<double>(fallbackFrequencyHz);
    return static_cast<double>(missed) <= second;
}

bool OpenVR_Overlay::updateTransform()
{
    vr::IVROverlay *overlay = vr::VROverlay();
    if (!overlay)
        return false;
    const vr::HmdMatrix34_t matrix = transform();
    const vr::EVROverlayError error
        = overlay->SetOverlayTransformTrackedDeviceRelative(m_handle, vr::k_unTrackedDeviceIndex_Hmd, &matrix);
    if (error != vr::VROverlayError_None) {
        if (m_transformFailure.failed()) {
            qWarning() << "Error (" << static_cast<int>(error)
                       << ") setting overlay transform, name:" << m_name.c_str();
        }
        return false;
    }
    m_transformFailure.succeeded(m_name);
    return true;
}

bool OpenVR_Overlay::isFrameTimerActive() const
{
    return m_frameTimer && m_frameTimer->isActive();
}

int OpenVR_Overlay::frameTimerIntervalMs() const
{
    return m_frameTimer ? m_frameTimer->interval() : 0;
}
