#pragma once

#include "render/ITextureView.h"

#include <QList>

// A texture view that hands out a fixed texture name, counts the frames the
// test says it rendered, and keeps the events it gets.
class FakeTextureView : public ITextureView
{
public:
    uint32_t textureId() override { return texture; }
    void injectMouseEvent(const OverlayMouseEvent &event) override { injected << event; }
    uint64_t framesRendered() const override { return frames; }

    uint32_t texture = 7;
    uint64_t frames = 1;
    QList<OverlayMouseEvent> injected;
};
