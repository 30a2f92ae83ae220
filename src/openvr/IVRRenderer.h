#pragma once

#include <cstdint>

// What an overlay controller hands a VR overlay: the panel's texture and how
// the overlay is sized, shown and placed. The overlay keeps what it was last
// asked for: a call the runtime refuses is tried again from `tick` until it
// takes effect, so the controller may ask for each change once.
class IVRRenderer
{
public:
    virtual ~IVRRenderer() = default;
    virtual void setTexture(uint32_t textureId) = 0;
    virtual void setMouseScale(int32_t width, int32_t height) = 0;
    virtual void setWidthInMeters(float width) = 0;
    virtual void setAlpha(float alpha) = 0;
    virtual void setVisible(bool visible) = 0;
    virtual void setPlacement(float x, float y, float distance, float interpolationSpeed) = 0;
    // Called on every controller tick: brings the runtime's overlay to what was asked.
    virtual void tick() = 0;
};
