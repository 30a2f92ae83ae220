#include "feature/BatteryMonitorFeature.h"

#include "openvr/ApplicationIdentity.h"
#include "openvr/OpenVR_Dashboard.h"
#include "openvr/OpenVR_Overlay.h"
#include "openvr/OpenVR_System.h"
#include "openvr/VROverlayController.h"
#include "qml/QmlBatteryAlert.h"
#include "qml/QmlBatteryAlertModel.h"
#include "qml/QmlBatteryDashboard.h"
#include "qml/QmlBatteryDashboardModel.h"
#include "render/QTTextureView.h"
#include "render/SharedOpenGLContext.h"
#include "settings/Settings.h"
#include "settings/SettingsKeys.h"

namespace {
constexpr const char *dashboardOverlayKey = "oxaDashboard";
constexpr const char *alertOverlayKey = "oxaAlertOverlay";

// A panel's pipeline: the window renders the document into a texture view,
// the overlay shows that texture and brings the wearer's pointer back, and
// the controller drives both from the panel's model.
template<class Overlay>
VROverlayController *buildPipeline(
    std::shared_ptr<Overlay> overlay, std::shared_ptr<QmlWindow> window, std::shared_ptr<IOverlayModel> model)
{
    auto textureView = std::make_shared<QTTextureView>(SharedOpenGLContext::instance().context());
    window->load();
    textureView->attachWindow(std::move(window));
    return new VROverlayController(overlay, overlay, textureView, std::move(model));
}
} // namespace

BatteryMonitorFeature::BatteryMonitorFeature(std::shared_ptr<IBatteryModel> batteryModel,
    std::shared_ptr<IOverlayModel> alertModel, std::shared_ptr<IOverlayModel> dashboardModel)
    : m_alertModel(std::move(alertModel))
    , m_dashboardModel(std::move(dashboardModel))
    , m_batteryModel(std::move(batteryModel))
{
    OpenVR_System::instance().init(
        vr::VRApplication_Overlay, ApplicationIdentity::manifestFileName, ApplicationIdentity::applicationKey, false);
}

BatteryMonitorFeature::~BatteryMonitorFeature()
{
    m_batteryModel.reset();
    delete m_alertController;
    delete m_dashboardController;
    m_dashboardModel.reset();
    m_alertModel.reset();
}

void BatteryMonitorFeature::start()
{
    if (!m_started)
        m_started = true;
    buildDashboardPipeline();
    buildAlertPipeline();
}

void BatteryMonitorFeature::stop()
{
    if (!m_started)
        return;
    delete m_dashboardController;
    m_dashboardController = nullptr;
    delete m_alertController;
    m_alertController = nullptr;
    m_started = false;
}

void BatteryMonitorFeature::buildDashboardPipeline()
{
    const std::shared_ptr<IOxaSettings> settings = openSettings();
    const std::string icon = Settings::read(settings, SettingsKeys::dashboardIcon).toString().toStdString();
    const std::string title = Settings::read(settings, SettingsKeys::dashboardTitle).toString().toStdString();

    auto overlay = std::make_shared<OpenVR_Dashboard>(title, dashboardOverlayKey, icon);
    auto window = std::make_shared<QmlBatteryDashboard>(std::make_shared<QmlBatteryDashboardModel>(), m_batteryModel);
    VROverlayController *controller = buildPipeline(std::move(overlay), std::move(window), m_dashboardModel);
    delete m_dashboardController;
    m_dashboardController = controller;
}

void BatteryMonitorFeature::buildAlertPipeline()
{
    auto overlay = std::make_shared<OpenVR_Overlay>(alertOverlayKey, alertOverlayKey);
    auto window = std::make_shared<QmlBatteryAlert>(std::make_shared<QmlBatteryAlertModel>(), m_batteryModel);
    VROverlayController *controller = buildPipeline(std::move(overlay), std::move(window), m_alertModel);
    delete m_alertController;
    m_alertController = controller;
}
