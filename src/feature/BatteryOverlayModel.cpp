#include "feature/BatteryOverlayModel.h"

#include "settings/Settings.h"
#include "settings/SettingsChangeWatch.h"
#include "settings/SettingsKeys.h"

BatteryOverlayModel::BatteryOverlayModel(std::shared_ptr<IBatteryModel> batteryModel)
    : m_batteryModel(std::move(batteryModel))
{ }

BatteryOverlayModel::~BatteryOverlayModel() = default;

bool BatteryOverlayModel::anyLevelAtOrBelow(int32_t threshold)
{
    const BatteryLevels levels = m_batteryModel->currentLevels();
    return levels.left <= threshold || levels.right <= threshold || levels.center <= threshold
        || levels.aggregate <= threshold;
}

const BatteryOverlayModel::AlertSettings &BatteryOverlayModel::currentSettings()
{
    if (!m_store) {
        // Without a factory there is nothing to keep; one may exist by the next call.
        m_store = openSettings();
        if (!m_store) {
            m_settings = AlertSettings();
            return m_settings;
        }
        m_watch = std::make_unique<SettingsChangeWatch>(m_store->fileName());
    }

    switch (m_watch->takeChange()) {
    case SettingsChangeWatch::Change::None:
        break;
    case SettingsChangeWatch::Change::OnDisk:
        // A store reads its file only when told to; a new one would read it now.
        m_store->sync();
        readSettings();
        break;
    case SettingsChangeWatch::Change::Written:
        // Stores over one file share its values in this process.
        readSettings();
        break;
    }
    return m_settings;
}

void BatteryOverlayModel::readSettings()
{
    ++m_reads;
    AlertSettings s;
    s.enable = Settings::read(m_store, SettingsKeys::enableHUD).toBool();
    s.critical = Settings::read(m_store, SettingsKeys::criticalThreshold).toInt();
    s.warning = Settings::read(m_store, SettingsKeys::warningThreshold).toInt();
    s.duration = Settings::read(m_store, SettingsKeys::duration).toFloat();
    s.fadeOutDuration = Settings::read(m_store, SettingsKeys::fadeOutDuration).toFloat();
    s.maxAlpha = Settings::read(m_store, SettingsKeys::maxAlpha).toFloat();
    s.xPos = Settings::read(m_store, SettingsKeys::positionX).toFloat();
    s.yPos = Settings::read(m_store, SettingsKeys::positionY).toFloat();
    s.distance = Settings::read(m_store, SettingsKeys::distance).toFloat();
    s.interpolationSpeed = Settings::read(m_store, SettingsKeys::interpolationSpeed).toFloat();
    s.scale = Settings::read(m_store, SettingsKeys::scale).toFloat();
    m_settings = s;
}

OverlaySettings BatteryOverlayModel::getSettings()
{
    const AlertSettings &settings = currentSettings();

    OverlaySettings result;
    result.isVisible = settings.enable && anyLevelAtOrBelow(settings.warning);
    result.isPermanent = settings.enable && anyLevelAtOrBelow(settings.critical);
    result.duration = settings.duration;
    result.fadeOutDuration = settings.fadeOutDuration;
    result.maxAlpha = settings.maxAlpha;
    result.xPos = settings.xPos;
    result.yPos = settings.yPos;
    result.distance = settings.distance;
    result.interpolationSpeed = settings.interpolationSpeed;
    result.pixelWidth = 1043;
    result.pixelHeight = 537;
    result.updateIntervalMs = 20.0f;
    result.scale = settings.scale;
    return result;
}
