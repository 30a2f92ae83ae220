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

Message success(quint32 id)
{
    return Message(MessageType::Reply, id) << 0 << "";
}

Message failure(quint32 id, const QString &error)
{
    return Message(MessageType::Reply, id) << 1 << error.toStdString();
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
    MessageReader reader(request);
    switch (request.type) {
    case MessageType::Status: {
        QPointer<PeerConnection> guard(peer);
        const quint32 id = request.id;
        // Applications count their submits themselves; the sync brings the counts in.
        m_runtime.syncApplications([this, guard, id] {
            if (guard)
                guard->send(success(id) << jsonBytes(statusReport(m_runtime)));
        });
        return;
    }
    case MessageType::Counters:
        peer->send(success(request.id) << jsonBytes(QJsonObject {
                       {QStringLiteral("applicationMessages"), static_cast<qint64>(m_runtime.applicationMessages())},
                       {QStringLiteral("framesReceived"), static_cast<qint64>(m_runtime.framesReceived())}}));
        return;
    case MessageType::Snapshot:
        snapshot(peer, request);
        return;
    case MessageType::Input: {
        const QString key = QString::fromStdString(reader.text());
        const auto action = static_cast<InputAction>(reader.integer());
        const double x = reader.real();
        const double y = reader.real();
        const int button = static_cast<int>(reader.integer());
        if (!reader.ok())
            break;
        const QString error = m_runtime.queueInput(key, action, x, y, button);
        if (!error.isEmpty()) {
            peer->send(failure(request.id, error));
            return;
        }
        succeedAfterSync(peer, request.id);
        return;
    }
    case MessageType::Dashboard: {
        const bool open = reader.integer() != 0;
        if (!reader.ok())
            break;
        m_runtime.setDashboardOpen(open);
        succeedAfterSync(peer, request.id);
        return;
    }
    case MessageType::Quit:
        m_runtime.sendQuit();
        succeedAfterSync(peer, request.id);
        return;
    case MessageType::Fail: {
        const std::string name = reader.text();
        const int64_t code = reader.integer();
        const int64_t count = reader.integer();
        if (!reader.ok())
            break;
        const std::optional<ApiMethod> method = apiMethodFromName(name);
        if (!method) {
            peer->send(failure(request.id,
                QStringLiteral("no API method %1 can fail; these can: %2")
                    .arg(QString::fromStdString(name), QString::fromStdString(apiMethodNames()))));
            return;
        }
        if (count < 1 || code == 0 || code < INT32_MIN || code > INT32_MAX) {
            peer->send(failure(request.id, QStringLiteral("a failure needs a non-zero code and a count of 1 or more")));
            return;
        }
        m_runtime.armFailure(*method, static_cast<int>(code), static_cast<int>(qMin<int64_t>(count, INT32_MAX)));
        succeedAfterSync(peer, request.id);
        return;
    }
    case MessageType::Stop:
        peer->send(success(request.id));
        emit stopRequested();
        return;
    default:
        break;
    }
    peer->send(failure(request.id, QStringLiteral("malformed request")));
}

void ControlHandler::snapshot(PeerConnection *peer, const Message &request)
{
    MessageReader reader(request);
    const QString key = QString::fromStdString(reader.text());
    const int64_t timeoutMs = reader.integer();
    if (!reader.ok() || timeoutMs < 0) {
        peer->send(failure(request.id, QStringLiteral("malformed request")));
        return;
    }
    const OverlayRecord *overlay = m_runtime.findOverlay(key);
    if (!overlay) {
        peer->send(failure(request.id, QStringLiteral("no overlay with key %1").arg(key)));
        return;
    }
    const quint64 handle = overlay->handle;
    auto *timer = new QTimer(this);
    timer->setSingleShot(true);
    // A coarse timer may fire up to 5% early, and a caller that asked for S seconds must get at
    // least S: the deadline decides, the timer only wakes us.
    timer->setTimerType(Qt::PreciseTimer);
    const QDeadlineTimer deadline(timeoutMs, Qt::PreciseTimer);
    const quint32 id = request.id;
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
    Bytes pixels;
    pixels.reserve(static_cast<size_t>(rgba.width()) * static_cast<size_t>(rgba.height()) * 4);
    for (int y = 0; y < rgba.height(); ++y) {
        const uchar *line = rgba.constScanLine(y);
        pixels.insert(pixels.end(), line, line + static_cast<ptrdiff_t>(rgba.width()) * 4);
    }
    for (const PendingSnapshot &entry : pending) {
        entry.timer->stop();
        entry.timer->deleteLater();
        if (entry.peer)
            entry.peer->send(success(entry.id) << rgba.width() << rgba.height() << pixels);
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
            guard->send(success(id));
    });
}

} // namespace vrsim
