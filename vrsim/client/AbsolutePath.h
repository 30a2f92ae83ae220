#pragma once

#include <unistd.h>

#include <string>

namespace vrsim {

// The runtime runs in a folder of its own: a relative path means the calling process's folder.
inline std::string absolutePath(const char *path)
{
    if (path[0] == '/')
        return path;
    char cwd[4096];
    if (!::getcwd(cwd, sizeof cwd))
        return path;
    return std::string(cwd) + "/" + path;
}

} // namespace vrsim
