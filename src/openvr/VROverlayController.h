#pragma once

#include "feature/IOverlayModel.h"
#include "feature/OverlaySettings.h"
#include "openvr/IInputSource.h"
#include "openvr/IVRRenderer.h"
#include "render/ITextureView.h"

#include <QObject>

#include <memory>
#include <optional>

class QTimer;

// Drives one panel: on every tick it applies what changed in the model's
// record to the overlay, forwards the overlay's mouse events into the scene
// while the panel is shown, hands the overlay each frame the view rendered
// since the last tick, and lets the overlay retry what the runtime refused.
class VROverlayController : public QObject
{
public:
    VROverlayController(std::shared_ptr<IInputSource> inputSource, std::shared_ptr<IVRRenderer> renderer,
        std::shared_ptr<ITextureView> textureView, std::shared_ptr<IOverlayModel> model);
    ~VROverlayController() override;

    void applySettings();

    // For tests and diagnostics.
    int updateIntervalMs() const;
    bool isHideTimerActive() const;
    int hideTimerIntervalMs() const;

    static constexpr int defaultUpdateIntervalMs = 20;

    // Milliseconds from a record, truncated for a timer: NaN and anything
    // below zero give 0, anything beyond a timer's range its maximum.
    static int timerIntervalMs(double ms);
    // The change test: fields compare by value, except that a NaN equals a
    // NaN, so a record holding one is applied once and not on every tick.
    static bool sameRecord(const OverlaySettings &a, const OverlaySettings &b);

private:
    void onTick();
    void onDurationElapsed();
    void handOverNewFrame();

    QTimer *m_updateTimer = nullptr;
    QTimer *m_durationTimer = nullptr;
    std::shared_ptr<IInputSource> m_inputSource;
    std::shared_ptr<IVRRenderer> m_renderer;
    std::shared_ptr<ITextureView> m_textureView;
    std::shared_ptr<IOverlayModel> m_model;
    std::optional<OverlaySettings> m_settings;
    uint64_t m_framesHandedOver = 0;
};
