#pragma once

#include <string>

namespace vrsim {

// Where the runtime listens: $VRSIM_SOCKET if set, else runtime.sock in the vrsim folder of the
// user's runtime directory, found the way QStandardPaths::RuntimeLocation finds it (the client
// library has no Qt, yet must agree with the Qt-built server and command line).
std::string socketPath();
std::string runtimeDirectory();

} // namespace vrsim
