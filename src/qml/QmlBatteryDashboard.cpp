#include "qml/QmlBatteryDashboard.h"

#include "battery/IBatteryModel.h"
#include "qml/FileVersion.h"
#include "settings/Settings.h"
#include "settings/SettingsChangeWatch.h"
#include "settings/SettingsKeys.h"

#include <QTimer>

namespace {
constexpr int pollIntervalMs = 20;

QString key(const char *name)
{
    return QString::fromLatin1(name);
}
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
    m_pollTimer->start();
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
    // A new document knows no levels yet.
    m_sentLevels.reset();
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
    m_settings->setValue(key(SettingsKeys::enableHUD), QVariant(true));
    const double critical = m_settings->value(key(SettingsKeys::criticalThresholdDefault), QVariant()).toDouble();
    const double warning = m_settings->value(key(SettingsKeys::warningThresholdDefault), QVariant()).toDouble();
    m_settings->setValue(key(SettingsKeys::warningThreshold), QVariant(warning));
    m_settings->setValue(key(SettingsKeys::criticalThreshold), QVariant(critical));
    SettingsChangeWatch::noteWrite();
    // The document moves its sliders and switch from this before it reports them back.
    emit updateSettings(warning, critical, true);
}

void QmlBatteryDashboard::enableHUDPressed(bool value)
{
    m_settings->setValue(key(SettingsKeys::enableHUD), QVariant(value));
    // The alert keeps what it read: this tells it to read again on its next tick.
    SettingsChangeWatch::noteWrite();
}

// The document keeps the warning threshold at or above the critical one and
// on the slider grid; the values are stored exactly as they come.
void QmlBatteryDashboard::warningSliderMoved(double value)
{
    m_settings->setValue(key(SettingsKeys::warningThreshold), QVariant(value));
    SettingsChangeWatch::noteWrite();
}

void QmlBatteryDashboard::criticalSliderMoved(double value)
{
    m_settings->setValue(key(SettingsKeys::criticalThreshold), QVariant(value));
    SettingsChangeWatch::noteWrite();
}

float QmlBatteryDashboard::currentWarningThreshold()
{
    return m_settings->value(key(SettingsKeys::warningThreshold), QVariant()).toFloat();
}

float QmlBatteryDashboard::currentCriticalThreshold()
{
    return m_settings->value(key(SettingsKeys::criticalThreshold), QVariant()).toFloat();
}

bool QmlBatteryDashboard::currentEnableHUD()
{
    return m_settings->value(key(SettingsKeys::enableHUD), QVariant()).toBool();
}

int QmlBatteryDashboard::currentSlidersMin()
{
    return m_settings->value(key(SettingsKeys::thresholdSlidersMin), QVariant()).toInt();
}

int QmlBatteryDashboard::currentSlidersMax()
{
    return m_settings->value(key(SettingsKeys::thresholdSlidersMax), QVariant()).toInt();
}

int QmlBatteryDashboard::currentSlidersStep()
{
    return m_settings->value(key(SettingsKeys::thresholdSlidersStep), QVariant()).toInt();
}

QString QmlBatteryDashboard::currentVersion()
{
    return QString::fromLatin1(fileVersionString().c_str());
}
