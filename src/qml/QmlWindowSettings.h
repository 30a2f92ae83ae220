#pragma once

#include <cstdint>
#include <string>

// What a QML window loads, at which size, and under which name the document sees the window.
struct QmlWindowSettings
{
    int32_t width = 0;
    int32_t height = 0;
    // A qrc: URL into the program's resources.
    std::string url;
    // Root-context property through which the document reaches the window.
    std::string contextName;
};
