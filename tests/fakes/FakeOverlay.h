#pragma once

#include "openvr/IInputSource.h"
#include "openvr/IVRRenderer.h"

#include <QList>
#include <QString>
#include <QStringList>

// A VR overlay that records what it is told, as readable call texts, and
// serves mouse events from a queue the test fills.
class FakeOverlay
    : public IInputSource
    , public IVRRenderer
{
public:
    bool pollEvent(OverlayMouseEvent &event) override
    {
        if (events.isEmpty())
            return false;
        event = events.takeFirst();
        return true;
    }
    void discardEvents() override { events.clear(); }

    void setTexture(uint32_t textureId) override
    {
        ++textureCalls;
        lastTexture = textureId;
    }
    void setMouseScale(int32_t width, int32_t height) override
    {
        calls << QStringLiteral("setMouseScale(%1,%2)").arg(width).arg(height);
    }
    void setWidthInMeters(float width) override { calls << QStringLiteral("setWidthInMeters(%1)").arg(width); }
    void setAlpha(float alpha) override { calls << QStringLiteral("setAlpha(%1)").arg(alpha); }
    void setVisible(bool visible) override
    {
        calls << QStringLiteral("setVisible(%1)").arg(visible ? QStringLiteral("true") : QStringLiteral("false"));
    }
    void setPlacement(float x, float y, float distance, float interpolationSpeed) override
    {
        calls << QStringLiteral("setPlacement(%1,%2,%3,%4)").arg(x).arg(y).arg(distance).arg(interpolationSpeed);
    }

    void tick() override { ++ticks; }

    QStringList calls;
    QList<OverlayMouseEvent> events;
    int textureCalls = 0;
    uint32_t lastTexture = 0;
    int ticks = 0;
};
