#pragma once

#include "Messages.h"

#include <QHash>
#include <QImage>
#include <QList>
#include <QObject>
#include <QPointer>

class QTimer;

namespace vrsim {

class PeerConnection;
class Runtime;

// Carries out what `vrsim` commands ask of a running runtime. Each reply starts with 0 and an
// empty text on success, or 1 and one line saying what went wrong.
class ControlHandler : public QObject
{
    Q_OBJECT

public:
    explicit ControlHandler(Runtime &runtime, QObject *parent = nullptr);

    void handle(PeerConnection *peer, const Message &request);

signals:
    void stopRequested();

private:
    struct PendingSnapshot
    {
        QPointer<PeerConnection> peer;
        quint32 id;
        QString key;
        QTimer *timer;
    };

    // One per message of ControlRequests.
    void handle(PeerConnection *peer, quint32 id, const msg::Status &request);
    void handle(PeerConnection *peer, quint32 id, const msg::Counters &request);
    void handle(PeerConnection *peer, quint32 id, const msg::Snapshot &request);
    void handle(PeerConnection *peer, quint32 id, const msg::Input &request);
    void handle(PeerConnection *peer, quint32 id, const msg::Dashboard &request);
    void handle(PeerConnection *peer, quint32 id, const msg::Quit &request);
    void handle(PeerConnection *peer, quint32 id, const msg::Fail &request);
    void handle(PeerConnection *peer, quint32 id, const msg::Stop &request);
    void deliverFrame(quint64 handle, const QImage &image);
    void dropSnapshots(quint64 handle);
    // Replies once every application has caught up with what the command changed.
    void succeedAfterSync(PeerConnection *peer, quint32 id);

    Runtime &m_runtime;
    QHash<quint64, QList<PendingSnapshot>> m_snapshots;
};

} // namespace vrsim
