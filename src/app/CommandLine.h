#pragma once

#include "app/IOverlayFeature.h"
#include "battery/IBatteryModel.h"
#include "battery/IBatteryPlatform.h"

#include <memory>

// The second half of start-up: parses the command line and either ends the
// process (install, uninstall, bad arguments, second instance) or returns the
// feature to run.
std::shared_ptr<IOverlayFeature> createFeatureFromCommandLine();

// The battery source over `platform`, or null after a critical log line when
// its first reading fails.
std::shared_ptr<IBatteryModel> createBatterySource(std::shared_ptr<IBatteryPlatform> platform);
