#pragma once

#include "qml/QmlWindow.h"

#include <memory>
#include <optional>

class IBatteryModel;
class QTimer;

// Hosts the alert document and keeps its one number, the lowest battery level, current.
class QmlBatteryAlert : public QmlWindow
{
    Q_OBJECT

public:
    QmlBatteryAlert(std::shared_ptr<IQTWindowModel> model, std::shared_ptr<IBatteryModel> battery);
    ~QmlBatteryAlert() override;

    void load() override;

signals:
    void newBatteryLevel(int lowestLevel);

private:
    void pollBattery();

    std::shared_ptr<IBatteryModel> m_battery;
    std::unique_ptr<QTimer> m_pollTimer;
    std::optional<int> m_sentLevel;
};
