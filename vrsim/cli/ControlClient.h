#pragma once

#include "Codec.h"
#include "Messages.h"

#include <QLocalSocket>
#include <QString>

#include <optional>

namespace vrsim {

// The command line's connection to a running runtime: one request, one reply, blocking.
class ControlClient
{
public:
    bool connectToRuntime(const QString &path, QString *error);
    // Nothing, with *error set, when the runtime refused or did not answer within timeoutMs.
    template<class Request>
    std::optional<typename Request::Reply> request(const Request &request, int timeoutMs, QString *error)
    {
        const std::optional<Message> reply = refusalChecked(request.encode(), timeoutMs, error);
        if (!reply)
            return std::nullopt;
        std::optional<typename Request::Reply> decoded = Request::Reply::decode(*reply);
        if (!decoded)
            *error = QStringLiteral("the runtime sent a malformed reply");
        return decoded;
    }

private:
    // The reply, once its outcome says the runtime did what was asked.
    std::optional<Message> refusalChecked(Message message, int timeoutMs, QString *error);
    std::optional<Message> exchange(Message message, int timeoutMs, QString *error);

    QLocalSocket m_socket;
    StreamDecoder m_decoder;
    quint32 m_nextId = 1;
};

} // namespace vrsim
