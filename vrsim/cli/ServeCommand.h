#pragma once

#include <QObject>
#include <QStringList>

#include <functional>
#include <memory>

namespace vrsim {

class Runtime;

// Opens a window onto the runtime; whatever it returns lives as long as the runtime.
using ViewerOpener = std::function<std::unique_ptr<QObject>(Runtime &runtime)>;

// `vrsim serve [--headless] [--state DIR] [--hz F] [--photons S] [--no-hmd]`: runs the runtime
// until `vrsim stop`, SIGINT or SIGTERM. Needs a QCoreApplication; `openViewer`, when given,
// needs a QApplication and is left out with --headless.
int runServe(const QStringList &arguments, const ViewerOpener &openViewer = {});

} // namespace vrsim
