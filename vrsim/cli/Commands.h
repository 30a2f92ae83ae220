#pragma once

#include <QStringList>

namespace vrsim {

// Runs one command against the running runtime (everything but `serve`). Returns the exit code;
// a failure has printed one line on stderr.
int runCommand(const QString &command, const QStringList &arguments);

void printUsage();

} // namespace vrsim
