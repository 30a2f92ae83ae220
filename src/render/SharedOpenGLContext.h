#pragma once

#include <QSurfaceFormat>

#include <memory>

class QOpenGLContext;

// The one OpenGL context of the process. Both panels render on it, so their
// textures live in one share group and the VR side can use either.
class SharedOpenGLContext
{
public:
    static SharedOpenGLContext &instance();

    // The format asked of the context; the driver may hand back more.
    static QSurfaceFormat requestedFormat();

    std::shared_ptr<QOpenGLContext> context() const;

    // Drops the holder's own reference; the context goes with the last user's.
    void releaseContext();

    SharedOpenGLContext(const SharedOpenGLContext &) = delete;
    SharedOpenGLContext &operator=(const SharedOpenGLContext &) = delete;

private:
    SharedOpenGLContext();

    std::shared_ptr<QOpenGLContext> m_context;
};
