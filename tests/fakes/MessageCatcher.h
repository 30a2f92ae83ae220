#pragma once

#include <QMutex>
#include <QMutexLocker>
#include <QStringList>
#include <QtGlobal>

#include <utility>
#include <vector>

// Records every log message while it lives and passes each on as before.
// QML binding and type errors arrive as warnings, so a document that loads
// and runs cleanly leaves warnings() empty.
class MessageCatcher
{
public:
    MessageCatcher()
    {
        current() = this;
        m_previous = qInstallMessageHandler(&MessageCatcher::handle);
    }
    ~MessageCatcher()
    {
        qInstallMessageHandler(m_previous);
        current() = nullptr;
    }
    MessageCatcher(const MessageCatcher &) = delete;
    MessageCatcher &operator=(const MessageCatcher &) = delete;

    QStringList messages(QtMsgType type) const
    {
        QMutexLocker lock(&m_mutex);
        QStringList result;
        for (const auto &entry : m_messages) {
            if (entry.first == type)
                result.append(entry.second);
        }
        return result;
    }

    QStringList warnings() const { return messages(QtWarningMsg) + messages(QtCriticalMsg); }

    // Every message, whatever its level, in order.
    QStringList lines() const
    {
        QMutexLocker lock(&m_mutex);
        QStringList result;
        for (const auto &entry : m_messages)
            result.append(entry.second);
        return result;
    }
    bool contains(const QString &line) const { return lines().contains(line); }
    void clear()
    {
        QMutexLocker lock(&m_mutex);
        m_messages.clear();
    }

private:
    static MessageCatcher *&current()
    {
        static MessageCatcher *catcher = nullptr;
        return catcher;
    }

    static void handle(QtMsgType type, const QMessageLogContext &context, const QString &message)
    {
        MessageCatcher *catcher = current();
        if (!catcher)
            return;
        {
            QMutexLocker lock(&catcher->m_mutex);
            catcher->m_messages.emplace_back(type, message);
        }
        if (catcher->m_previous)
            catcher->m_previous(type, context, message);
    }

    QtMessageHandler m_previous = nullptr;
    mutable QMutex m_mutex;
    std::vector<std::pair<QtMsgType, QString>> m_messages;
};
