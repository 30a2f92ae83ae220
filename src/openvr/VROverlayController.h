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
// while the panel is shown, and hands the latest frame to the overlay.
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

private:
    void onTick();
    void onDurationElapsed();

    QTimer *m_updateTimer = nullptr;
    QTimer *m_durationTimer = nullptr;
    std::shared_ptr<IInputSource> m_inputSource;
    std::shared_ptr<IVRRenderer> m_renderer;
    std::shared_ptr<ITextureView> m_textureView;
    std::shared_ptr<IOverlayModel> m_model;
    std::optional<OverlaySettings> m_settings;
};
