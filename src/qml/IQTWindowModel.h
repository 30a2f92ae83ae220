#pragma once

#include "qml/QmlWindowSettings.h"

// Tells a QmlWindow which document to host.
class IQTWindowModel
{
public:
    virtual ~IQTWindowModel() = default;
    virtual QmlWindowSettings windowSettings() = 0;
};
