#include "render/SharedOpenGLContext.h"

#include <QCoreApplication>
#include <QDebug>
#include <QOpenGLContext>

namespace {
void releaseContextWithApplication()
{
    SharedOpenGLContext::instance().releaseContext();
}
} // namespace

SharedOpenGLContext &SharedOpenGLContext::instance()
{
    static SharedOpenGLContext holder;
    return holder;
}

QSurfaceFormat SharedOpenGLContext::requestedFormat()
{
    QSurfaceFormat format;
    format.setMajorVersion(4);
    format.setMinorVersion(1);
    // 16 bits of depth are plenty for flat panels; the stencil buffer is what
    // Qt Quick needs for clipping rounded items.
    format.setDepthBufferSize(16);
    format.setStencilBufferSize(8);
    format.setRedBufferSize(8);
    format.setGreenBufferSize(8);
    format.setBlueBufferSize(8);
    // The panels are composited over the VR scene: the alpha channel is their outline.
    format.setAlphaBufferSize(8);
    format.setRenderableType(QSurfaceFormat::OpenGL);
    format.setProfile(QSurfaceFormat::CompatibilityProfile);
    return format;
}

SharedOpenGLContext::SharedOpenGLContext()
{
    qDebug() << "Creating OpenGL Context";
    m_context = std::make_shared<QOpenGLContext>();
    m_context->setFormat(requestedFormat());
    // A context that could not be created shows up at its first use: the
    // texture view cannot make it current and ends the process there.
    m_context->create();
    qDebug() << "OpenGL Context Created";

    // The platform side of a context cannot outlive the application object
    // (its display connection goes with it), but this holder lives until the
    // process exits: it lets go of the context when the application goes.
    qAddPostRoutine(releaseContextWithApplication);
}

void SharedOpenGLContext::releaseContext()
{
    m_context.reset();
}

std::shared_ptr<QOpenGLContext> SharedOpenGLContext::context() const
{
    return m_context;
}
