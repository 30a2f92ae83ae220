#pragma once

#include <QString>

namespace vrsim {

struct ServerOptions
{
    QString socketPath;
    // True when socketPath is the default one, in a folder that is vrsim's own.
    bool defaultSocket = true;
    QString stateDir;
    double hz = 90.0;
    double secondsFromVsyncToPhotons = 0.011;
    bool noHmd = false;
};

} // namespace vrsim
