#include "feature/BatteryOverlayModel.h"

#include "settings/Settings.h"
#include "settings/SettingsKeys.h"

namespace {

QVariant read(const std::shared_ptr<IOxaSettings> &settings, const char *key)
{
    // No store (no factory) reads like a store without the key.
    return settings ? settings->value(QLatin1String(key), QVariant()) : QVariant();
}

} // namespace

BatteryOverlayModel::BatteryOverlayModel(std::shared_ptr<IBatteryModel> batteryModel)
    : m_batteryModel(std::move(batteryModel))
{ }

bool BatteryOverlayModel::anyLevelAtOrBelow(int32_t threshold)
{
    const BatteryLevels levels = m_batteryModel->currentLevels();
    return levels.left <= threshold || levels.right <= threshold || levels.center <= threshold
        || levels.aggregate <= threshold;
}

OverlaySettings BatteryOverlayModel::getSettings()
{
    const std::shared_ptr<IOxaSettings> settings = openSettings();

    const bool enable = read(settings, SettingsKeys::enableHUD).toBool();
    const int32_t critical = read(settings, SettingsKeys::criticalThreshold).toInt();
    const int32_t warning = read(settings, SettingsKeys::warningThreshold).toInt();

    OverlaySettings result;
    result.isVisible = enable && anyLevelAtOrBelow(warning);
    result.isPermanent = enable && anyLevelAtOrBelow(critical);
    result.duration = read(settings, SettingsKeys::duration).toFloat();
    result.fadeOutDuration = read(settings, SettingsKeys::fadeOutDuration).toFloat();
    result.maxAlpha = read(settings, SettingsKeys::maxAlpha).toFloat();
    result.xPos = read(settings, SettingsKeys::positionX).toFloat();
    result.yPos = read(settings, SettingsKeys::positionY).toFloat();
    result.distance = read(settings, SettingsKeys::distance).toFloat();
    result.interpolationSpeed = read(settings, SettingsKeys::interpolationSpeed).toFloat();
    result.pixelWidth = 1043;
    result.pixelHeight = 537;
    result.updateIntervalMs = 20.0f;
    result.scale = read(settings, SettingsKeys::scale).toFloat();
    return result;
}
