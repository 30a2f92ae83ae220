#include "ControlHandler.h"

#include "ApiMethod.h"
#include "PeerConnection.h"
#include "Runtime.h"
#include "StatusReport.h"

#include <QDeadlineTimer>
#include <QJsonDocument>
#include <QTimer>

namespace vrsim {

namespace {

msg::ControlReply success()
{
    return msg::ControlReply();
}

// Every control reply starts with the outcome, so a failure is a ControlReply whatever the
// request's own reply holds.
Message failure(quint32 id, const QString &error)
{
    msg::ControlReply reply;
    reply.outcome.failed = true;
    reply.outcome.error = error.toStdString();
    return reply.encode(id);
}

Bytes jsonBytes(const QJsonObject &object)
{
    const QByteArray json = QJsonDocument(object).toJson(QJsonDocument::Indented);
    return Bytes(json.begin(), json.end());
}

} // namespace

ControlHandler::ControlHandler(Runtime &runtime, QObject *parent)
    : QObject(parent)
    , m_runtime(runtime)
{
    connect(&m_runtime, &Runtime::frameArrived, this, &ControlHandler::deliverFrame);
    connect(&m_runtime, &Runtime::overlayRemoved, this, &ControlHandler::dropSnapshots);
}

void ControlHandler::handle(PeerConnection *peer, const Message &request)
{
    if (dispatch(ControlRequests(), request, [&](const auto &decoded) { handle(peer, request.id, decoded); })
        != Dispatch::Handled)
        peer->send(failure(request.id, QStringLiteral("malformed request")));
}

void ControlHandler::handle(PeerConnection *peer, quint32 id, const msg::Status &)
{
    QPointer<PeerConnection> guard(peer);
    // Applications count their submits themselves; the sync brings the counts in.
    m_runtime.syncApplications([this, guard, id] {
        if (!guard)
            return;
        msg::JsonReply reply;
        reply.json = jsonBytes(statusReport(m_runtime));
        guard->send(reply, id);
    });
}

void ControlHandler::handle(PeerConnection *peer, quint32 id, const msg::Counters &)
{
    msg::JsonReply reply;
    reply.json = jsonBytes(
        QJsonObject {{QStringLiteral("applicationMessages"), static_cast<qint64>(m_runtime.applicationMessages())},
            {QStringLiteral("framesReceived"), static_cast<qint64>(m_runtime.framesReceived())}});
    peer->send(reply, id);
}

void ControlHandler::handle(PeerConnection *peer, quint32 id, const msg::Input &request)
{
    const QString error = m_runtime.queueInput(
        QString::fromStdString(request.key), request.action, request.x, request.y, request.button);
    if (!error.isEmpty()) {
        peer->send(failure(id, error));
        return;
    }
    succeedAfterSync(peer, id);
}

void ControlHandler::handle(PeerConnection *peer, quint32 id, const msg::Dashboard &request)
{
    m_runtime.setDashboardOpen(request.open);
    succeedAfterSync(peer, id);
}

void ControlHandler::handle(PeerConnection *peer, quint32 id, const msg::Quit &)
{
    m_runtime.sendQuit();
    succeedAfterSync(peer, id);
}

void ControlHandler::handle(PeerConnection *peer, quint32 id, const msg::Fail &request)
{
    const std::optional<ApiMethod> method = apiMethodFromName(request.method);
    if (!method) {
        peer->send(failure(id,
            QStringLiteral("no API method %1 can fail; these can: %2")
                .arg(QString::fromStdString(request.method), QString::fromStdString(apiMethodNames()))));
        return;
    }
    if (request.count < 1 || request.code == 0 || request.code < INT32_MIN || request.code > INT32_MAX) {
        peer->send(failure(id, QStringLiteral("a failure needs a non-zero code and a count of 1 or more")));
        return;
    }
    m_runtime.armFailure(
        *method, static_cast<int>(request.code), static_cast<int>(qMin<int64_t>(request.count, INT32_MAX)));
    succeedAfterSync(peer, id);
}

void ControlHandler::handle(PeerConnection *peer, quint32 id, const msg::Stop &)
{
    peer->send(success(), id);
    emit stopRequested();
}

void ControlHandler::handle(PeerConnection *peer, quint32 id, const msg::Snapshot &request)
{
    const QString key = QString::fromStdString(request.key);
    const int64_t timeoutMs = request.timeoutMs;
    if (timeoutMs < 0) {
        peer->send(failure(id, QStringLiteral("malformed request")));
        return;
    }
    const OverlayRecord *overlay = m_runtime.findOverlay(key);
    if (!overlay) {
        peer->send(failure(id, QStringLiteral("no overlay with key %1").arg(key)));
        return;
    }
    const quint64 handle = overlay->handle;
    auto *timer = new QTimer(this);
    timer->setSingleShot(true);
    // A coarse timer may fire up to 5% early, and a caller that asked for S seconds must get at
    // least S: the deadline decides, the timer only wakes us.
    timer->setTimerType(Qt::PreciseTimer);
    const QDeadlineTimer deadline(timeoutMs, Qt::PreciseTimer);
    connect(timer, &QTimer::timeout, this, [this, handle, timer, timeoutMs, deadline] {
        if (!deadline.hasExpired()) {
            timer->start(static_cast<int>(qMin<qint64>(deadline.remainingTime() + 1, INT32_MAX)));
            return;
        }
        QList<PendingSnapshot> &pending = m_snapshots[handle];
        for (int i = 0; i < pending.size(); ++i) {
            if (pending[i].timer != timer)
                continue;
            if (pending[i].peer) {
                pending[i].peer->send(failure(pending[i].id,
                    QStringLiteral("overlay %1 submitted no frame within %2 s")
                        .arg(pending[i].key)
                        .arg(static_cast<double>(timeoutMs) / 1000.0)));
            }
            pending.removeAt(i);
            break;
        }
        if (pending.isEmpty())
            m_snapshots.remove(handle);
        timer->deleteLater();
    });
    m_snapshots[handle].append({QPointer<PeerConnection>(peer), id, key, timer});
    timer->start(static_cast<int>(qMin<int64_t>(timeoutMs, INT32_MAX)));
    m_runtime.wantFrame(handle);
}

void ControlHandler::deliverFrame(quint64 handle, const QImage &image)
{
    const QList<PendingSnapshot> pending = m_snapshots.take(handle);
    if (pending.isEmpty())
        return;
    const QImage rgba = image.convertToFormat(QImage::Format_RGBA8888);
    msg::SnapshotReply reply;
    reply.width = rgba.width();
    reply.height = rgba.height();
    reply.pixels.reserve(static_cast<size_t>(rgba.width()) * static_cast<size_t>(rgba.height()) * 4);
    for (int y = 0; y < rgba.height(); ++y) {
        const uchar *line = rgba.constScanLine(y);
        reply.pixels.insert(reply.pixels.end(), line, line + static_cast<ptrdiff_t>(rgba.width()) * 4);
    }
    for (const PendingSnapshot &entry : pending) {
        entry.timer->stop();
        entry.timer->deleteLater();
        if (entry.peer)
            entry.peer->send(reply, entry.id);
    }
}

void ControlHandler::dropSnapshots(quint64 handle)
{
    const QList<PendingSnapshot> pending = m_snapshots.take(handle);
    for (const PendingSnapshot &entry : pending) {
        entry.timer->stop();
        entry.timer->deleteLater();
        if (entry.peer)
            entry.peer->send(failure(entry.id, QStringLiteral("overlay %1 went away").arg(entry.key)));
    }
}

void ControlHandler::succeedAfterSync(PeerConnection *peer, quint32 id)
{
    QPointer<PeerConnection> guard(peer);
    m_runtime.syncApplications([guard, id] {
        if (guard)
            guard->send(success(), id);
    });
}

} // namespace vrsim
