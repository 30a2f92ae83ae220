#pragma once

#include <cstddef>

// The settings file's keys and the default text of each, as two parallel
// tables in the order the defaults are written.
namespace SettingsKeys {

constexpr const char *fileName = "OxaSettings.ini";

constexpr const char *dashboardBackgroundColor = "Dashboard/BackgroundColor";
constexpr const char *dashboardForegroundColor = "Dashboard/ForegroundColor";
constexpr const char *dashboardTextColor = "Dashboard/TextColor";
constexpr const char *dashboardLogoPath = "Dashboard/LogoPath";
constexpr const char *dashboardIcon = "Dashboard/Icon";
constexpr const char *dashboardTitle = "Dashboard/Title";
constexpr const char *warningThreshold = "Alerts/Battery/WarningThreshold";
constexpr const char *warningThresholdDefault = "Alerts/Battery/WarningThresholdDefault";
constexpr const char *criticalThreshold = "Alerts/Battery/CriticalThreshold";
constexpr const char *criticalThresholdDefault = "Alerts/Battery/CriticalThresholdDefault";
constexpr const char *thresholdSlidersMin = "Alerts/Battery/ThresholdSlidersMin";
constexpr const char *thresholdSlidersMax = "Alerts/Battery/ThresholdSlidersMax";
constexpr const char *thresholdSlidersStep = "Alerts/Battery/ThresholdSlidersStep";
constexpr const char *enableHUD = "Alerts/Battery/EnableHUD";
constexpr const char *duration = "Alerts/Battery/Duration";
constexpr const char *fadeOutDuration = "Alerts/Battery/FadeOutDuration";
constexpr const char *iconColor = "Alerts/Battery/IconColor";
constexpr const char *iconPath = "Alerts/Battery/IconPath";
constexpr const char *maxAlpha = "Alerts/Battery/MaxAlpha";
constexpr const char *interpolationSpeed = "Alerts/Battery/InterpolationSpeed";
constexpr const char *positionX = "Alerts/Battery/PositionX";
constexpr const char *positionY = "Alerts/Battery/PositionY";
constexpr const char *distance = "Alerts/Battery/Distance";
constexpr const char *scale = "Alerts/Battery/Scale";

constexpr std::size_t count = 24;
extern const char *const keys[count];
extern const char *const defaults[count];

} // namespace SettingsKeys
