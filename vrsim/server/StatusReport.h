#pragma once

#include <QJsonObject>

namespace vrsim {

class Runtime;

// The runtime's state as `vrsim status` prints it.
QJsonObject statusReport(const Runtime &runtime);

} // namespace vrsim
