#include "qml/QmlBatteryDashboard.h"

#include "app/TimerPhase.h"
#include "battery/IBatteryModel.h"
#include "qml/FileVersion.h"
#include "settings/Settings.h"
#include "settings/SettingsChangeWatch.h"
#include "settings/SettingsKeys.h"

#include <QTimer>

namespace {
constexpr int pollIntervalMs = 20;
} // namespace

QmlBatteryDashboard::QmlBatteryDashboard(std::shared_ptr<IQTWindowModel> model, std::shared_ptr<IBatteryModel> battery)
    : QmlWindow(std::move(model))
    , m_battery(std::move(battery))
    , m_settings(openSettings())
{
    m_pollTimer = std::make_unique<QTimer>();
    m_pollTimer->setInterval(pollIntervalMs);
    m_pollTimer->setSingleShot(false);
    connect(m_pollTimer.get(), &QTimer::timeout, this, &QmlBatteryDashboard::pollBattery);
    TimerPhase::start(m_pollTimer.get());
}

QmlBatteryDashboard::~QmlBatteryDashboard()
{
    m_settings.reset();
    m_pollTimer.reset();
    m_battery.reset();
}

void QmlBatteryDashboard::load()
{
    QmlWindow::load();
    // A new document knows no levels yet. It gets them now rather than on the
    // next tick: its first picture is rendered before then, and the runtime
    // may show that one.
    m_sentLevels.reset();
    pollBattery();
}

void QmlBatteryDashboard::pollBattery()
{
    const BatteryLevels levels = m_battery->currentLevels();
    // Sending unchanged levels would cost the document a binding pass on
    // every tick for nothing; the first poll after a load always sends.
    if (m_sentLevels && m_sentLevels->left == levels.left && m_sentLevels->center == levels.center
        && m_sentLevels->right == levels.right && m_sentLevels->remainingTimeSeconds == levels.remainingTimeSeconds)
        return;
    m_sentLevels = levels;
    emit newBatteryLevels(levels.left, levels.center, levels.right, levels.remainingTimeSeconds);
}

void QmlBatteryDashboard::resetButtonPressed()
{
    Settings::write(m_settings, SettingsKeys::enableHUD, QVariant(true));
    const double critical = Settings::read(m_settings, SettingsKeys::criticalThresholdDefault).toDouble();
    const double warning = Settings::read(m_settings, SettingsKeys::warningThresholdDefault).toDouble();
    Settings::write(m_settings, SettingsKeys::warningThreshold, QVariant(warning));
    Settings::write(m_settings, SettingsKeys::criticalThreshold, QVariant(critical));
    SettingsChangeWatch::noteWrite();
    // The document moves its sliders and switch from this before it reports them back.
    emit updateSettings(warning, critical, true);
}

void QmlBatteryDashboard::enableHUDPressed(bool value)
{
    Settings::write(m_settings, SettingsKeys::enableHUD, QVariant(value));
    // The alert keeps what it read: this tells it to read again on its next tick.
    SettingsChangeWatch::noteWrite();
}

// The document keeps the warning threshold at or above the critical one and
// on the slider grid; the values are stored exactly as they come.
void QmlBatteryDashboard::warningSliderMoved(double value)
{
    Settings::write(m_settings, SettingsKeys::warningThreshold, QVariant(value));
    SettingsChangeWatch::noteWrite();
}

void QmlBatteryDashboard::criticalSliderMoved(double value)
{
    Settings::write(m_settings, SettingsKeys::criticalThreshold, QVariant(value));
    SettingsChangeWatch::noteWrite();
}

float QmlBatteryDashboard::currentWarningThreshold()
{
    return Settings::read(m_settings, SettingsKeys::warningThreshold).toFloat();
}

float QmlBatteryDashboard::currentCriticalThreshold()
{
    return Settings::read(m_settings, SettingsKeys::criticalThreshold).toFloat();
}

bool QmlBatteryDashboard::currentEnableHUD()
{
    return Settings::read(m_settings, SettingsKeys::enableHUD).toBool();
}

int QmlBatteryDashboard::currentSlidersMin()
{
    return Settings::read(m_settings, SettingsKeys::thresholdSlidersMin).toInt();
}

int QmlBatteryDashboard::currentSlidersMax()
{
    return Settings::read(m_settings, SettingsKeys::thresholdSlidersMax).toInt();
}

int QmlBatteryDashboard::currentSlidersStep()
{
    return Settings::read(m_settings, SettingsKeys::thresholdSlidersStep).toInt();
}

QString QmlBatteryDashboard::currentVersion()
{
    return QString::fromLatin1(fileVersionString().c_str());
}
