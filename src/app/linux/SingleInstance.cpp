#include "app/SingleInstance.h"

#include <QStandardPaths>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

bool acquireSingleInstance()
{
    // An advisory lock on a file in the user's runtime folder. The kernel
    // drops it when the process ends, so a crash never leaves a stale claim.
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty())
        return true;

    const QByteArray path = (folder + QStringLiteral("/TarvixBatteryOverlayAppMutex")).toLocal8Bit();
    const int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0)
        return true; // as on Windows: a lock that cannot be made does not stop the program

    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const bool heldByAnother = errno == EWOULDBLOCK;
        ::close(fd);
        return !heldByAnother;
    }
    // The descriptor stays open for the life of the process: it is the lock.
    return true;
}
