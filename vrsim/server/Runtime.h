#pragma once

#include "ApiMethod.h"
#include "ClientSync.h"
#include "DisplayTiming.h"
#include "FailureTable.h"
#include "Messages.h"
#include "OverlayRecord.h"
#include "Registry.h"
#include "ServerOptions.h"

#include <QImage>
#include <QList>
#include <QObject>

#include <functional>
#include <map>

namespace vrsim {

class PeerConnection;

// The runtime's state and what applications do to it: the registry, the overlays and their
// owners, the dashboard, armed failures and the display timing. Control commands act on it
// through the public operations below.
class Runtime : public QObject
{
    Q_OBJECT

public:
    Runtime(const ServerOptions &options, Registry &registry, QObject *parent = nullptr);

    void handleHello(PeerConnection *peer, const Message &hello);
    void handleApplicationMessage(PeerConnection *peer, const Message &message);
    void removeConnection(PeerConnection *peer);

    const ServerOptions &options() const { return m_options; }
    const Registry &registry() const { return m_registry; }
    const QList<PeerConnection *> &applications() const { return m_applications; }
    const std::map<quint64, OverlayRecord> &overlays() const { return m_overlays; }
    const OverlayRecord *findOverlay(const QString &key) const;
    bool dashboardOpen() const { return m_dashboardOpen; }
    const FailureTable &failures() const { return m_failures; }
    quint64 frame() const;
    quint64 applicationMessages() const { return m_applicationMessages; }
    quint64 framesReceived() const { return m_framesReceived; }
    // Process ids of the applications that called AcknowledgeQuit_Exiting, in order; kept after
    // they disconnect, since that is what they do next.
    const QList<qint64> &quitAcknowledgedBy() const { return m_quitAcknowledgedBy; }

    void setDashboardOpen(bool open);
    // An error message, or empty once the event is on its way.
    QString queueInput(const QString &key, InputAction action, double x, double y, int button);
    void sendQuit();
    void armFailure(ApiMethod method, int code, int count);
    void wantFrame(quint64 handle);
    void syncApplications(std::function<void()> done);

signals:
    void frameArrived(quint64 handle, const QImage &image);
    void overlayRemoved(quint64 handle);
    // Something a person looking at the overlays would see changed: an overlay came or went, one
    // of its properties (but its transform) or the dashboard changed.
    void overlaysChanged();

private:
    // One per message of ApplicationMessages; `id` is the request's, for its reply.
    void handle(PeerConnection *peer, quint32 id, const msg::CreateOverlay &request);
    void handle(PeerConnection *peer, quint32 id, const msg::SetOverlayFromFile &request);
    void handle(PeerConnection *peer, quint32 id, const msg::TryFailure &request);
    void handle(PeerConnection *peer, quint32 id, const msg::AddManifest &request);
    void handle(PeerConnection *peer, quint32 id, const msg::RemoveManifest &request);
    void handle(PeerConnection *peer, quint32 id, const msg::IsInstalled &request);
    void handle(PeerConnection *peer, quint32 id, const msg::SetAutoLaunch &request);
    void handle(PeerConnection *peer, quint32 id, const msg::GetAutoLaunch &request);
    void handle(PeerConnection *peer, quint32 id, const msg::SetOverlayVisible &update);
    void handle(PeerConnection *peer, quint32 id, const msg::SetOverlayMouseScale &update);
    void handle(PeerConnection *peer, quint32 id, const msg::SetOverlayWidthInMeters &update);
    void handle(PeerConnection *peer, quint32 id, const msg::SetOverlayAlpha &update);
    void handle(PeerConnection *peer, quint32 id, const msg::SetOverlayInputMethod &update);
    void handle(PeerConnection *peer, quint32 id, const msg::SetOverlayTransform &update);
    void handle(PeerConnection *peer, quint32 id, const msg::Frame &frame);
    void handle(PeerConnection *peer, quint32 id, const msg::QuitAcknowledged &notice);
    void handle(PeerConnection *peer, quint32 id, const msg::SyncReply &reply);

    int takeFailure(ApiMethod method);
    void broadcastArmedFailures();
    OverlayRecord *ownedOverlay(PeerConnection *peer, quint64 handle);
    void sendEvent(
        PeerConnection *peer, quint64 handle, vr::EVREventType type, double x = 0, double y = 0, int button = 0);
    // Typed by the request, so an answer of the wrong shape does not compile.
    template<class Request>
    void reply(PeerConnection *peer, quint32 id, const typename Request::Reply &answer);

    ServerOptions m_options;
    Registry &m_registry;
    DisplayTiming m_timing;
    FailureTable m_failures;
    ClientSync m_sync;
    QList<PeerConnection *> m_applications;
    std::map<quint64, OverlayRecord> m_overlays;
    quint64 m_nextHandle;
    bool m_dashboardOpen = false;
    quint64 m_applicationMessages = 0;
    quint64 m_framesReceived = 0;
    QList<qint64> m_quitAcknowledgedBy;
};

} // namespace vrsim
