#include "app/Application.h"

#include "app/CommandLine.h"
#include "app/IOverlayFeature.h"
#include "app/PlatformRuntime.h"
#include "app/TerminationSignals.h"
#include "battery/IBatteryPlatform.h"
#include "settings/Settings.h"

#include <QDebug>
#include <QGuiApplication>
#include <QQuickStyle>

#include <memory>
#include <vector>

int runApplication(int argc, char *argv[])
{
    try {
        initializePlatformRuntime();
    } catch (const BatteryPlatformError &error) {
        // Nothing exists yet that would need tearing down: say why and leave.
        qCritical().nospace() << "Failed to initialize the platform runtime: " << error.what() << " (0x" << Qt::hex
                              << static_cast<uint32_t>(error.code()) << ")";
        return -1;
    }

    std::vector<std::shared_ptr<IOverlayFeature>> features;
    {
        QGuiApplication app(argc, argv);
        // The identity places the settings file, so it comes before the factory.
        QCoreApplication::setOrganizationName(QStringLiteral("Tarvix"));
        QCoreApplication::setOrganizationDomain(QStringLiteral("tarvix.com"));
        QCoreApplication::setApplicationName(QStringLiteral("Voltaro"));
        QQuickStyle::setStyle(QStringLiteral("Material"));

        createSettingsFactory();
        const TerminationSignals terminationSignals;

        std::shared_ptr<IOverlayFeature> feature = createFeatureFromCommandLine();
        if (feature)
            features.push_back(feature);

        for (const std::shared_ptr<IOverlayFeature> &entry : features) {
            std::shared_ptr<IOverlayFeature> started = entry;
            started->start();
        }

        QGuiApplication::exec();

        // Features go before the application object: their windows and GL
        // resources need it alive while they are destroyed.
        feature.reset();
        features.clear();
    }
    return 0;
}
