#pragma once

#include <QString>

namespace vrsim {

struct ServerOptions
{
    QString socketPath;
    QString stateDir;
    double hz = 90.0;
    double secondsFromVsyncToPhotons = 0.011;
    bool noHmd = false;
    bool headless = false;
};

} // namespace vrsim
