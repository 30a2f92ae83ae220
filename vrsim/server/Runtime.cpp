#include "Runtime.h"

#include "Codec.h"
#include "OverlayImage.h"
#include "PeerConnection.h"

#include <QDebug>
#include <QDir>

#include <cmath>

namespace vrsim {

namespace {

constexpr int kMaxKeyLength = static_cast<int>(vr::k_unVROverlayMaxKeyLength);
constexpr int kMaxNameLength = static_cast<int>(vr::k_unVROverlayMaxNameLength);

// Handles beyond 32 bits: a program that keeps them in a narrower type breaks here, not on a
// headset.
constexpr quint64 kFirstHandle = 0x100000001ull;

msg::Result result(int code)
{
    msg::Result answer;
    answer.code = code;
    return answer;
}

} // namespace

template<class Request>
void Runtime::reply(PeerConnection *peer, quint32 id, const typename Request::Reply &answer)
{
    peer->send(answer, id);
}

Runtime::Runtime(const ServerOptions &options, Registry &registry, QObject *parent)
    : QObject(parent)
    , m_options(options)
    , m_registry(registry)
    , m_sync(this)
    , m_nextHandle(kFirstHandle)
{
    m_timing.hz = options.hz;
    m_timing.secondsFromVsyncToPhotons = options.secondsFromVsyncToPhotons;
    m_timing.epochNs = monotonicNs();
}

quint64 Runtime::frame() const
{
    return m_timing.frameAt(monotonicNs());
}

void Runtime::handleHello(PeerConnection *peer, const Message &message)
{
    const std::optional<msg::Hello> hello = msg::Hello::decode(message);
    if (!hello || (hello->role != ConnectionRole::Application && hello->role != ConnectionRole::Control)) {
        peer->close();
        return;
    }
    peer->setRole(hello->role);
    msg::HelloReply answer;
    if (hello->role == ConnectionRole::Control) {
        reply<msg::Hello>(peer, message.id, answer);
        return;
    }

    ++m_applicationMessages;
    answer.initError = m_options.noHmd ? vr::VRInitError_Init_HmdNotFound : takeFailure(ApiMethod::VR_InitInternal2);
    if (answer.initError != vr::VRInitError_None) {
        reply<msg::Hello>(peer, message.id, answer);
        peer->close();
        return;
    }
    peer->setApplicationType(hello->applicationType);
    m_applications.append(peer);
    answer.hz = m_timing.hz;
    answer.secondsFromVsyncToPhotons = m_timing.secondsFromVsyncToPhotons;
    answer.epochNs = m_timing.epochNs;
    answer.dashboardOpen = m_dashboardOpen;
    answer.armedFailures = m_failures.armedMask();
    reply<msg::Hello>(peer, message.id, answer);
}

void Runtime::handleApplicationMessage(PeerConnection *peer, const Message &message)
{
    ++m_applicationMessages;
    const Dispatch result
        = dispatch(ApplicationMessages(), message, [&](const auto &decoded) { handle(peer, message.id, decoded); });
    if (result == Dispatch::Handled)
        return;
    qWarning().noquote() << QStringLiteral("vrsim: dropping application %1: %2 message %3")
                                .arg(peer->pid())
                                .arg(result == Dispatch::Malformed ? QStringLiteral("malformed")
                                                                   : QStringLiteral("unexpected"))
                                .arg(static_cast<int>(message.type));
    peer->close();
}

void Runtime::handle(PeerConnection *peer, quint32 id, const msg::CreateOverlay &request)
{
    const QString key = QString::fromStdString(request.key);
    const QString name = QString::fromStdString(request.name);
    const bool dashboard = request.dashboard;
    msg::CreateOverlayReply answer;
    auto fail = [&](int error) {
        answer.error = error;
        reply<msg::CreateOverlay>(peer, id, answer);
    };
    if (const int error = takeFailure(dashboard ? ApiMethod::CreateDashboardOverlay : ApiMethod::CreateOverlay))
        return fail(error);
    if (key.isEmpty() || name.isEmpty())
        return fail(vr::VROverlayError_InvalidParameter);
    if (key.toUtf8().size() > kMaxKeyLength)
        return fail(vr::VROverlayError_KeyTooLong);
    if (name.toUtf8().size() > kMaxNameLength)
        return fail(vr::VROverlayError_NameTooLong);
    if (findOverlay(key))
        return fail(vr::VROverlayError_KeyInUse);

    OverlayRecord overlay;
    overlay.handle = m_nextHandle++;
    overlay.key = key;
    overlay.name = name;
    overlay.owner = peer;
    overlay.dashboard = dashboard;
    overlay.visible = dashboard && m_dashboardOpen;
    quint64 thumbnailHandle = 0;
    if (dashboard) {
        OverlayRecord thumbnail;
        thumbnail.handle = thumbnailHandle = m_nextHandle++;
        thumbnail.owner = peer;
        thumbnail.dashboard = true;
        thumbnail.thumbnail = true;
        thumbnail.partner = overlay.handle;
        thumbnail.visible = overlay.visible;
        overlay.partner = thumbnail.handle;
        m_overlays[thumbnail.handle] = thumbnail;
    }
    m_overlays[overlay.handle] = overlay;
    answer.error = vr::VROverlayError_None;
    answer.handle = overlay.handle;
    answer.thumbnailHandle = thumbnailHandle;
    answer.visible = overlay.visible;
    reply<msg::CreateOverlay>(peer, id, answer);
    emit overlaysChanged();
}

void Runtime::handle(PeerConnection *peer, quint32 id, const msg::SetOverlayFromFile &request)
{
    const QString path = QDir::cleanPath(QString::fromStdString(request.path));
    int error = takeFailure(ApiMethod::SetOverlayFromFile);
    OverlayRecord *overlay = ownedOverlay(peer, request.handle);
    if (!error && !overlay)
        error = vr::VROverlayError_InvalidHandle;
    if (!error)
        error = checkOverlayImage(path);
    if (!error)
        overlay->file = path;
    reply<msg::SetOverlayFromFile>(peer, id, result(error));
}

void Runtime::handle(PeerConnection *peer, quint32 id, const msg::TryFailure &request)
{
    if (request.method >= ApiMethod::Count) {
        qWarning().noquote() << QStringLiteral("vrsim: dropping application %1: no API method %2")
                                    .arg(peer->pid())
                                    .arg(static_cast<int>(request.method));
        peer->close();
        return;
    }
    reply<msg::TryFailure>(peer, id, result(takeFailure(request.method)));
}

void Runtime::handle(PeerConnection *peer, quint32 id, const msg::AddManifest &request)
{
    int answer = takeFailure(ApiMethod::AddApplicationManifest);
    if (!answer)
        answer = m_registry.addManifest(QString::fromStdString(request.path), request.temporary);
    reply<msg::AddManifest>(peer, id, result(answer));
}

void Runtime::handle(PeerConnection *peer, quint32 id, const msg::RemoveManifest &request)
{
    int answer = takeFailure(ApiMethod::RemoveApplicationManifest);
    if (!answer)
        answer = m_registry.removeManifest(QString::fromStdString(request.path));
    reply<msg::RemoveManifest>(peer, id, result(answer));
}

void Runtime::handle(PeerConnection *peer, quint32 id, const msg::IsInstalled &request)
{
    reply<msg::IsInstalled>(peer, id, result(m_registry.isInstalled(QString::fromStdString(request.appKey))));
}

void Runtime::handle(PeerConnection *peer, quint32 id, const msg::SetAutoLaunch &request)
{
    int answer = takeFailure(ApiMethod::SetApplicationAutoLaunch);
    if (!answer)
        answer = m_registry.setAutoLaunch(QString::fromStdString(request.appKey), request.autoLaunch);
    reply<msg::SetAutoLaunch>(peer, id, result(answer));
}

void Runtime::handle(PeerConnection *peer, quint32 id, const msg::GetAutoLaunch &request)
{
    reply<msg::GetAutoLaunch>(peer, id, result(m_registry.autoLaunch(QString::fromStdString(request.appKey))));
}

// Overlay changes: the overlay may be gone already, and nothing waits for an answer.
void Runtime::handle(PeerConnection *peer, quint32, const msg::SetOverlayVisible &update)
{
    OverlayRecord *overlay = ownedOverlay(peer, update.handle);
    if (!overlay || overlay->dashboard || overlay->visible == update.visible)
        return;
    overlay->visible = update.visible;
    overlay->noteVisibility(monotonicNs());
    sendEvent(peer, update.handle, update.visible ? vr::VREvent_OverlayShown : vr::VREvent_OverlayHidden);
    emit overlaysChanged();
}

void Runtime::handle(PeerConnection *peer, quint32, const msg::SetOverlayMouseScale &update)
{
    if (OverlayRecord *overlay = ownedOverlay(peer, update.handle)) {
        overlay->mouseScale = {update.width, update.height};
        emit overlaysChanged();
    }
}

void Runtime::handle(PeerConnection *peer, quint32, const msg::SetOverlayWidthInMeters &update)
{
    if (OverlayRecord *overlay = ownedOverlay(peer, update.handle)) {
        overlay->widthInMeters = update.meters;
        emit overlaysChanged();
    }
}

void Runtime::handle(PeerConnection *peer, quint32, const msg::SetOverlayAlpha &update)
{
    if (OverlayRecord *overlay = ownedOverlay(peer, update.handle)) {
        overlay->alpha = update.alpha;
        emit overlaysChanged();
    }
}

void Runtime::handle(PeerConnection *peer, quint32, const msg::SetOverlayInputMethod &update)
{
    if (OverlayRecord *overlay = ownedOverlay(peer, update.handle)) {
        overlay->inputMethod = update.method;
        emit overlaysChanged();
    }
}

void Runtime::handle(PeerConnection *peer, quint32, const msg::SetOverlayTransform &update)
{
    if (OverlayRecord *overlay = ownedOverlay(peer, update.handle)) {
        overlay->hasTransform = true;
        overlay->transformDevice = update.device;
        overlay->transform = update.matrix;
        // A head-locked overlay sends this every display frame and nobody watching shows it, so
        // no overlaysChanged().
    }
}

void Runtime::handle(PeerConnection *peer, quint32, const msg::Frame &frame)
{
    OverlayRecord *overlay = ownedOverlay(peer, frame.handle);
    const int64_t width = frame.width;
    const int64_t height = frame.height;
    if (!overlay || width <= 0 || height <= 0 || width > kMaxFrameSide || height > kMaxFrameSide
        || frame.pixels.size() != static_cast<size_t>(width * height * 4))
        return;
    overlay->submits = frame.submits;
    overlay->textureWidth = frame.width;
    overlay->textureHeight = frame.height;
    ++m_framesReceived;
    const QImage bottomUp(frame.pixels.data(), frame.width, frame.height, frame.width * 4, QImage::Format_RGBA8888);
    // OpenGL stores the bottom row first; everyone downstream wants the picture upright.
    emit frameArrived(frame.handle, bottomUp.mirrored(false, true));
}

void Runtime::handle(PeerConnection *peer, quint32, const msg::QuitAcknowledged &)
{
    m_quitAcknowledgedBy.append(peer->pid());
}

void Runtime::handle(PeerConnection *peer, quint32 id, const msg::SyncReply &reply)
{
    // The counts first: answering may complete the command that asked for them.
    for (const msg::OverlayCounts &counts : reply.overlays) {
        if (OverlayRecord *overlay = ownedOverlay(peer, counts.handle)) {
            overlay->submits = counts.submits;
            overlay->textureWidth = counts.textureWidth;
            overlay->textureHeight = counts.textureHeight;
        }
    }
    m_sync.answer(peer, id);
}

void Runtime::removeConnection(PeerConnection *peer)
{
    m_sync.forget(peer);
    if (!m_applications.removeOne(peer))
        return;
    for (auto it = m_overlays.begin(); it != m_overlays.end();) {
        if (it->second.owner != peer) {
            ++it;
            continue;
        }
        const quint64 handle = it->first;
        it = m_overlays.erase(it);
        emit overlayRemoved(handle);
    }
    emit overlaysChanged();
}

const OverlayRecord *Runtime::findOverlay(const QString &key) const
{
    for (const auto &[handle, overlay] : m_overlays) {
        if (!overlay.thumbnail && overlay.key == key)
            return &overlay;
    }
    return nullptr;
}

void Runtime::setDashboardOpen(bool open)
{
    if (m_dashboardOpen == open)
        return;
    m_dashboardOpen = open;
    for (PeerConnection *peer : qAsConst(m_applications)) {
        msg::DashboardState state;
        state.open = open;
        peer->send(state);
        sendEvent(peer, 0, open ? vr::VREvent_DashboardActivated : vr::VREvent_DashboardDeactivated);
    }
    for (auto &[handle, overlay] : m_overlays) {
        if (!overlay.dashboard)
            continue;
        overlay.visible = open;
        overlay.noteVisibility(monotonicNs());
        msg::OverlayVisibility visibility;
        visibility.handle = handle;
        visibility.visible = open;
        overlay.owner->send(visibility);
        sendEvent(overlay.owner, handle, open ? vr::VREvent_OverlayShown : vr::VREvent_OverlayHidden);
    }
    emit overlaysChanged();
}

QString Runtime::queueInput(const QString &key, InputAction action, double x, double y, int button)
{
    const OverlayRecord *found = findOverlay(key);
    if (!found)
        return QStringLiteral("no overlay with key %1").arg(key);
    OverlayRecord &overlay = m_overlays[found->handle];
    // A headset's pointer reaches only what is shown and asks for the mouse.
    if (overlay.inputMethod != vr::VROverlayInputMethod_Mouse)
        return QStringLiteral("overlay %1 takes no mouse input (its input method is not Mouse)").arg(key);
    if (!overlay.visible)
        return QStringLiteral("overlay %1 is not visible").arg(key);
    if (action == InputAction::Move) {
        if (!(x >= 0 && y >= 0 && x <= overlay.mouseScale[0] && y <= overlay.mouseScale[1]))
            return QStringLiteral("(%1, %2) is outside overlay %3's mouse scale of %4 x %5")
                .arg(x)
                .arg(y)
                .arg(key)
                .arg(overlay.mouseScale[0])
                .arg(overlay.mouseScale[1]);
        overlay.mouseX = x;
        overlay.mouseY = y;
        sendEvent(overlay.owner, overlay.handle, vr::VREvent_MouseMove, x, y);
    } else {
        sendEvent(overlay.owner, overlay.handle,
            action == InputAction::Down ? vr::VREvent_MouseButtonDown : vr::VREvent_MouseButtonUp, overlay.mouseX,
            overlay.mouseY, button);
    }
    return QString();
}

void Runtime::sendQuit()
{
    for (PeerConnection *peer : qAsConst(m_applications))
        sendEvent(peer, 0, vr::VREvent_Quit);
}

void Runtime::armFailure(ApiMethod method, int code, int count)
{
    m_failures.arm(method, code, count);
    broadcastArmedFailures();
}

void Runtime::wantFrame(quint64 handle)
{
    const auto it = m_overlays.find(handle);
    if (it == m_overlays.end())
        return;
    msg::WantFrame want;
    want.handle = handle;
    it->second.owner->send(want);
}

void Runtime::syncApplications(std::function<void()> done)
{
    m_sync.start(m_applications, std::move(done));
}

int Runtime::takeFailure(ApiMethod method)
{
    const uint32_t before = m_failures.armedMask();
    const int code = m_failures.take(method);
    if (m_failures.armedMask() != before)
        broadcastArmedFailures();
    return code;
}

void Runtime::broadcastArmedFailures()
{
    msg::ArmedFailures push;
    push.mask = m_failures.armedMask();
    const Message armed = push.encode();
    for (PeerConnection *peer : qAsConst(m_applications))
        peer->send(armed);
}

OverlayRecord *Runtime::ownedOverlay(PeerConnection *peer, quint64 handle)
{
    const auto it = m_overlays.find(handle);
    return it != m_overlays.end() && it->second.owner == peer ? &it->second : nullptr;
}

void Runtime::sendEvent(PeerConnection *peer, quint64 handle, vr::EVREventType type, double x, double y, int button)
{
    msg::Event event;
    event.handle = handle;
    event.eventType = static_cast<uint32_t>(type);
    event.device = vr::k_unTrackedDeviceIndex_Hmd;
    event.x = x;
    event.y = y;
    event.button = static_cast<uint32_t>(button);
    peer->send(event);
}

} // namespace vrsim
