#include "SocketPath.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

namespace vrsim {

namespace {

std::string environment(const char *name)
{
    const char *value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

std::string userName()
{
    const uid_t uid = geteuid();
    if (const passwd *entry = getpwuid(uid); entry && entry->pw_name)
        return entry->pw_name;
    return std::to_string(uid);
}

} // namespace

std::string runtimeDirectory()
{
    std::string dir = environment("XDG_RUNTIME_DIR");
    if (!dir.empty())
        return dir;
    std::string temp = environment("TMPDIR");
    if (temp.empty())
        temp = "/tmp";
    while (temp.size() > 1 && temp.back() == '/')
        temp.pop_back();
    return temp + "/runtime-" + userName();
}

std::string socketPath()
{
    std::string path = environment("VRSIM_SOCKET");
    if (!path.empty())
        return path;
    return runtimeDirectory() + "/vrsim/runtime.sock";
}

} // namespace vrsim
