#pragma once

#include "battery/IBatteryModel.h"
#include "feature/IOverlayModel.h"

#include <cstdint>
#include <memory>

class IOxaSettings;
class SettingsChangeWatch;

// The alert HUD's model: decides from the settings and the battery levels
// whether the battery is low. It is asked on every controller tick, so it keeps
// one store and the values it read from it, and reads them again only after a
// change (a write in this process, or the file changed on disk): every answer
// is the one a fresh store would give.
class BatteryOverlayModel : public IOverlayModel
{
public:
    explicit BatteryOverlayModel(std::shared_ptr<IBatteryModel> batteryModel);
    ~BatteryOverlayModel() override;

    OverlaySettings getSettings() override;

    // How often the values were read from the store; for tests.
    uint64_t settingsReads() const { return m_reads; }

private:
    struct AlertSettings
    {
        bool enable = false;
        int32_t critical = 0;
        int32_t warning = 0;
        float duration = 0.0f;
        float fadeOutDuration = 0.0f;
        float maxAlpha = 0.0f;
        float xPos = 0.0f;
        float yPos = 0.0f;
        float distance = 0.0f;
        float interpolationSpeed = 0.0f;
        float scale = 0.0f;
    };

    const AlertSettings &currentSettings();
    void readSettings();
    bool anyLevelAtOrBelow(int32_t threshold);

    std::shared_ptr<IBatteryModel> m_batteryModel;
    std::shared_ptr<IOxaSettings> m_store;
    std::unique_ptr<SettingsChangeWatch> m_watch;
    AlertSettings m_settings;
    uint64_t m_reads = 0;
};
