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

QString text(MessageReader &reader)
{
    return QString::fromStdString(reader.text());
}

} // namespace

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

void Runtime::handleHello(PeerConnection *peer, const Message &hello)
{
    MessageReader reader(hello);
    const auto role = static_cast<ConnectionRole>(reader.integer());
    const int64_t applicationType = reader.atEnd() ? 0 : reader.integer();
    if (!reader.ok() || (role != ConnectionRole::Application && role != ConnectionRole::Control)) {
        peer->close();
        return;
    }
    peer->setRole(role);
    if (role == ConnectionRole::Control) {
        reply(peer, hello, Message() << 0);
        return;
    }

    ++m_applicationMessages;
    const int error = m_options.noHmd ? vr::VRInitError_Init_HmdNotFound : takeFailure(ApiMethod::VR_InitInternal2);
    if (error != vr::VRInitError_None) {
        reply(peer, hello, Message() << error);
        peer->close();
        return;
    }
    peer->setApplicationType(static_cast<int>(applicationType));
    m_applications.append(peer);
    Message answer;
    answer << vr::VRInitError_None << m_timing.hz << m_timing.secondsFromVsyncToPhotons << m_timing.epochNs
           << m_dashboardOpen << m_failures.armedMask();
    reply(peer, hello, answer);
}

void Runtime::handleApplicationMessage(PeerConnection *peer, const Message &message)
{
    ++m_applicationMessages;
    switch (message.type) {
    case MessageType::CreateOverlay:
        createOverlay(peer, message);
        return;
    case MessageType::SetOverlayFromFile:
        setOverlayFromFile(peer, message);
        return;
    case MessageType::OverlayProperty:
        setOverlayProperty(peer, message);
        return;
    case MessageType::Frame:
        receiveFrame(peer, message);
        return;
    case MessageType::Reply:
        receiveSyncReply(peer, message);
        return;
    case MessageType::TryFailure: {
        MessageReader reader(message);
        const int64_t method = reader.integer();
        if (!reader.ok() || method < 0 || method >= static_cast<int64_t>(ApiMethod::Count))
            break;
        reply(peer, message, Message() << takeFailure(static_cast<ApiMethod>(method)));
        return;
    }
    case MessageType::QuitAcknowledged:
        m_quitAcknowledgedBy.append(peer->pid());
        return;
    case MessageType::AddManifest:
    case MessageType::RemoveManifest:
    case MessageType::IsInstalled:
    case MessageType::SetAutoLaunch:
    case MessageType::GetAutoLaunch:
        answerRegistry(peer, message);
        return;
    default:
        break;
    }
    qWarning().noquote() << QStringLiteral("vrsim: dropping application %1: unexpected or malformed message %2")
                                .arg(peer->pid())
                                .arg(static_cast<int>(message.type));
    peer->close();
}

void Runtime::createOverlay(PeerConnection *peer, const Message &request)
{
    MessageReader reader(request);
    const QString key = text(reader);
    const QString name = text(reader);
    const bool dashboard = reader.integer() != 0;
    if (!reader.ok()) {
        peer->close();
        return;
    }
    auto fail = [&](int error) { reply(peer, request, Message() << error << 0 << 0 << false); };
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
    reply(peer, request, Message() << vr::VROverlayError_None << overlay.handle << thumbnailHandle << overlay.visible);
    emit overlaysChanged();
}

void Runtime::setOverlayFromFile(PeerConnection *peer, const Message &request)
{
    MessageReader reader(request);
    const auto handle = static_cast<quint64>(reader.integer());
    const QString path = QDir::cleanPath(text(reader));
    if (!reader.ok()) {
        peer->close();
        return;
    }
    int error = takeFailure(ApiMethod::SetOverlayFromFile);
    OverlayRecord *overlay = ownedOverlay(peer, handle);
    if (!error && !overlay)
        error = vr::VROverlayError_InvalidHandle;
    if (!error)
        error = checkOverlayImage(path);
    if (!error)
        overlay->file = path;
    reply(peer, request, Message() << error);
}

void Runtime::setOverlayProperty(PeerConnection *peer, const Message &update)
{
    MessageReader reader(update);
    const auto handle = static_cast<quint64>(reader.integer());
    const auto property = static_cast<OverlayProperty>(reader.integer());
    OverlayRecord *overlay = ownedOverlay(peer, handle);
    if (!reader.ok() || !overlay) {
        // The overlay may be gone already; nothing waits for an answer.
        return;
    }
    switch (property) {
    case OverlayProperty::Visible: {
        const bool visible = reader.integer() != 0;
        if (!reader.ok() || overlay->dashboard || overlay->visible == visible)
            return;
        overlay->visible = visible;
        overlay->noteVisibility(monotonicNs());
        sendEvent(peer, handle, visible ? vr::VREvent_OverlayShown : vr::VREvent_OverlayHidden);
        break;
    }
    case OverlayProperty::MouseScale: {
        const double width = reader.real();
        const double height = reader.real();
        if (!reader.ok())
            return;
        overlay->mouseScale = {width, height};
        break;
    }
    case OverlayProperty::WidthInMeters: {
        const double width = reader.real();
        if (!reader.ok())
            return;
        overlay->widthInMeters = width;
        break;
    }
    case OverlayProperty::Alpha: {
        const double alpha = reader.real();
        if (!reader.ok())
            return;
        overlay->alpha = alpha;
        break;
    }
    case OverlayProperty::InputMethod: {
        const int64_t method = reader.integer();
        if (!reader.ok())
            return;
        overlay->inputMethod = static_cast<int>(method);
        break;
    }
    case OverlayProperty::Transform: {
        const auto device = static_cast<quint32>(reader.integer());
        std::array<double, 12> matrix;
        for (double &value : matrix)
            value = reader.real();
        if (!reader.ok())
            return;
        overlay->hasTransform = true;
        overlay->transformDevice = device;
        overlay->transform = matrix;
        // A head-locked overlay sends this every display frame and nobody watching shows it.
        return;
    }
    }
    emit overlaysChanged();
}

