#pragma once

#include <cstdint>

// What an overlay model says its panel should look like right now.
struct OverlaySettings
{
    bool isVisible = false;
    bool isPermanent = false;
    float duration = 0.0f;
    float fadeOutDuration = 0.0f;
    float maxAlpha = 0.0f;
    float interpolationSpeed = 0.0f;
    float xPos = 0.0f;
    float yPos = 0.0f;
    float distance = 0.0f;
    int32_t pixelWidth = 0;
    int32_t pixelHeight = 0;
    float scale = 0.0f;
    float updateIntervalMs = 0.0f;

    // Field by field; floats compare by value, so a NaN never equals anything.
    // The overlay controller's change test has its own comparison, in which a
    // NaN equals a NaN, so that such a record is applied once.
    friend bool operator==(const OverlaySettings &a, const OverlaySettings &b)
    {
        return a.isVisible == b.isVisible && a.isPermanent == b.isPermanent && a.duration == b.duration
            && a.fadeOutDuration == b.fadeOutDuration && a.maxAlpha == b.maxAlpha
            && a.interpolationSpeed == b.interpolationSpeed && a.xPos == b.xPos && a.yPos == b.yPos
            && a.distance == b.distance && a.pixelWidth == b.pixelWidth && a.pixelHeight == b.pixelHeight
            && a.scale == b.scale && a.updateIntervalMs == b.updateIntervalMs;
    }
    friend bool operator!=(const OverlaySettings &a, const OverlaySettings &b) { return !(a == b); }
};
