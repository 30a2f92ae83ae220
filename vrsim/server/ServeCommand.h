#pragma once

#include <QStringList>

namespace vrsim {

// `vrsim serve [--headless] [--state DIR] [--hz F] [--photons S] [--no-hmd]`: runs the runtime
// until `vrsim stop`, SIGINT or SIGTERM. Needs a QCoreApplication.
int runServe(const QStringList &arguments);

} // namespace vrsim
