#pragma once

#include "qml/QmlBatteryDashboard.h"

#include <QStringList>

// The dashboard window, with a log of what the document calls on it, in order.
// The slots shadow the window's own for the document (QML resolves a name to
// the most derived method) and pass every call on, so the settings still change.
class RecordingDashboard : public QmlBatteryDashboard
{
    Q_OBJECT

public:
    using QmlBatteryDashboard::QmlBatteryDashboard;

    QStringList calls;

public slots:
    void resetButtonPressed()
    {
        calls << QStringLiteral("resetButtonPressed");
        QmlBatteryDashboard::resetButtonPressed();
    }
    void enableHUDPressed(bool value)
    {
        calls << QStringLiteral("enableHUDPressed(%1)").arg(value ? "true" : "false");
        QmlBatteryDashboard::enableHUDPressed(value);
    }
    void warningSliderMoved(double value)
    {
        calls << QStringLiteral("warningSliderMoved(%1)").arg(value);
        QmlBatteryDashboard::warningSliderMoved(value);
    }
    void criticalSliderMoved(double value)
    {
        calls << QStringLiteral("criticalSliderMoved(%1)").arg(value);
        QmlBatteryDashboard::criticalSliderMoved(value);
    }
};
