#include "openvr/OpenVR_Overlay.h"

#include <QDebug>
#include <QTimer>

#include <cmath>

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
    : OpenVR_InputRenderer(key, name)
    , m_translation(identity())
    , m_orientation(identity())
{
    vr::IVROverlay *overlay = vr::VROverlay();
    const vr::EVROverlayError error
        = overlay ? overlay->CreateOverlay(key.c_str(), name.c_str(), &m_handle) : vr::VROverlayError_RequestFailed;
    if (error != vr::VROverlayError_None) {
        qCritical() << "Error (" << static_cast<int>(error) << ") creating overlay, name:" << key.c_str();
        return;
    }

    m_frameTimer = std::make_unique<QTimer>();
    m_frameTimer->setInterval(static_cast<int>(frameDurationMs() * 0.5f));
    m_frameTimer->setSingleShot(false);
    connect(m_frameTimer.get(), &QTimer::timeout, this, &OpenVR_Overlay::onFrame);
    m_frameTimer->start();
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
    system->GetTimeSinceLastVsync(&sinceVsync, nullptr);
    const float vsyncToPhotons = system->GetFloatTrackedDeviceProperty(
        vr::k_unTrackedDeviceIndex_Hmd, vr::Prop_SecondsFromVsyncToPhotons_Float);
    return secondsPerFrame - sinceVsync + vsyncToPhotons;
}

void OpenVR_Overlay::setVisible(bool visible)
{
    vr::IVROverlay *overlay = vr::VROverlay();
    if (visible) {
        if (overlay)
            overlay->ShowOverlay(m_handle);
        if (m_frameTimer)
            m_frameTimer->start();
    } else {
        if (overlay)
            overlay->HideOverlay(m_handle);
        if (m_frameTimer)
            m_frameTimer->stop();
    }
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
    vr::IVRSystem *system = vr::VRSystem();
    if (!system)
        return;

    const float toPhotons = secondsToPhotons();
    if (static_cast<double>(toPhotons) > 0.03)
        sleepMilliseconds(static_cast<unsigned long>((static_cast<double>(toPhotons) - 0.03) * 1000.0));

    float sinceVsync = 0.0f;
    uint64_t frame = 0;
    system->GetTimeSinceLastVsync(&sinceVsync, &frame);

    const uint64_t elapsed = frame - m_lastFrame;
    if (elapsed == 0)
        return; // this display frame already has its transform
    if (elapsed > 1)
        qDebug() << "Skipped" << static_cast<quint64>(elapsed - 1) << "Frames";

    updateTransform();
    m_lastFrame = frame;
}

void OpenVR_Overlay::updateTransform()
{
    if (vr::IVROverlay *overlay = vr::VROverlay()) {
        const vr::HmdMatrix34_t matrix = transform();
        overlay->SetOverlayTransformTrackedDeviceRelative(m_handle, vr::k_unTrackedDeviceIndex_Hmd, &matrix);
    }
}

bool OpenVR_Overlay::isFrameTimerActive() const
{
    return m_frameTimer && m_frameTimer->isActive();
}

int OpenVR_Overlay::frameTimerIntervalMs() const
{
    return m_frameTimer ? m_frameTimer->interval() : 0;
}
