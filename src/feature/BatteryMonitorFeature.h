#pragma once

#include "app/IOverlayFeature.h"
#include "battery/IBatteryModel.h"
#include "feature/IOverlayModel.h"

#include <memory>

class VROverlayController;

// The program's one feature: connects to the VR runtime as an overlay
// application, and on start builds the dashboard and alert pipelines.
class BatteryMonitorFeature : public IOverlayFeature
{
public:
    BatteryMonitorFeature(std::shared_ptr<IBatteryModel> batteryModel, std::shared_ptr<IOverlayModel> alertModel,
        std::shared_ptr<IOverlayModel> dashboardModel);
    ~BatteryMonitorFeature() override;

    void start() override;
    void stop() override;

    bool isStarted() const { return m_started; }
    VROverlayController *dashboardController() const { return m_dashboardController; }
    VROverlayController *alertController() const { return m_alertController; }

private:
    void buildDashboardPipeline();
    void buildAlertPipeline();

    std::shared_ptr<IOverlayModel> m_alertModel;
    std::shared_ptr<IOverlayModel> m_dashboardModel;
    VROverlayController *m_dashboardController = nullptr;
    VROverlayController *m_alertController = nullptr;
    bool m_started = false;
    std::shared_ptr<IBatteryModel> m_batteryModel;
};
