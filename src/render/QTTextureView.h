#pragma once

#include "render/ITextureView.h"

#include <QObject>
#include <Qt>

#include <memory>

class QOffscreenSurface;
class QOpenGLContext;
class QOpenGLFramebufferObject;
class QQuickRenderControl;
class QQuickWindow;
class QTimer;

// Renders a hidden QML window into a framebuffer texture on demand and feeds
// mouse events from the VR side back into its scene.
class QTTextureView
    : public QObject
    , public ITextureView
{
public:
    explicit QTTextureView(std::shared_ptr<QOpenGLContext> context);
    ~QTTextureView() override;

    // Takes the window's scene over; the window is never shown itself.
    void attachWindow(std::shared_ptr<QQuickWindow> window);

    uint32_t textureId() override;
    void injectMouseEvent(const OverlayMouseEvent &event) override;
    uint64_t framesRendered() const override { return m_renderCount; }

    void renderFrame();
    void requestUpdate();

    // Frames rendered so far; lets callers see that an idle panel costs nothing.
    quint64 renderCount() const;

private:
    std::shared_ptr<QOpenGLContext> m_context;
    std::shared_ptr<QQuickWindow> m_qmlWindow;
    QTimer *m_updateTimer = nullptr;
    QOffscreenSurface *m_offscreenSurface = nullptr;
    QOpenGLFramebufferObject *m_framebuffer = nullptr;
    QQuickRenderControl *m_renderControl = nullptr;
    QQuickWindow *m_offscreenWindow = nullptr;
    uint32_t m_texture = 0;
    int m_lastMouseX = 0;
    int m_lastMouseY = 0;
    Qt::MouseButtons m_mouseButtons;
    quint64 m_renderCount = 0;
};
