#pragma once

#include "Codec.h"
#include "Messages.h"

#include <QObject>

class QLocalSocket;

namespace vrsim {

// One connection to the runtime, an application's or the command line's: frames the byte stream
// into messages and sends them back. A malformed stream ends the connection.
class PeerConnection : public QObject
{
    Q_OBJECT

public:
    PeerConnection(QLocalSocket *socket, qint64 pid, QObject *parent = nullptr);
    ~PeerConnection() override;

    void send(const Message &message);
    template<class Typed>
    void send(const Typed &message, quint32 id = 0)
    {
        send(message.encode(id));
    }
    void close();

    qint64 pid() const { return m_pid; }
    ConnectionRole role() const { return m_role; }
    // Set by the connection's Hello; until then it is neither.
    void setRole(ConnectionRole role)
    {
        m_role = role;
        m_hasRole = true;
    }
    bool hasRole() const { return m_hasRole; }
    int applicationType() const { return m_applicationType; }
    void setApplicationType(int type) { m_applicationType = type; }
    quint64 messagesReceived() const { return m_messagesReceived; }

signals:
    void messageReceived(const vrsim::Message &message);
    void closed();

private:
    void readAvailable();

    QLocalSocket *m_socket;
    StreamDecoder m_decoder;
    qint64 m_pid;
    ConnectionRole m_role = ConnectionRole::Control;
    bool m_hasRole = false;
    bool m_closed = false;
    int m_applicationType = 0;
    quint64 m_messagesReceived = 0;
};

} // namespace vrsim
