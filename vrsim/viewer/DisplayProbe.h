#pragma once

namespace vrsim {

// Whether the platform Qt would pick (QT_QPA_PLATFORM, else X11) has a screen a person can look
// at. Asked before any QGuiApplication exists: one that cannot reach its display aborts the
// process, and the runtime must keep serving without a window instead.
bool displayAvailable();

} // namespace vrsim
