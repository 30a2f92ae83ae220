#pragma once

#include "openvr/IInputSource.h"
#include "openvr/IVRRenderer.h"
#include "openvr/RepeatingFailure.h"

#include <openvr.h>

#include <QDeadlineTimer>

#include <string>

#ifndef VOLTARO_FLIP_OVERLAY_MOUSE_Y
#define VOLTARO_FLIP_OVERLAY_MOUSE_Y 0
#endif

// The common half of the program's two overlays: mouse events out of the
// runtime, texture, mouse scale, width and alpha into it. Subclasses create
// the overlay and decide visibility and placement.
//
// Each setter remembers what was asked and tries it at once; what the runtime
// refuses stays pending and `tick` tries it again, so one transient error never
// leaves the overlay out of step. An overlay the runtime would not create is
// asked for again with a growing pause, and gets everything asked so far once
// it exists.
class OpenVR_InputRenderer
    : public IInputSource
    , public IVRRenderer
{
public:
    ~OpenVR_InputRenderer() override = default;

    bool pollEvent(OverlayMouseEvent &event) override;
    void discardEvents() override;

    void setTexture(uint32_t textureId) override;
    void setMouseScale(int32_t width, int32_t height) override;
    void setWidthInMeters(float width) override;
    void setAlpha(float alpha) override;
    void tick() override;

    vr::VROverlayHandle_t handle() const { return m_handle; }
    bool isCreated() const { return m_created; }
    // True while something asked for has not reached the runtime yet.
    bool hasPendingCalls() const;
    // Longest pause between two attempts to create the overlay.
    static constexpr int maxCreateRetryMs = 4000;
    static constexpr int firstCreateRetryMs = 500;
    // How long a texture nobody sees waits before it asks the runtime again
    // without having heard that the overlay was shown.
    static constexpr int unseenRecheckMs = 500;

    // The real runtime on Linux reports overlay mouse y upwards from the
    // bottom edge; the panels count downwards from the top. The build's
    // default is VOLTARO_FLIP_OVERLAY_MOUSE_Y.
    void setMouseYFromBottom(bool fromBottom) { m_mouseYFromBottom = fromBottom; }

protected:
    // `createCall` names the runtime call that creates the overlay, for the log.
    OpenVR_InputRenderer(std::string name, std::string key, const char *createCall);

    // Subclass constructors call this once; later attempts come from `tick`.
    void create();
    // One request to the runtime for the overlay; logs its own first failure.
    virtual vr::EVROverlayError createInRuntime(vr::IVROverlay *overlay) = 0;
    virtual void reportCreateError(vr::EVROverlayError error) = 0;
    virtual void onCreated() { }
    // What the subclass keeps pending, tried before the texture (which needs
    // the overlay shown to be worth submitting).
    virtual void applyOwnPending(vr::IVROverlay *) { }
    virtual bool hasOwnPending() const { return false; }
    // Whether the runtime hid the overlay because this program asked it to:
    // nobody sees it until the program shows it again, so a texture waiting
    // for it needs no question to the runtime on every tick.
    virtual bool isHiddenOnRequest() const { return false; }
    // A texture handed over again when the overlay is shown.
    void resubmitTexture();
    // The next waiting texture asks the runtime at once whether anyone sees
    // it, however recent the last answer: the overlay was shown, or whatever
    // the answer was about has changed.
    void askWhetherSeen() { m_unseenUntil = QDeadlineTimer(); }

    vr::VROverlayHandle_t m_handle = vr::k_ulOverlayHandleInvalid;
    std::string m_name;
    std::string m_key;
    float m_fovHorizontal = 100.0f;
    float m_fovVertical = 110.0f;
    // The mouse-scale height last set; the controller sets it before it takes events.
    float m_mouseScaleHeight = 1.0f;
    bool m_mouseYFromBottom = VOLTARO_FLIP_OVERLAY_MOUSE_Y != 0;

private:
    void applyPending(vr::IVROverlay *overlay);
    void applyTexture(vr::IVROverlay *overlay);
    void applyMouseScale(vr::IVROverlay *overlay);
    void applyWidth(vr::IVROverlay *overlay);
    void applyAlpha(vr::IVROverlay *overlay);

    bool m_created = false;
    QDeadlineTimer m_nextCreateAttempt;
    int m_createRetryMs = firstCreateRetryMs;
    RepeatingFailure m_createFailure;

    uint32_t m_texture = 0;
    bool m_hasTexture = false;
    bool m_texturePending = false;
    RepeatingFailure m_textureFailure {"SetOverlayTexture"};
    // Running while the runtime's last answer was that nobody sees the
    // overlay; expired, the next waiting texture asks.
    QDeadlineTimer m_unseenUntil;

    vr::HmdVector2_t m_mouseScale {{1.0f, 1.0f}};
    bool m_mouseScalePending = false;
    RepeatingFailure m_mouseScaleFailure {"SetOverlayMouseScale"};

    float m_width = 1.0f;
    bool m_widthPending = false;
    RepeatingFailure m_widthFailure {"SetOverlayWidthInMeters"};

    float m_alpha = 1.0f;
    bool m_alphaPending = false;
    RepeatingFailure m_alphaFailure {"SetOverlayAlpha"};
};
