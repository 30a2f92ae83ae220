#include "GlTexture.h"

#define GL_GLEXT_PROTOTYPES
#include <GL/gl.h>
#include <GL/glext.h>

namespace vrsim {

namespace {

// Binds the texture for the lifetime of the scope and then restores the caller's binding.
class TextureBinding
{
public:
    explicit TextureBinding(GLuint name)
    {
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &m_previous);
        glBindTexture(GL_TEXTURE_2D, name);
    }
    ~TextureBinding() { glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(m_previous)); }
    TextureBinding(const TextureBinding &) = delete;
    TextureBinding &operator=(const TextureBinding &) = delete;

private:
    GLint m_previous = 0;
};

// The caller may have left row lengths, skips or a pixel-pack buffer set for its own reads.
class PackState
{
public:
    PackState()
    {
        for (int i = 0; i < kCount; ++i) {
            glGetIntegerv(kParameters[i], &m_saved[i]);
            glPixelStorei(kParameters[i], kDefaults[i]);
        }
        glGetIntegerv(GL_PIXEL_PACK_BUFFER_BINDING, &m_packBuffer);
        if (m_packBuffer != 0)
            glBindBuffer(GL_PIXEL_PACK_BUFFER, 0);
    }
    ~PackState()
    {
        for (int i = 0; i < kCount; ++i)
            glPixelStorei(kParameters[i], m_saved[i]);
        if (m_packBuffer != 0)
            glBindBuffer(GL_PIXEL_PACK_BUFFER, static_cast<GLuint>(m_packBuffer));
    }
    PackState(const PackState &) = delete;
    PackState &operator=(const PackState &) = delete;

private:
    static constexpr int kCount = 5;
    static constexpr GLenum kParameters[kCount]
        = {GL_PACK_ALIGNMENT, GL_PACK_ROW_LENGTH, GL_PACK_SKIP_ROWS, GL_PACK_SKIP_PIXELS, GL_PACK_SWAP_BYTES};
    static constexpr GLint kDefaults[kCount] = {1, 0, 0, 0, GL_FALSE};
    GLint m_saved[kCount] = {};
    GLint m_packBuffer = 0;
};

} // namespace

bool GlTexture::querySize(int32_t &width, int32_t &height) const
{
    if (m_name == 0 || !glIsTexture(m_name))
        return false;
    TextureBinding binding(m_name);
    GLint w = 0;
    GLint h = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &w);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &h);
    width = w;
    height = h;
    return w > 0 && h > 0;
}

bool GlTexture::read(int32_t width, int32_t height, Bytes &pixels) const
{
    if (width <= 0 || height <= 0)
        return false;
    pixels.assign(static_cast<size_t>(width) * static_cast<size_t>(height) * 4, 0);
    TextureBinding binding(m_name);
    PackState pack;
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    return true;
}

} // namespace vrsim
