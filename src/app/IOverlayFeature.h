#pragma once

// A unit that start-up creates, starts and finally destroys.
class IOverlayFeature
{
public:
    virtual ~IOverlayFeature() = default;
    virtual void start() = 0;
    virtual void stop() = 0;
};
