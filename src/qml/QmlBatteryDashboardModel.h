#pragma once

#include "qml/IQTWindowModel.h"

// The dashboard panel: DashboardOverlay.qml at 1920 x 945.
class QmlBatteryDashboardModel : public IQTWindowModel
{
public:
    QmlWindowSettings windowSettings() override;
};
