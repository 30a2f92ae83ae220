#include "qml/FileVersion.h"

#include "Version.h"

// Without version resources the build bakes the version in.
std::string fileVersionString()
{
    std::string version = voltaroVersionString;
    return version.empty() ? "Unknown" : version;
}
