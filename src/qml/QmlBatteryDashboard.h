#pragma once

#include "battery/BatteryLevels.h"
#include "qml/QmlWindow.h"

#include <QString>

#include <memory>
#include <optional>

class IBatteryModel;
class IOxaSettings;
class QTimer;

// Hosts the dashboard document: feeds it the battery levels and carries its
// controls into the settings file, where the alert side picks them up.
class QmlBatteryDashboard : public QmlWindow
{
    Q_OBJECT

public:
    QmlBatteryDashboard(std::shared_ptr<IQTWindowModel> model, std::shared_ptr<IBatteryModel> battery);
    ~QmlBatteryDashboard() override;

    void load() override;

    // Keep the declaration order: the meta-object's method indices follow it.
signals:
    void newBatteryLevels(int left, int center, int right, int remainingTimeSeconds);
    void updateSettings(double warning, double critical, bool hud);

public slots:
    void resetButtonPressed();
    void enableHUDPressed(bool value);
    void warningSliderMoved(double value);
    void criticalSliderMoved(double value);
    float currentWarningThreshold();
    float currentCriticalThreshold();
    bool currentEnableHUD();
    int currentSlidersMin();
    int currentSlidersMax();
    int currentSlidersStep();
    QString currentVersion();

private:
    void pollBattery();

    std::shared_ptr<IBatteryModel> m_battery;
    std::unique_ptr<QTimer> m_pollTimer;
    std::shared_ptr<IOxaSettings> m_settings;
    std::optional<BatteryLevels> m_sentLevels;
};
