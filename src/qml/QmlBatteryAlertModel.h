#pragma once

#include "qml/IQTWindowModel.h"

// The alert panel: AlertOverlay.qml at 1043 x 537.
class QmlBatteryAlertModel : public IQTWindowModel
{
public:
    QmlWindowSettings windowSettings() override;
};
