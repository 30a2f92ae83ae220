// Plays an application with one panel: `vrsim_panel_client KEY WIDTH HEIGHT [--dashboard]
// [--mouse-scale W H] [--head-locked]` creates overlay KEY, takes mouse input with a mouse scale
// of W x H (default WIDTH x HEIGHT), shows it (a world overlay) and submits panelPicture() of
// WIDTH x HEIGHT as an OpenGL texture every few milliseconds, as the program does on its ticks;
// head-locked, it also moves a little relative to the headset on every tick, as the HUD does
// while it glides into place. It says
// "ready" once set up and prints every mouse event of the overlay as a line: "move X Y",
// "down B", "up B". Lines on stdin: "hide", "show", "mouse", "no-mouse" (the input method), each
// answered with "ok" once the call is made. Ends when stdin closes.
#include "GlTestContext.h"
#include "PanelPicture.h"

#include <openvr.h>

#include <QGuiApplication>
#include <QSocketNotifier>
#include <QTextStream>
#include <QTimer>

#include <unistd.h>

namespace {

void say(const QString &line)
{
    QTextStream out(stdout);
    out << line << '\n';
    out.flush();
}

} // namespace

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    QStringList arguments = QCoreApplication::arguments().mid(1);
    const bool dashboard = arguments.removeAll(QStringLiteral("--dashboard")) > 0;
    const bool headLocked = arguments.removeAll(QStringLiteral("--head-locked")) > 0;
    QSizeF mouseScale;
    const int scaleOption = arguments.indexOf(QStringLiteral("--mouse-scale"));
    if (scaleOption >= 0 && scaleOption + 2 < arguments.size()) {
        mouseScale = QSizeF(arguments[scaleOption + 1].toDouble(), arguments[scaleOption + 2].toDouble());
        arguments.erase(arguments.begin() + scaleOption, arguments.begin() + scaleOption + 3);
    }
    if (arguments.size() != 3)
        return 2;
    const QByteArray key = arguments[0].toUtf8();
    const QSize size(arguments[1].toInt(), arguments[2].toInt());
    if (mouseScale.isEmpty())
        mouseScale = size;

    GlTestContext gl;
    if (!gl.create())
        return 3;
    const GLuint texture = gl.upload(panelPicture(size));

    vr::EVRInitError error = vr::VRInitError_None;
    vr::VR_Init(&error, vr::VRApplication_Overlay);
    if (error != vr::VRInitError_None)
        return 4;
    vr::IVROverlay *overlays = vr::VROverlay();
    vr::VROverlayHandle_t handle = vr::k_ulOverlayHandleInvalid;
    vr::VROverlayHandle_t thumbnail = vr::k_ulOverlayHandleInvalid;
    const vr::EVROverlayError created = dashboard
        ? overlays->CreateDashboardOverlay(key.constData(), key.constData(), &handle, &thumbnail)
        : overlays->CreateOverlay(key.constData(), key.constData(), &handle);
    if (created != vr::VROverlayError_None)
        return 5;
    const vr::HmdVector2_t scale {{float(mouseScale.width()), float(mouseScale.height())}};
    overlays->SetOverlayMouseScale(handle, &scale);
    overlays->SetOverlayInputMethod(handle, vr::VROverlayInputMethod_Mouse);
    if (!dashboard)
        overlays->ShowOverlay(handle);

    const vr::Texture_t submitted {
        reinterpret_cast<void *>(uintptr_t(texture)), vr::TextureType_OpenGL, vr::ColorSpace_Gamma};
    QTimer tick;
    vr::HmdMatrix34_t inFront {{{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, -0.3f}}};
    int ticks = 0;
    QObject::connect(&tick, &QTimer::timeout, [&] {
        if (headLocked) {
            inFront.m[2][3] = -0.3f - 0.001f * float(++ticks % 10);
            overlays->SetOverlayTransformTrackedDeviceRelative(handle, vr::k_unTrackedDeviceIndex_Hmd, &inFront);
        }
        overlays->SetOverlayTexture(handle, &submitted);
        vr::VREvent_t event {};
        while (overlays->PollNextOverlayEvent(handle, &event, sizeof event)) {
            if (event.eventType == vr::VREvent_MouseMove)
                say(QStringLiteral("move %1 %2").arg(event.data.mouse.x).arg(event.data.mouse.y));
            else if (event.eventType == vr::VREvent_MouseButtonDown)
                say(QStringLiteral("down %1").arg(event.data.mouse.button));
            else if (event.eventType == vr::VREvent_MouseButtonUp)
                say(QStringLiteral("up %1").arg(event.data.mouse.button));
        }
    });
    tick.start(4);

    QByteArray pending;
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, [&] {
        char buffer[256];
        const ssize_t count = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (count <= 0) {
            input.setEnabled(false);
            QCoreApplication::quit();
            return;
        }
        pending.append(buffer, int(count));
        for (int end = pending.indexOf('\n'); end >= 0; end = pending.indexOf('\n')) {
            const QByteArray line = pending.left(end).trimmed();
            pending.remove(0, end + 1);
            if (line == "hide")
                overlays->HideOverlay(handle);
            else if (line == "show")
                overlays->ShowOverlay(handle);
            else if (line == "mouse")
                overlays->SetOverlayInputMethod(handle, vr::VROverlayInputMethod_Mouse);
            else if (line == "no-mouse")
                overlays->SetOverlayInputMethod(handle, vr::VROverlayInputMethod_None);
            say(QStringLiteral("ok"));
        }
    });
    say(QStringLiteral("ready"));
    const int result = QCoreApplication::exec();
    vr::VR_Shutdown();
    return result;
}
