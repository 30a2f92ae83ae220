#include "DisplayProbe.h"

#include <QDir>
#include <QFileInfo>
#include <QString>

#include <xcb/xcb.h>

namespace vrsim {

namespace {

bool xServerReachable()
{
    // DISPLAY may name a server that is gone or refuses us; only a connection tells.
    if (qEnvironmentVariableIsEmpty("DISPLAY"))
        return false;
    xcb_connection_t *connection = xcb_connect(nullptr, nullptr);
    const bool reachable = xcb_connection_has_error(connection) == 0;
    xcb_disconnect(connection);
    return reachable;
}

bool waylandSocketExists()
{
    QString name = qEnvironmentVariable("WAYLAND_DISPLAY", QStringLiteral("wayland-0"));
    if (QDir::isRelativePath(name)) {
        const QString runtimeDir = qEnvironmentVariable("XDG_RUNTIME_DIR");
        if (runtimeDir.isEmpty())
            return false;
        name = runtimeDir + QLatin1Char('/') + name;
    }
    return QFileInfo::exists(name);
}

} // namespace

bool displayAvailable()
{
    const QString platform = qEnvironmentVariable("QT_QPA_PLATFORM").section(QLatin1Char(':'), 0, 0);
    if (platform.isEmpty() || platform == QLatin1String("xcb"))
        return xServerReachable();
    if (platform.startsWith(QLatin1String("wayland")))
        return waylandSocketExists();
    // These draw where nobody sees it.
    if (platform == QLatin1String("offscreen") || platform.startsWith(QLatin1String("minimal")))
        return false;
    // Framebuffer and the like bring their own screen.
    return true;
}

} // namespace vrsim
