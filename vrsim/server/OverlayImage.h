#pragma once

#include <openvr.h>

#include <QString>

namespace vrsim {

// Whether SetOverlayFromFile may show this file: a PNG or JPEG of at most 1920 x 1080.
vr::EVROverlayError checkOverlayImage(const QString &path);

} // namespace vrsim
