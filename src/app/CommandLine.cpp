#include "app/CommandLine.h"

#include "battery/WinRTBatteryModel.h"
#include "settings/Settings.h"

#include <QDebug>

#include <cstdlib>

std::shared_ptr<IBatteryModel> createBatterySource(std::shared_ptr<IBatteryPlatform> platform)
{
    try {
        return std::make_shared<WinRTBatteryModel>(std::move(platform));
    } catch (const BatteryPlatformError &error) {
        qCritical().nospace() << "Failed to read the batteries: " << error.what() << " (code " << error.code() << ")";
    } catch (const std::exception &error) {
        qCritical().nospace() << "Failed to read the batteries: " << error.what();
    }
    return {};
}

std::shared_ptr<IOverlayFeature> createFeatureFromCommandLine()
{
    // Opening a store creates the settings file with its defaults, whichever
    // way this step ends.
    const std::shared_ptr<IOxaSettings> settings = openSettings();

    std::shared_ptr<IBatteryModel> batteryModel = createBatterySource(createDefaultBatteryPlatform());
    if (!batteryModel)
        std::exit(-1);

    return {};
}
