#include "render/PanelPixel.h"

#include <cmath>

std::optional<int> panelPixel(float coordinate)
{
    if (std::isnan(coordinate))
        return std::nullopt;
    // Clamped as a float first: only a value that fits int may be cast.
    const float limit = static_cast<float>(maxPanelCoordinate);
    if (coordinate >= limit)
        return maxPanelCoordinate;
    if (coordinate <= -limit)
        return -maxPanelCoordinate;
    return static_cast<int>(coordinate);
}
