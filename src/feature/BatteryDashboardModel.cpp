#include "feature/BatteryDashboardModel.h"

BatteryDashboardModel::BatteryDashboardModel()
{
    m_settings.isVisible = true;
    m_settings.isPermanent = true;
    m_settings.duration = 0.0f;
    m_settings.fadeOutDuration = 0.0f;
    m_settings.maxAlpha = 1.0f;
    m_settings.interpolationSpeed = 0.0f;
    m_settings.xPos = 0.0f;
    m_settings.yPos = 0.0f;
    m_settings.distance = 0.0f;
    m_settings.pixelWidth = 1920;
    m_settings.pixelHeight = 945;
    m_settings.scale = 3.0f;
    m_settings.updateIntervalMs = 20.0f;
}

OverlaySettings BatteryDashboardModel::getSettings()
{
    return m_settings;
}
