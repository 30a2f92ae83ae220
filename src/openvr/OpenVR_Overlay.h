#pragma once

#include "openvr/OpenVR_InputRenderer.h"

#include <QElapsedTimer>
#include <QObject>

#include <array>
#include <memory>

class QTimer;

// The HUD: a world overlay fixed to the headset, placed on a sphere about the
// head from a position in the field of view. A frame timer at half the frame
// period hands the runtime the transform once per display frame.
class OpenVR_Overlay
    : public OpenVR_InputRenderer
    , public QObject
{
public:
    using Matrix4 = std::array<std::array<float, 4>, 4>; // [row][column]
    struct Vector3
    {
        float x = 0.0f;
        float y = 0.0f;
        float z = 0.0f;
    };

    OpenVR_Overlay(std::string key, std::string name);
    ~OpenVR_Overlay() override;

    void setVisible(bool visible) override;
    void setPlacement(float x, float y, float distance, float interpolationSpeed) override;

    static Matrix4 faceOrigin(Vector3 eye, Vector3 target, Vector3 up);
    // What the next frame hands the runtime: rows 0 to 2 of translation x orientation.
    vr::HmdMatrix34_t transform() const;

    bool hasFrameTimer() const { return m_frameTimer != nullptr; }
    bool isFrameTimerActive() const;
    int frameTimerIntervalMs() const;

    void onFrame();

    // The frames missed between two handled ones are logged only up to a
    // second's worth: a larger jump (the first frame, a runtime that started
    // over, a counter that went back) is no skip.
    static bool isSkip(uint64_t lastFrame, uint64_t frame, float frequencyHz);

    // Used when the runtime reports no display frequency.
    static constexpr float fallbackFrequencyHz = 90.0f;

protected:
    vr::EVROverlayError createInRuntime(vr::IVROverlay *overlay) override;
    void reportCreateError(vr::EVROverlayError error) override;
    void onCreated() override;
    void applyOwnPending(vr::IVROverlay *overlay) override;
    bool hasOwnPending() const override { return m_visibilityPending; }
    bool isHiddenOnRequest() const override { return m_visibilityAsked && !m_visible && !m_visibilityPending; }

private:
    void applyVisibility(vr::IVROverlay *overlay);
    float displayFrequency() const;
    float frameDurationMs() const;
    float secondsToPhotons() const;
    bool updateTransform();

    std::unique_ptr<QTimer> m_frameTimer;
    uint64_t m_lastFrame = 0;
    QElapsedTimer m_sinceFrameTick;
    quint64 m_frameAlignments = 0;
    // Until the controller first decides, the overlay is as the runtime made it.
    bool m_visibilityAsked = false;
    bool m_visible = false;
    bool m_visibilityPending = false;
    RepeatingFailure m_showFailure {"ShowOverlay"};
    RepeatingFailure m_hideFailure {"HideOverlay"};
    RepeatingFailure m_transformFailure {"SetOverlayTransformTrackedDeviceRelative"};
    Matrix4 m_translation;
    Matrix4 m_orientation;
};
