#pragma once

#include "battery/IBatteryModel.h"
#include "feature/IOverlayModel.h"

#include <memory>

// The alert HUD's model: decides from the settings and the battery levels
// whether the battery is low. Stateless: every answer is computed afresh.
class BatteryOverlayModel : public IOverlayModel
{
public:
    explicit BatteryOverlayModel(std::shared_ptr<IBatteryModel> batteryModel);

    OverlaySettings getSettings() override;

private:
    bool anyLevelAtOrBelow(int32_t threshold);

    std::shared_ptr<IBatteryModel> m_batteryModel;
};
