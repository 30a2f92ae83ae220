#pragma once

#include <cstdint>

// What an overlay controller hands a VR overlay: the panel's texture and how
// the overlay is sized, shown and placed.
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
};
