#pragma once

// How the VR runtime knows the program.
namespace ApplicationIdentity {
constexpr const char *applicationKey = "Tarvix.BatteryMonitor";
constexpr const char *manifestFileName = "Ampora.vrmanifest";
} // namespace ApplicationIdentity
