#pragma once

#include <QMutex>
#include <QMutexLocker>
#include <QStringList>
#include <QtGlobal>

// Collects the Qt message log while it lives, so a test can check exact lines
// and their order. Messages still reach the previous handler.
class LogCapture
{
public:
    LogCapture()
    {
        s_current = this;
        m_previous = qInstallMessageHandler(&LogCapture::handler);
    }
    ~LogCapture()
    {
        qInstallMessageHandler(m_previous);
        s_current = nullptr;
    }

    QStringList lines() const
    {
        QMutexLocker lock(&m_mutex);
        return m_lines;
    }
    QStringList lines(QtMsgType type) const
    {
        QMutexLocker lock(&m_mutex);
        QStringList result;
        for (int i = 0; i < m_lines.size(); ++i) {
            if (m_types.at(i) == type)
                result << m_lines.at(i);
        }
        return result;
    }
    bool contains(const QString &line) const { return lines().contains(line); }
    void clear()
    {
        QMutexLocker lock(&m_mutex);
        m_lines.clear();
        m_types.clear();
    }

private:
    static void handler(QtMsgType type, const QMessageLogContext &context, const QString &message)
    {
        if (LogCapture *self = s_current) {
            {
                QMutexLocker lock(&self->m_mutex);
                self->m_lines << message;
                self->m_types << type;
            }
            if (self->m_previous)
                self->m_previous(type, context, message);
        }
    }

    static inline LogCapture *s_current = nullptr;
    QtMessageHandler m_previous = nullptr;
    mutable QMutex m_mutex;
    QStringList m_lines;
    QList<QtMsgType> m_types;
};
