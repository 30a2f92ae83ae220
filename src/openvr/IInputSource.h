#pragma once

#include "render/ITextureView.h"

// Where an overlay controller takes the mouse events the runtime reports on its overlay.
class IInputSource
{
public:
    virtual ~IInputSource() = default;
    // Fills `event` with the next mouse event; false when there is none.
    virtual bool pollEvent(OverlayMouseEvent &event) = 0;
    virtual void discardEvents() = 0;
};
