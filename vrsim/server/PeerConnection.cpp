#include "PeerConnection.h"

#include <QDebug>
#include <QLocalSocket>

namespace vrsim {

PeerConnection::PeerConnection(QLocalSocket *socket, qint64 pid, QObject *parent)
    : QObject(parent)
    , m_socket(socket)
    , m_pid(pid)
{
    m_socket->setParent(this);
    connect(m_socket, &QLocalSocket::readyRead, this, &PeerConnection::readAvailable);
    connect(m_socket, &QLocalSocket::disconnected, this, &PeerConnection::close);
}

PeerConnection::~PeerConnection()
{
    // The socket dies with this object and must not call back into it on the way.
    disconnect(m_socket, nullptr, this, nullptr);
}

void PeerConnection::send(const Message &message)
{
    if (m_closed)
        return;
    const std::vector<uint8_t> bytes = encode(message);
    m_socket->write(reinterpret_cast<const char *>(bytes.data()), static_cast<qint64>(bytes.size()));
    // Out now rather than on the next turn of the event loop: applications wait on these.
    m_socket->flush();
}

void PeerConnection::close()
{
    if (m_closed)
        return;
    m_closed = true;
    // Whatever is still queued for the peer (a last reply) goes out before the socket closes.
    m_socket->disconnectFromServer();
    emit closed();
}

void PeerConnection::readAvailable()
{
    while (!m_closed && m_socket->bytesAvailable() > 0) {
        const QByteArray chunk = m_socket->read(qint64 {256} * 1024);
        m_decoder.append(reinterpret_cast<const uint8_t *>(chunk.constData()), static_cast<size_t>(chunk.size()));
        Message message;
        StreamDecoder::Result result = StreamDecoder::Result::NeedMore;
        while (!m_closed && (result = m_decoder.next(message)) == StreamDecoder::Result::Ready) {
            ++m_messagesReceived;
            emit messageReceived(message);
        }
        if (!m_closed && result == StreamDecoder::Result::Failed) {
            qWarning().noquote() << QStringLiteral("vrsim: dropping connection of pid %1: %2")
                                        .arg(m_pid)
                                        .arg(QString::fromLatin1(decodeErrorText(m_decoder.error())));
            close();
        }
    }
}

} // namespace vrsim
