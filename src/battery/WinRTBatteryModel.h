#pragma once

#include "battery/BatteryLevels.h"
#include "battery/IBatteryModel.h"
#include "battery/IBatteryPlatform.h"

#include <QObject>

#include <memory>

class QTimer;

// The battery source: one snapshot, renewed every 1500 ms from the platform.
// The first reading is taken in the constructor; a failing first pass throws
// (BatteryPlatformError) to the creator.
class WinRTBatteryModel
    : public IBatteryModel
    , public QObject
{
public:
    // Reads the platform this build targets.
    WinRTBatteryModel();
    explicit WinRTBatteryModel(std::shared_ptr<IBatteryPlatform> platform);
    ~WinRTBatteryModel() override;

    BatteryLevels currentLevels() override;

    // One reading pass over the platform; throws on a failed platform call.
    BatteryLevels readLevels();
    int32_t chargePercent(IPlatformBattery &battery);

    // What the refresh timer runs: one pass, and the snapshot replaced whole
    // when it completes. A failed pass keeps the previous snapshot.
    void refresh();

    static constexpr int refreshIntervalMs = 1500;

private:
    std::shared_ptr<IBatteryPlatform> m_platform;
    QTimer *m_refreshTimer = nullptr;
    BatteryLevels m_levels;
    bool m_failing = false;
};
