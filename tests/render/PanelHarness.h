#pragma once

#include "fakes/FakeBatteryModel.h"
#include "fakes/ItemTree.h"
#include "fakes/RecordingDashboard.h"
#include "qml/QmlBatteryAlert.h"
#include "qml/QmlBatteryAlertModel.h"
#include "qml/QmlBatteryDashboardModel.h"
#include "render/QTTextureView.h"
#include "render/SharedOpenGLContext.h"

#include <QImage>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <QQuickItem>
#include <QTimer>

#include <memory>

// Reads a texture back through the shared context, the way the VR side gets
// at a panel: by its texture name alone.
class TextureReader
{
public:
    TextureReader()
        : m_context(SharedOpenGLContext::instance().context())
    {
        m_surface.setFormat(m_context->format());
        m_surface.create();
    }

    QImage read(uint32_t texture, const QSize &size)
    {
        if (!m_context->makeCurrent(&m_surface))
            return {};
        QOpenGLFunctions *gl = m_context->functions();
        GLuint framebuffer = 0;
        gl->glGenFramebuffers(1, &framebuffer);
        gl->glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
        gl->glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, texture, 0);
        QImage image(size, QImage::Format_RGBA8888_Premultiplied);
        gl->glPixelStorei(GL_PACK_ALIGNMENT, 4);
        gl->glReadPixels(0, 0, size.width(), size.height(), GL_RGBA, GL_UNSIGNED_BYTE, image.bits());
        gl->glBindFramebuffer(GL_FRAMEBUFFER, 0);
        gl->glDeleteFramebuffers(1, &framebuffer);
        // OpenGL counts rows from the bottom.
        return image.mirrored().convertToFormat(QImage::Format_ARGB32);
    }

private:
    std::shared_ptr<QOpenGLContext> m_context;
    QOffscreenSurface m_surface;
};

// A panel put together the way the program's pipelines do it: battery source,
// window, load, texture view on the shared context.
template<typename Window>
struct Panel
{
    std::shared_ptr<FakeBatteryModel> battery = std::make_shared<FakeBatteryModel>();
    std::shared_ptr<Window> window;
    std::unique_ptr<QTTextureView> view;

    QQuickItem *root() const { return window->rootItem(); }
    QSize size() const { return window->size(); }

    // The update timer is the view's one child timer.
    bool renderPending() const { return view->findChild<QTimer *>()->isActive(); }

    // Renders the scene as it stands and reads the texture back.
    QImage frame(TextureReader &reader)
    {
        view->renderFrame();
        return reader.read(view->textureId(), size());
    }
};

using DashboardPanel = Panel<RecordingDashboard>;
using AlertPanel = Panel<QmlBatteryAlert>;

inline std::unique_ptr<DashboardPanel> makeDashboardPanel(int left = 3, int center = 74, int right = 6)
{
    auto panel = std::make_unique<DashboardPanel>();
    panel->battery->setLevels(left, center, right);
    panel->window = std::make_shared<RecordingDashboard>(std::make_shared<QmlBatteryDashboardModel>(), panel->battery);
    panel->window->load();
    panel->view = std::make_unique<QTTextureView>(SharedOpenGLContext::instance().context());
    panel->view->attachWindow(panel->window);
    return panel;
}

inline std::unique_ptr<AlertPanel> makeAlertPanel(int lowest = 30)
{
    auto panel = std::make_unique<AlertPanel>();
    panel->battery->setLevels(lowest, lowest, lowest);
    panel->window = std::make_shared<QmlBatteryAlert>(std::make_shared<QmlBatteryAlertModel>(), panel->battery);
    panel->window->load();
    panel->view = std::make_unique<QTTextureView>(SharedOpenGLContext::instance().context());
    panel->view->attachWindow(panel->window);
    return panel;
}

inline int colourDistance(QRgb a, QRgb b)
{
    return qAbs(qRed(a) - qRed(b)) + qAbs(qGreen(a) - qGreen(b)) + qAbs(qBlue(a) - qBlue(b));
}

// The colours percentToColor names, as QML resolves them.
inline QRgb levelColour(int percent)
{
    if (percent < 40)
        return qRgb(255, 0, 0);
    if (percent < 60)
        return qRgb(255, 165, 0);
    if (percent < 80)
        return qRgb(255, 255, 0);
    return qRgb(0, 128, 0);
}
