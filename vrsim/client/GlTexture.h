#pragma once

#include "Message.h"

#include <cstdint>

namespace vrsim {

// Reads an application's OpenGL texture through the context current on the calling thread,
// leaving every piece of GL state it touches as it found it.
class GlTexture
{
public:
    explicit GlTexture(uint32_t name)
        : m_name(name)
    { }

    // False when the name is no texture with storage in the current context.
    bool querySize(int32_t &width, int32_t &height) const;
    // RGBA8, rows as OpenGL stores them: the bottom one first.
    bool read(int32_t width, int32_t height, Bytes &pixels) const;

    uint32_t name() const { return m_name; }

private:
    uint32_t m_name;
};

} // namespace vrsim
