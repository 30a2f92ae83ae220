#include "app/CommandLine.h"

#include "app/DisplayPlatform.h"
#include "app/SingleInstance.h"
#include "battery/WinRTBatteryModel.h"
#include "feature/BatteryDashboardModel.h"
#include "feature/BatteryMonitorFeature.h"
#include "feature/BatteryOverlayModel.h"
#include "openvr/ApplicationIdentity.h"
#include "openvr/OpenVR_System.h"
#include "settings/Settings.h"
#include "settings/SettingsRepair.h"

#include <QCommandLineParser>
#include <QCoreApplication>
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
    QCommandLineParser parser;
    const QCommandLineOption uninstallOption(
        QStringLiteral("uninstall"), QStringLiteral("Remove Manifest file from SteamVR"));
    const QCommandLineOption installOption(QStringLiteral("install"), QStringLiteral("Add Manifest file to SteamVR"));
    parser.addOption(uninstallOption);
    parser.addOption(installOption);

    // Opening a store creates the settings file with its defaults; a file
    // that is there but damaged or incomplete gets the keys it lacks, so the
    // alert and the dashboard work whatever state the file was left in.
    // Flush it now: the paths below end the process with exit(), which runs
    // no destructor, and the file must be there whichever way this step ends.
    const std::shared_ptr<IOxaSettings> settings = openSettings();
    if (settings) {
        fillMissingSettings(*settings);
        settings->sync();
    }

    if (!parser.parse(QCoreApplication::arguments())) {
        qCritical() << "Invalid Arguments";
        std::exit(-1);
    }

    if (parser.isSet(installOption)) {
        OpenVR_System::instance().init(vr::VRApplication_Utility, ApplicationIdentity::manifestFileName,
            ApplicationIdentity::applicationKey, false);
        std::exit(0);
    }

    if (parser.isSet(uninstallOption)) {
        OpenVR_System::instance().init(vr::VRApplication_Utility, ApplicationIdentity::manifestFileName,
            ApplicationIdentity::applicationKey, false);
        OpenVR_System::instance().uninstall();
        std::exit(0);
    }

    // Registration needs no window; the panels do.
    if (!displayAvailable()) {
        qCritical() << "Cannot open a display: the panels are drawn with OpenGL and need one";
        std::exit(-1);
    }

    if (!acquireSingleInstance()) {
        qWarning() << "Only one instance of this application is allowed at a time.";
        std::exit(-1);
    }

    std::shared_ptr<IBatteryModel> batteryModel = createBatterySource(createDefaultBatteryPlatform());
    if (!batteryModel)
        std::exit(-1);

    std::shared_ptr<IOverlayModel> alertModel = std::make_shared<BatteryOverlayModel>(batteryModel);
    std::shared_ptr<IOverlayModel> dashboardModel = std::make_shared<BatteryDashboardModel>();
    return std::make_shared<BatteryMonitorFeature>(batteryModel, alertModel, dashboardModel);
}
