#pragma once

#include "feature/IOverlayModel.h"

// A model whose record the test sets; counts how often it is asked.
class FakeOverlayModel : public IOverlayModel
{
public:
    OverlaySettings getSettings() override
    {
        ++requests;
        return settings;
    }

    // The alert's default record, shown or not.
    static OverlaySettings alertRecord(bool visible, bool permanent)
    {
        OverlaySettings s;
        s.isVisible = visible;
        s.isPermanent = permanent;
        s.duration = 5.0f;
        s.fadeOutDuration = 1.0f;
        s.maxAlpha = 1.0f;
        s.interpolationSpeed = 128.0f;
        s.xPos = 0.85f;
        s.yPos = 0.25f;
        s.distance = 0.3f;
        s.pixelWidth = 1043;
        s.pixelHeight = 537;
        s.scale = 0.05f;
        s.updateIntervalMs = 20.0f;
        return s;
    }

    OverlaySettings settings = alertRecord(false, false);
    int requests = 0;
};
