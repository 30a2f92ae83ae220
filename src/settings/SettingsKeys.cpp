#include "settings/SettingsKeys.h"

namespace SettingsKeys {

const char *const keys[count] = {
    dashboardBackgroundColor,
    dashboardForegroundColor,
    dashboardTextColor,
    dashboardLogoPath,
    dashboardIcon,
    dashboardTitle,
    warningThreshold,
    warningThresholdDefault,
    criticalThreshold,
    criticalThresholdDefault,
    thresholdSlidersMin,
    thresholdSlidersMax,
    thresholdSlidersStep,
    enableHUD,
    duration,
    fadeOutDuration,
    iconColor,
    iconPath,
    maxAlpha,
    interpolationSpeed,
    positionX,
    positionY,
    distance,
    scale,
};

const char *const defaults[count] = {
    "#051927",
    "#012036",
    "white",
    "Resources\\tarvix.jpg",
    "Resources\\LightningBolt.png",
    "Battery",
    "40",
    "40",
    "20",
    "20",
    "10",
    "60",
    "5",
    "true",
    "5",
    "1",
    "null",
    "null",
    "1.0",
    "128",
    "0.85",
    "0.25",
    "0.3",
    "0.05",
};

} // namespace SettingsKeys
