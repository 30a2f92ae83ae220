#include "ControlClient.h"

#include <QDeadlineTimer>

namespace vrsim {

bool ControlClient::connectToRuntime(const QString &path, QString *error)
{
    m_socket.connectToServer(path);
    if (!m_socket.waitForConnected(2000)) {
        *error = QStringLiteral("no runtime is running at %1").arg(path);
        return false;
    }
    msg::Hello hello;
    hello.role = ConnectionRole::Control;
    return exchange(hello.encode(), 5000, error).has_value();
}

std::optional<Message> ControlClient::refusalChecked(Message message, int timeoutMs, QString *error)
{
    std::optional<Message> reply = exchange(std::move(message), timeoutMs, error);
    if (!reply)
        return std::nullopt;
    // A refusal is an outcome alone, whatever the request's own reply holds.
    MessageReader reader(*reply);
    msg::Outcome outcome;
    wire::get(reader, outcome);
    if (!reader.ok()) {
        *error = QStringLiteral("the runtime sent a malformed reply");
        return std::nullopt;
    }
    if (outcome.failed) {
        *error = QString::fromStdString(outcome.error);
        return std::nullopt;
    }
    return reply;
}

std::optional<Message> ControlClient::exchange(Message message, int timeoutMs, QString *error)
{
    message.id = m_nextId++;
    const std::vector<uint8_t> bytes = encode(message);
    m_socket.write(reinterpret_cast<const char *>(bytes.data()), static_cast<qint64>(bytes.size()));
    m_socket.flush();

    const QDeadlineTimer deadline(timeoutMs);
    for (;;) {
        Message reply;
        switch (m_decoder.next(reply)) {
        case StreamDecoder::Result::Ready:
            if (reply.type == MessageType::Reply && reply.id == message.id)
                return reply;
            continue;
        case StreamDecoder::Result::Failed:
            *error = QStringLiteral("the runtime sent a malformed reply: %1")
                         .arg(QString::fromLatin1(decodeErrorText(m_decoder.error())));
            return std::nullopt;
        case StreamDecoder::Result::NeedMore:
            break;
        }
        if (m_socket.bytesAvailable() == 0) {
            if (m_socket.state() != QLocalSocket::ConnectedState) {
                *error = QStringLiteral("the runtime closed the connection");
                return std::nullopt;
            }
            if (deadline.hasExpired()) {
                *error = QStringLiteral("the runtime did not answer in time");
                return std::nullopt;
            }
            m_socket.waitForReadyRead(static_cast<int>(deadline.remainingTime()));
            continue;
        }
        const QByteArray chunk = m_socket.readAll();
        m_decoder.append(reinterpret_cast<const uint8_t *>(chunk.constData()), static_cast<size_t>(chunk.size()));
    }
}

} // namespace vrsim
