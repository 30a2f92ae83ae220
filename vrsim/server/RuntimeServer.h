#pragma once

#include "ControlHandler.h"
#include "Registry.h"
#include "Runtime.h"
#include "ServerOptions.h"

#include <QLocalServer>
#include <QObject>

namespace vrsim {

class PeerConnection;

// Listens on the runtime's socket, admits only processes of the same user, and hands each
// message to the runtime (applications) or the control handler (the command line).
class RuntimeServer : public QObject
{
    Q_OBJECT

public:
    explicit RuntimeServer(const ServerOptions &options, QObject *parent = nullptr);
    ~RuntimeServer() override;

    bool start(QString *error);
    Runtime &runtime() { return m_runtime; }

signals:
    void stopRequested();

private:
    bool prepareSocketFolder(QString *error) const;
    void acceptConnections();
    void route(PeerConnection *peer, const Message &message);

    ServerOptions m_options;
    Registry m_registry;
    Runtime m_runtime;
    ControlHandler m_control;
    QLocalServer m_server;
};

} // namespace vrsim
