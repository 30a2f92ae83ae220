#include "qml/QmlBatteryAlertModel.h"

QmlWindowSettings QmlBatteryAlertModel::windowSettings()
{
    QmlWindowSettings settings;
    settings.width = 1043;
    settings.height = 537;
    settings.url = "qrc:///oxa/Resources/main/AlertOverlay.qml";
    settings.contextName = "batteryAlertWindow";
    return settings;
}
