#pragma once

#include "ServerOptions.h"

#include <QObject>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

namespace vrsim {

class Runtime;

// What `vrsim serve [--headless] [--state DIR] [--hz F] [--photons S] [--no-hmd]` asks for.
struct ServeArguments
{
    ServerOptions server;
    bool headless = false;
};

// Needs no application object: main reads --headless from it before it decides which one to
// make. Nothing, with *error set, for arguments `serve` does not take. An empty stateDir stands
// for the default, which runServe fills in.
std::optional<ServeArguments> parseServeArguments(const QStringList &arguments, QString *error);

// Opens a window onto the runtime; whatever it returns lives as long as the runtime.
using ViewerOpener = std::function<std::unique_ptr<QObject>(Runtime &runtime)>;

// Runs the runtime until `vrsim stop`, SIGINT or SIGTERM. Needs a QCoreApplication;
// `openViewer`, when given, needs a QApplication.
int runServe(ServerOptions options, const ViewerOpener &openViewer = {});

} // namespace vrsim
