#include "render/QTTextureView.h"

#include "render/PanelPixel.h"

#include <QCoreApplication>
#include <QDebug>
#include <QMouseEvent>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFramebufferObject>
#include <QOpenGLFunctions>
#include <QQuickItem>
#include <QQuickRenderControl>
#include <QQuickWindow>
#include <QTimer>

#include <cstdlib>

namespace {
// Long enough to merge the burst of changes one battery poll causes, short
// enough that the panel still follows the VR compositor's frame rate.
constexpr int renderDelayMs = 11;

Qt::MouseButton buttonFromCode(uint32_t code)
{
    // The panels only tell a context click from a plain one: every button
    // but the right one acts as the left.
    return code == 1 ? Qt::RightButton : Qt::LeftButton;
}
} // namespace

QTTextureView::QTTextureView(std::shared_ptr<QOpenGLContext> context)
    : QObject(nullptr)
    , m_context(context)
{
    m_updateTimer = new QTimer(this);
    m_updateTimer->setSingleShot(true);
    m_updateTimer->setInterval(renderDelayMs);

    m_offscreenSurface = new QOffscreenSurface();
    m_offscreenSurface->setFormat(m_context->format());
    m_offscreenSurface->create();

    if (!m_context->makeCurrent(m_offscreenSurface)) {
        qDebug() << "Failed to set the current context";
        std::exit(-1);
    }

    // Both views share one context, and the scene graph marks a context as
    // taken by its render context; each view clears the mark for its own.
    m_context->setProperty("_q_sgrendercontext", QVariant());

    m_renderControl = new QQuickRenderControl();
    m_offscreenWindow = new QQuickWindow(m_renderControl);
    QQuickWindow::setDefaultAlphaBuffer(true);

    // Whatever the scene leaves uncovered must stay see-through in VR.
    QColor transparent;
    transparent.setRgb(0, 0, 0, 0);
    m_offscreenWindow->setColor(transparent);

    connect(m_updateTimer, &QTimer::timeout, this, &QTTextureView::renderFrame);
    connect(m_renderControl, &QQuickRenderControl::renderRequested, this, &QTTextureView::requestUpdate,
        Qt::DirectConnection);
    connect(
        m_renderControl, &QQuickRenderControl::sceneChanged, this, &QTTextureView::requestUpdate, Qt::DirectConnection);

    context.reset();
}

QTTextureView::~QTTextureView()
{
    // Tearing the scene down reports changes of its own; a view on its way
    // out must not answer them with a frame.
    disconnect(m_renderControl, nullptr, this, nullptr);

    delete m_updateTimer;
    m_updateTimer = nullptr;

    // The render control hands its scene graph's GL resources back when it
    // goes, which needs the context current; the surface has to outlive it
    // for that, so it is the last of the GL objects to go.
    m_context->makeCurrent(m_offscreenSurface);
    delete m_framebuffer;
    m_framebuffer = nullptr;
    delete m_renderControl;
    m_renderControl = nullptr;
    delete m_offscreenWindow;
    m_offscreenWindow = nullptr;
    m_context->doneCurrent();
    delete m_offscreenSurface;
    m_offscreenSurface = nullptr;

    m_qmlWindow.reset();
    m_context.reset();
}

void QTTextureView::attachWindow(std::shared_ptr<QQuickWindow> window)
{
    if (!m_context->makeCurrent(m_offscreenSurface)) {
        qDebug() << "Failed to set Open GL context";
        std::exit(-1);
    }

    m_qmlWindow = std::move(window);

    // The size is taken once: the panels never change size while they run.
    const int width = m_qmlWindow->width();
    const int height = m_qmlWindow->height();
    m_offscreenWindow->setWidth(width);
    m_offscreenWindow->setHeight(height);
    m_offscreenWindow->setGeometry(0, 0, width, height);

    m_qmlWindow->contentItem()->setParentItem(m_offscreenWindow->contentItem());

    auto *framebuffer
        = new QOpenGLFramebufferObject(width, height, QOpenGLFramebufferObject::CombinedDepthStencil, GL_TEXTURE_2D, 0);
    m_offscreenWindow->setRenderTarget(framebuffer);
    delete m_framebuffer;
    m_framebuffer = framebuffer;

    m_renderControl->initialize(m_context.get());
}

uint32_t QTTextureView::textureId()
{
    return m_texture;
}

void QTTextureView::injectMouseEvent(const OverlayMouseEvent &event)
{
    if (!m_qmlWindow)
        return;

    const std::optional<int> x = panelPixel(event.x);
    const std::optional<int> y = panelPixel(event.y);
    // A move without a place is no move. A button without one still counts
    // (a lost release would leave the button held in the scene), so it
    // happens where the pointer last was.
    const bool placed = x && y;
    if (!placed && event.kind == 0)
        return;
    const int px = placed ? *x : m_lastMouseX;
    const int py = placed ? *y : m_lastMouseY;

    QEvent::Type type = QEvent::None;
    Qt::MouseButton button = Qt::NoButton;
    switch (event.kind) {
    case 0:
        // The VR side reports the pointer on every frame; only real moves
        // are worth waking the scene for.
        if (px == m_lastMouseX && py == m_lastMouseY)
            return;
        m_lastMouseX = px;
        m_lastMouseY = py;
        type = QEvent::MouseMove;
        break;
    case 1:
        type = QEvent::MouseButtonRelease;
        button = buttonFromCode(event.button);
        m_mouseButtons &= ~button;
        break;
    case 2:
        type = QEvent::MouseButtonPress;
        button = buttonFromCode(event.button);
        m_mouseButtons |= button;
        break;
    default:
        return;
    }

    const QPoint position(px, py);
    QMouseEvent mouseEvent(
        type, position, m_offscreenWindow->mapToGlobal(position), button, m_mouseButtons, Qt::NoModifier);
    QCoreApplication::sendEvent(m_offscreenWindow, &mouseEvent);
}

void QTTextureView::renderFrame()
{
    // Nothing to render into before a window is attached.
    if (!m_framebuffer)
        return;

    // The other view may have used the context on its own surface since.
    if (!m_context->makeCurrent(m_offscreenSurface))
        qDebug() << "Failed to set the current context";

    m_renderControl->polishItems();
    m_renderControl->sync();
    m_renderControl->render();

    m_texture = m_offscreenWindow->renderTarget()->texture();

    // A flush hands the frame to the driver without stalling the GUI thread
    // until it is drawn.
    m_context->functions()->glFlush();
    ++m_renderCount;
}

void QTTextureView::requestUpdate()
{
    if (!m_updateTimer->isActive())
        m_updateTimer->start();
}

quint64 QTTextureView::renderCount() const
{
    return m_renderCount;
}
