#pragma once

#include "feature/IOverlayModel.h"

// The dashboard panel's model. The VR dashboard decides when the panel is on
// screen, so the record is fixed: always visible, never timed out.
class BatteryDashboardModel : public IOverlayModel
{
public:
    BatteryDashboardModel();

    OverlaySettings getSettings() override;

private:
    OverlaySettings m_settings;
};
