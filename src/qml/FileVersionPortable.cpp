#include "qml/FileVersion.h"

// Without version resources the build bakes the version in.
std::string fileVersionString()
{
#ifdef VOLTARO_VERSION_STRING
    std::string version = VOLTARO_VERSION_STRING;
    if (!version.empty())
        return version;
#endif
    return "Unknown";
}
