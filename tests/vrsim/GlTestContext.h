#pragma once

#include <QImage>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFunctions>

#include <memory>

// A current OpenGL context for tests that hand textures to the runtime, as the program's render
// thread has one when it submits.
class GlTestContext
{
public:
    bool create()
    {
        m_context = std::make_unique<QOpenGLContext>();
        if (!m_context->create())
            return false;
        m_surface = std::make_unique<QOffscreenSurface>();
        m_surface->setFormat(m_context->format());
        m_surface->create();
        return m_surface->isValid() && m_context->makeCurrent(m_surface.get())
            && !m_context->isOpenGLES(); // the runtime reads textures back with desktop GL
    }

    QOpenGLFunctions *gl() const { return m_context->functions(); }

    // An RGBA8 texture holding `image` the way OpenGL holds a rendered picture: bottom row first.
    GLuint upload(const QImage &image) const
    {
        const QImage rows = image.convertToFormat(QImage::Format_RGBA8888).mirrored(false, true);
        GLuint texture = 0;
        gl()->glGenTextures(1, &texture);
        gl()->glBindTexture(GL_TEXTURE_2D, texture);
        gl()->glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
        gl()->glTexImage2D(
            GL_TEXTURE_2D, 0, GL_RGBA, rows.width(), rows.height(), 0, GL_RGBA, GL_UNSIGNED_BYTE, rows.constBits());
        gl()->glBindTexture(GL_TEXTURE_2D, 0);
        return texture;
    }

private:
    std::unique_ptr<QOpenGLContext> m_context;
    std::unique_ptr<QOffscreenSurface> m_surface;
};

// Tests with a GL context need a display; without one they run on the offscreen platform and
// skip what needs OpenGL.
#define VRSIM_GL_TEST_MAIN(TestObject)                                                                                 \
    int main(int argc, char *argv[])                                                                                   \
    {                                                                                                                  \
        if (qEnvironmentVariableIsEmpty("DISPLAY"))                                                                    \
            qputenv("QT_QPA_PLATFORM", "offscreen");                                                                   \
        QGuiApplication app(argc, argv);                                                                               \
        TestObject test;                                                                                               \
        return QTest::qExec(&test, argc, argv);                                                                        \
    }
