#include "qml/QmlBatteryDashboardModel.h"

QmlWindowSettings QmlBatteryDashboardModel::windowSettings()
{
    QmlWindowSettings settings;
    settings.width = 1920;
    settings.height = 945;
    settings.url = "qrc:///oxa/Resources/main/DashboardOverlay.qml";
    settings.contextName = "batteryDashboardWindow";
    return settings;
}
