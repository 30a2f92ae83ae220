#pragma once

#include <cstdint>

// A mouse event as the VR side reports it on a panel, in the panel's pixels.
struct OverlayMouseEvent
{
    // 0 move, 1 button released, 2 button pressed; anything else is ignored.
    uint32_t kind = 0;
    float x = 0.0f;
    float y = 0.0f;
    // 0 left, 1 right, 3 middle.
    uint32_t button = 0;
};

// The texture view's face towards the VR side.
class ITextureView
{
public:
    virtual ~ITextureView() = default;
    // OpenGL name of the texture that holds the last rendered frame; 0 before the first.
    virtual uint32_t textureId() = 0;
    virtual void injectMouseEvent(const OverlayMouseEvent &event) = 0;
    // Frames rendered so far: a new count means a new picture in the texture.
    virtual uint64_t framesRendered() const = 0;
};
