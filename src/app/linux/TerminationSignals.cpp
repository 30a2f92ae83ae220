#include "app/TerminationSignals.h"

#include <QCoreApplication>
#include <QDebug>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <iterator>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace {

constexpr char signalByte = 1;
constexpr char stopByte = 0;
constexpr int handledSignals[] = {SIGTERM, SIGINT};

// The handler may run at any moment on any thread, so the socket it writes to
// is made once and stays open for the life of the process.
int g_signalSocket[2] = {-1, -1};

void onSignal(int)
{
    // Only async-signal-safe work here. The write end does not block: with
    // the socket full, a quit is on its way already.
    const int savedErrno = errno;
    [[maybe_unused]] const ssize_t written = ::write(g_signalSocket[1], &signalByte, 1);
    errno = savedErrno;
}

bool openSignalSocket()
{
    if (g_signalSocket[0] >= 0)
        return true;
    int ends[2] = {-1, -1};
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0)
        return false;
    if (::fcntl(ends[1], F_SETFL, O_NONBLOCK) != 0) {
        ::close(ends[0]);
        ::close(ends[1]);
        return false;
    }
    g_signalSocket[0] = ends[0];
    g_signalSocket[1] = ends[1];
    return true;
}

// Bytes a signal wrote while no one listened belong to no running loop.
void drainSignalSocket()
{
    char bytes[64];
    while (::recv(g_signalSocket[0], bytes, sizeof bytes, MSG_DONTWAIT) > 0) { }
}

void sendStop()
{
    // The listener drains the socket all the time, so a full one frees up.
    while (::write(g_signalSocket[1], &stopByte, 1) != 1) {
        if (errno != EAGAIN && errno != EINTR)
            return;
        pollfd writable = {g_signalSocket[1], POLLOUT, 0};
        ::poll(&writable, 1, -1);
    }
}

void listenForSignals()
{
    for (;;) {
        char byte = stopByte;
        const ssize_t count = ::read(g_signalSocket[0], &byte, 1);
        if (count < 0 && errno == EINTR)
            continue;
        if (count != 1 || byte == stopByte)
            return;
        // The listener is stopped before the application object goes, so
        // there is always an application to post to.
        QMetaObject::invokeMethod(QCoreApplication::instance(), &QCoreApplication::quit, Qt::QueuedConnection);
    }
}

} // namespace

// The signals are heard on a thread of their own, blocked in a read: a
// descriptor in the GUI thread's poll would cost every one of its wakes, 50 a
// second at rest, for a request that comes once.
struct TerminationSignals::Listener
{
    std::thread thread;
    struct sigaction previous[std::size(handledSignals)] = {};
};

TerminationSignals::TerminationSignals()
{
    if (!openSignalSocket()) {
        qWarning() << "Termination signals will not end the program cleanly: no socket for them";
        return;
    }
    drainSignalSocket();

    auto listener = std::make_unique<Listener>();
    listener->thread = std::thread(listenForSignals);

    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (std::size_t index = 0; index < std::size(handledSignals); ++index)
        sigaction(handledSignals[index], &action, &listener->previous[index]);
    m_listener = std::move(listener);
}

TerminationSignals::~TerminationSignals()
{
    if (!m_listener)
        return;
    for (std::size_t index = 0; index < std::size(handledSignals); ++index)
        sigaction(handledSignals[index], &m_listener->previous[index], nullptr);
    sendStop();
    m_listener->thread.join();
}
