#include "app/DisplayPlatform.h"

#include <QByteArray>
#include <QList>

#include <xcb/xcb.h>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>

namespace {

bool s_displayAvailable = true;

// The probe's connection stays open until the process ends: an X server that
// resets when its last client leaves (Xvfb does, by default) could otherwise
// reset, and refuse, just as Qt connects after the probe.
struct XConnection
{
    ~XConnection()
    {
        if (connection)
            xcb_disconnect(connection);
    }
    xcb_connection_t *connection = nullptr;
};
XConnection s_probe;

bool xServerReachable()
{
    // DISPLAY may name a server that is gone or refuses this user (a remote
    // shell's stale forwarding); only a connection tells.
    if (s_probe.connection)
        return true;
    if (qEnvironmentVariableIsEmpty("DISPLAY"))
        return false;
    xcb_connection_t *connection = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(connection) != 0) {
        xcb_disconnect(connection);
        return false;
    }
    s_probe.connection = connection;
    return true;
}

bool waylandReachable()
{
    QByteArray path = qgetenv("WAYLAND_DISPLAY");
    if (path.isEmpty())
        path = QByteArrayLiteral("wayland-0");
    if (!path.startsWith('/')) {
        const QByteArray runtimeDir = qgetenv("XDG_RUNTIME_DIR");
        if (runtimeDir.isEmpty())
            return false;
        path = runtimeDir + '/' + path;
    }
    sockaddr_un address {};
    address.sun_family = AF_UNIX;
    if (static_cast<size_t>(path.size()) >= sizeof(address.sun_path))
        return false;
    std::memcpy(address.sun_path, path.constData(), static_cast<size_t>(path.size()));

    // A local socket answers or refuses at once; a leftover file without a
    // compositor behind it refuses.
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    const bool reachable = ::connect(fd, reinterpret_cast<const sockaddr *>(&address), sizeof(address)) == 0;
    ::close(fd);
    return reachable;
}

bool platformReachable(const QByteArray &entry)
{
    // "name:option=value,...": only the name decides.
    const QByteArray name = entry.split(':').value(0).trimmed();
    if (name == "xcb")
        return xServerReachable();
    if (name.startsWith("wayland"))
        return waylandReachable();
    // Offscreen, framebuffer and the like bring their own surface.
    return true;
}

} // namespace

void chooseDisplayPlatform()
{
    const QByteArray chosen = qgetenv("QT_QPA_PLATFORM");
    if (chosen.isEmpty()) {
        if (xServerReachable())
            return;
        // Without an X server, Qt would still start on X; a Wayland session
        // without X gets the Wayland platform named.
        if (qEnvironmentVariableIsSet("WAYLAND_DISPLAY") && waylandReachable()) {
            qputenv("QT_QPA_PLATFORM", QByteArrayLiteral("wayland"));
            return;
        }
    } else {
        // Qt tries a ";"-separated list in order.
        for (const QByteArray &entry : chosen.split(';')) {
            if (!entry.trimmed().isEmpty() && platformReachable(entry))
                return;
        }
    }
    s_displayAvailable = false;
    qputenv("QT_QPA_PLATFORM", QByteArrayLiteral("offscreen"));
}

bool displayAvailable()
{
    return s_displayAvailable;
}
