#pragma once

#include "Codec.h"
#include "Message.h"

#include <QLocalSocket>
#include <QString>

#include <optional>

namespace vrsim {

// The command line's connection to a running runtime: one request, one reply, blocking.
class ControlClient
{
public:
    bool connectToRuntime(const QString &path, QString *error);
    // The reply's values after the success flag and error text; nothing, with *error set, when
    // the runtime refused or did not answer within timeoutMs.
    std::optional<Message> request(Message message, int timeoutMs, QString *error);

private:
    std::optional<Message> exchange(Message message, int timeoutMs, QString *error);

    QLocalSocket m_socket;
    StreamDecoder m_decoder;
    quint32 m_nextId = 1;
};

} // namespace vrsim
