#pragma once

#include <optional>

// The whole panel pixel that a pointer coordinate reported by the runtime
// falls on, truncated toward zero. The runtime's numbers are not trusted:
// converting NaN, an infinity or a value beyond int to int is undefined, so
// values beyond any panel are clamped to +-maxPanelCoordinate (still well
// outside every panel, so a pointer far off the panel stays off it) and NaN,
// which names no place at all, has no pixel.
std::optional<int> panelPixel(float coordinate);

// Far beyond any panel's pixels, and far from int's limits even after the
// window's offset is added to it for the global position.
constexpr int maxPanelCoordinate = 1 << 20;
