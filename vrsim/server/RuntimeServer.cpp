#include "RuntimeServer.h"

#include "PeerConnection.h"

#include <QDir>
#include <QFileInfo>
#include <QLocalSocket>

#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace vrsim {

namespace {

// Creates `path` and any missing parents, readable by nobody but the user.
bool makePrivateFolder(const QString &path, QString *error)
{
    const QString parent = QFileInfo(path).path();
    if (parent != path && !QFileInfo::exists(parent) && !makePrivateFolder(parent, error))
        return false;
    const QByteArray native = QFile::encodeName(path);
    if (::mkdir(native.constData(), 0700) != 0 && errno != EEXIST) {
        *error = QStringLiteral("cannot create %1: %2").arg(path, QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    return true;
}

bool samePeerUser(qintptr descriptor, qint64 *pid)
{
    ucred credentials {};
    socklen_t length = sizeof credentials;
    if (::getsockopt(static_cast<int>(descriptor), SOL_SOCKET, SO_PEERCRED, &credentials, &length) != 0)
        return false;
    *pid = credentials.pid;
    return credentials.uid == ::geteuid();
}

} // namespace

RuntimeServer::RuntimeServer(const ServerOptions &options, QObject *parent)
    : QObject(parent)
    , m_options(options)
    , m_registry(options.stateDir)
    , m_runtime(options, m_registry)
    , m_control(m_runtime)
{
    connect(&m_server, &QLocalServer::newConnection, this, &RuntimeServer::acceptConnections);
    connect(&m_control, &ControlHandler::stopRequested, this, &RuntimeServer::stopRequested);
}

RuntimeServer::~RuntimeServer()
{
    // Connections go first: their closing touches the runtime.
    const QList<PeerConnection *> peers = findChildren<PeerConnection *>(QString(), Qt::FindDirectChildrenOnly);
    for (PeerConnection *peer : peers) {
        m_runtime.removeConnection(peer);
        delete peer;
    }
    m_server.close();
}

bool RuntimeServer::start(QString *error)
{
    QString registryError;
    if (!m_registry.load(&registryError))
        qWarning().noquote() << QStringLiteral("vrsim: %1; starting with an empty registry").arg(registryError);
    if (!prepareSocketFolder(error))
        return false;

    // Bound in place, not moved there after: binding fails on a live socket instead of taking
    // it over from the runtime that owns it.
    const QString path = m_options.socketPath;
    m_server.setSocketOptions(QLocalServer::NoOptions);
    bool listening = m_server.listen(path);
    if (!listening && m_server.serverError() == QAbstractSocket::AddressInUseError) {
        QLocalSocket probe;
        probe.connectToServer(path);
        if (probe.waitForConnected(1000)) {
            *error = QStringLiteral("a runtime already listens at %1").arg(path);
            return false;
        }
        // Left behind by a runtime that did not end cleanly.
        QLocalServer::removeServer(path);
        listening = m_server.listen(path);
    }
    if (!listening) {
        *error = QStringLiteral("cannot listen at %1: %2").arg(path, m_server.errorString());
        return false;
    }
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    return true;
}

bool RuntimeServer::prepareSocketFolder(QString *error) const
{
    const QString folder = QFileInfo(m_options.socketPath).path();
    if (!makePrivateFolder(folder, error))
        return false;
    // A folder named with VRSIM_SOCKET may be shared (/tmp): only vrsim's own is made private.
    if (m_options.defaultSocket
        && !QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner)) {
        *error = QStringLiteral("cannot make %1 private").arg(folder);
        return false;
    }
    return true;
}

void RuntimeServer::acceptConnections()
{
    while (QLocalSocket *socket = m_server.nextPendingConnection()) {
        qint64 pid = 0;
        if (!samePeerUser(socket->socketDescriptor(), &pid)) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        auto *peer = new PeerConnection(socket, pid, this);
        connect(peer, &PeerConnection::messageReceived, this,
            [this, peer](const Message &message) { route(peer, message); });
        connect(peer, &PeerConnection::closed, this, [this, peer] {
            m_runtime.removeConnection(peer);
            peer->deleteLater();
        });
    }
}

void RuntimeServer::route(PeerConnection *peer, const Message &message)
{
    if (!peer->hasRole()) {
        if (message.type == MessageType::Hello)
            m_runtime.handleHello(peer, message);
        else
            peer->close();
        return;
    }
    if (message.type == MessageType::Hello)
        peer->close();
    else if (peer->role() == ConnectionRole::Application)
        m_runtime.handleApplicationMessage(peer, message);
    else
        m_control.handle(peer, message);
}

} // namespace vrsim
