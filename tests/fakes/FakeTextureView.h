#pragma once

#include "render/ITextureView.h"

#include <QList>

// A texture view that hands out a fixed texture name and keeps the events it gets.
class FakeTextureView : public ITextureView
{
public:
    uint32_t textureId() override { return texture; }
    void injectMouseEvent(const OverlayMouseEvent &event) override { injected << event; }

    uint32_t texture = 7;
    QList<OverlayMouseEvent> injected;
};