void Runtime::receiveFrame(PeerConnection *peer, const Message &frame)
{
    MessageReader reader(frame);
    const auto handle = static_cast<quint64>(reader.integer());
    const auto submits = static_cast<quint64>(reader.integer());
    const int64_t width = reader.integer();
    const int64_t height = reader.integer();
    const Bytes &pixels = reader.bytes();
    OverlayRecord *overlay = ownedOverlay(peer, handle);
    if (!reader.ok() || !overlay || width <= 0 || height <= 0 || width > kMaxFrameSide || height > kMaxFrameSide
        || pixels.size() != static_cast<size_t>(width * height * 4))
        return;
    overlay->submits = submits;
    overlay->textureWidth = static_cast<int>(width);
    overlay->textureHeight = static_cast<int>(height);
    ++m_framesReceived;
    const QImage bottomUp(pixels.data(), static_cast<int>(width), static_cast<int>(height), static_cast<int>(width * 4),
        QImage::Format_RGBA8888);
    // OpenGL stores the bottom row first; everyone downstream wants the picture upright.
    emit frameArrived(handle, bottomUp.mirrored(false, true));
}

void Runtime::receiveSyncReply(PeerConnection *peer, const Message &reply)
{
    // The counts first: answering may complete the command that asked for them.
    MessageReader reader(reply);
    while (!reader.atEnd()) {
        const auto handle = static_cast<quint64>(reader.integer());
        const auto submits = static_cast<quint64>(reader.integer());
        const int64_t width = reader.integer();
        const int64_t height = reader.integer();
        if (!reader.ok())
            break;
        if (OverlayRecord *overlay = ownedOverlay(peer, handle)) {
            overlay->submits = submits;
            overlay->textureWidth = static_cast<int>(width);
            overlay->textureHeight = static_cast<int>(height);
        }
    }
    m_sync.answer(peer, reply.id);
}

void Runtime::answerRegistry(PeerConnection *peer, const Message &request)
{
    MessageReader reader(request);
    const QString argument = text(reader);
    const bool flag = reader.atEnd() ? false : reader.integer() != 0;
    if (!reader.ok()) {
        peer->close();
        return;
    }
    int answer = 0;
    switch (request.type) {
    case MessageType::AddManifest:
        answer = takeFailure(ApiMethod::AddApplicationManifest);
        if (!answer)
            answer = m_registry.addManifest(argument, flag);
        break;
    case MessageType::RemoveManifest:
        answer = takeFailure(ApiMethod::RemoveApplicationManifest);
        if (!answer)
            answer = m_registry.removeManifest(argument);
        break;
    case MessageType::SetAutoLaunch:
        answer = takeFailure(ApiMethod::SetApplicationAutoLaunch);
        if (!answer)
            answer = m_registry.setAutoLaunch(argument, flag);
        break;
    case MessageType::IsInstalled:
        answer = m_registry.isInstalled(argument);
        break;
    case MessageType::GetAutoLaunch:
        answer = m_registry.autoLaunch(argument);
        break;
    default:
        break;
    }
    reply(peer, request, Message() << answer);
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
        peer->send(Message(MessageType::DashboardState) << open);
        sendEvent(peer, 0, open ? vr::VREvent_DashboardActivated : vr::VREvent_DashboardDeactivated);
    }
    for (auto &[handle, overlay] : m_overlays) {
        if (!overlay.dashboard)
            continue;
        overlay.visible = open;
        overlay.noteVisibility(monotonicNs());
        overlay.owner->send(Message(MessageType::OverlayVisibility) << handle << open);
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
    if (it != m_overlays.end())
        it->second.owner->send(Message(MessageType::WantFrame) << handle);
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
    const Message armed = Message(MessageType::ArmedFailures) << m_failures.armedMask();
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
    Message event(MessageType::Event);
    event << handle << static_cast<int64_t>(type) << static_cast<int64_t>(vr::k_unTrackedDeviceIndex_Hmd) << x << y
          << button;
    peer->send(event);
}

void Runtime::reply(PeerConnection *peer, const Message &request, Message answer)
{
    answer.type = MessageType::Reply;
    answer.id = request.id;
    peer->send(answer);
}

} // namespace vrsim
