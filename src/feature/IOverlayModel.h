#pragma once

#include "feature/OverlaySettings.h"

class IOverlayModel
{
public:
    virtual ~IOverlayModel() = default;
    virtual OverlaySettings getSettings() = 0;
};
