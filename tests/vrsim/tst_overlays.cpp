#include "ClientHelpers.h"
#include "support/VrsimRuntime.h"

#include <openvr.h>

#include <QtTest>

#include <cmath>
#include <ctime>
#include <limits>

namespace {

vr::IVROverlay *overlays()
{
    return vr::VROverlay();
}

vr::VROverlayHandle_t createWorld(const char *key)
{
    vr::VROverlayHandle_t handle = vr::k_ulOverlayHandleInvalid;
    if (overlays()->CreateOverlay(key, key, &handle) != vr::VROverlayError_None)
        return vr::k_ulOverlayHandleInvalid;
    return handle;
}

struct DashboardHandles
{
    vr::VROverlayHandle_t main = vr::k_ulOverlayHandleInvalid;
    vr::VROverlayHandle_t thumbnail = vr::k_ulOverlayHandleInvalid;
};

DashboardHandles createDashboard(const char *key)
{
    DashboardHandles handles;
    overlays()->CreateDashboardOverlay(key, key, &handles.main, &handles.thumbnail);
    return handles;
}

QJsonObject json(const char *text)
{
    return QJsonDocument::fromJson(QByteArray(text)).object();
}

// The clock the runtime stamps visibility changes with.
double monotonicSeconds()
{
    timespec now {};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

QJsonObject withOwner(QJsonObject overlay)
{
    overlay.insert(QStringLiteral("owner"), QCoreApplication::applicationPid());
    return overlay;
}

} // namespace

class TestOverlays : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void createErrors_data();
    void createErrors();
    void newOverlays_data();
    void newOverlays();
    void statusShowsWhatTheApplicationSet();
    void refusedChangesLeaveTheOverlayAlone_data();
    void refusedChangesLeaveTheOverlayAlone();
    void overlayFromFile_data();
    void overlayFromFile();
    void overlaysVanishWithTheirConnection_data();
    void overlaysVanishWithTheirConnection();
    void worldOverlayVisibility();
    void dashboardDrivesDashboardOverlays();
    void inputEventsArriveInOrder();
    void refusedInput_data();
    void refusedInput();

private:
    VrsimRuntime m_runtime;
};

void TestOverlays::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QVERIFY(m_runtime.start());

    QImage image(64, 32, QImage::Format_RGBA8888);
    image.fill(Qt::darkCyan);
    QVERIFY(image.save(m_runtime.filePath(QStringLiteral("small.png"))));
    QVERIFY(image.save(m_runtime.filePath(QStringLiteral("photo.jpg"))));
    QVERIFY(image.save(m_runtime.filePath(QStringLiteral("image.bmp"))));
    QVERIFY(QImage(1920, 1080, QImage::Format_RGB32).save(m_runtime.filePath(QStringLiteral("largest.png"))));
    QVERIFY(QImage(1921, 8, QImage::Format_RGB32).save(m_runtime.filePath(QStringLiteral("wide.png"))));
    QVERIFY(QImage(8, 1081, QImage::Format_RGB32).save(m_runtime.filePath(QStringLiteral("tall.png"))));
    QFile text(m_runtime.filePath(QStringLiteral("text.png")));
    QVERIFY(text.open(QIODevice::WriteOnly));
    text.write("not a picture\n");
}

void TestOverlays::init()
{
    m_runtime.useInThisProcess();
    vr::EVRInitError error;
    QVERIFY(vr::VR_Init(&error, vr::VRApplication_Overlay));
}

void TestOverlays::cleanup()
{
    vr::VR_Shutdown();
    // The next test may reuse keys: wait until the runtime has let go of this connection.
    QJsonObject status;
    QTRY_VERIFY((status = m_runtime.status()).value(QStringLiteral("clients")).toArray().isEmpty());
    if (status.value(QStringLiteral("dashboardOpen")).toBool())
        m_runtime.run({QStringLiteral("dashboard"), QStringLiteral("close")});
}

void TestOverlays::createErrors_data()
{
    QTest::addColumn<bool>("dashboard");
    QTest::addColumn<QByteArray>("key");
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<int>("expected");

    const QByteArray longest(128, 'k');
    for (const bool dashboard : {false, true}) {
        const char *kind = dashboard ? "dashboard" : "world";
        auto row = [&](const char *what) { return &QTest::newRow(QStringLiteral("%1, %2").arg(kind, what).toUtf8()); };
        *row("key of 128 bytes") << dashboard << longest << QByteArray("name") << int(vr::VROverlayError_None);
        *row("key of 129 bytes") << dashboard << longest + 'k' << QByteArray("name")
                                 << int(vr::VROverlayError_KeyTooLong);
        *row("key of 65 two-byte letters") << dashboard << QString(65, QChar(0xe9)).toUtf8() << QByteArray("name")
                                           << int(vr::VROverlayError_KeyTooLong);
        *row("name of 128 bytes") << dashboard << QByteArray("key") << longest << int(vr::VROverlayError_None);
        *row("name of 129 bytes") << dashboard << QByteArray("key") << longest + 'n'
                                  << int(vr::VROverlayError_NameTooLong);
        *row("key in use") << dashboard << QByteArray("taken") << QByteArray("name")
                           << int(vr::VROverlayError_KeyInUse);
        *row("empty key") << dashboard << QByteArray() << QByteArray("name")
                          << int(vr::VROverlayError_InvalidParameter);
    }
}

void TestOverlays::createErrors()
{
    QFETCH(bool, dashboard);
    QFETCH(QByteArray, key);
    QFETCH(QByteArray, name);
    QFETCH(int, expected);

    QVERIFY(createWorld("taken"));
    vr::VROverlayHandle_t main = 7;
    vr::VROverlayHandle_t thumbnail = 7;
    const int error = dashboard ? overlays()->CreateDashboardOverlay(key, name, &main, &thumbnail)
                                : overlays()->CreateOverlay(key, name, &main);
    QCOMPARE(error, expected);
    const QJsonObject listed = m_runtime.overlay(QString::fromUtf8(key));
    if (expected == vr::VROverlayError_None) {
        QVERIFY(main != vr::k_ulOverlayHandleInvalid);
        QVERIFY(!dashboard || (thumbnail != vr::k_ulOverlayHandleInvalid && thumbnail != main));
        QCOMPARE(listed.value(QStringLiteral("name")).toString(), QString::fromUtf8(name));
        QCOMPARE(listed.value(QStringLiteral("dashboard")).toBool(), dashboard);
    } else {
        QCOMPARE(main, vr::k_ulOverlayHandleInvalid);
        QCOMPARE(m_runtime.status().value(QStringLiteral("overlays")).toArray().size(), 1);
    }
}

void TestOverlays::newOverlays_data()
{
    QTest::addColumn<bool>("dashboard");
    QTest::addColumn<QJsonObject>("expected");

    QTest::newRow("world") << false << json(R"({"key": "fresh", "name": "fresh", "dashboard": false,
        "visible": false, "shownAt": null, "hiddenAt": null, "alpha": 1.0, "widthInMeters": 1.0,
        "mouseScale": [1, 1], "inputMethod": 0,
        "thumbnail": null, "transform": null, "texture": {"submits": 0, "width": 0, "height": 0}})");
    QTest::newRow("dashboard") << true << json(R"({"key": "fresh", "name": "fresh", "dashboard": true,
        "visible": false, "shownAt": null, "hiddenAt": null, "alpha": 1.0, "widthInMeters": 1.0,
        "mouseScale": [1, 1], "inputMethod": 0,
        "thumbnail": {"file": null}, "transform": null, "texture": {"submits": 0, "width": 0, "height": 0}})");
}

void TestOverlays::newOverlays()
{
    QFETCH(bool, dashboard);
    QFETCH(QJsonObject, expected);

    const vr::VROverlayHandle_t handle = dashboard ? createDashboard("fresh").main : createWorld("fresh");
    QVERIFY(handle != vr::k_ulOverlayHandleInvalid);
    QVERIFY(!overlays()->IsOverlayVisible(handle));
    QCOMPARE(m_runtime.overlay(QStringLiteral("fresh")), withOwner(expected));
}

void TestOverlays::statusShowsWhatTheApplicationSet()
{
    const vr::VROverlayHandle_t handle = createWorld("oxaAlertOverlay");
    const vr::HmdVector2_t scale {{1043, 537}};
    QCOMPARE(overlays()->SetOverlayMouseScale(handle, &scale), vr::VROverlayError_None);
    QCOMPARE(overlays()->SetOverlayWidthInMeters(handle, 0.125f), vr::VROverlayError_None);
    QCOMPARE(overlays()->SetOverlayAlpha(handle, 0.0f), vr::VROverlayError_None);
    QCOMPARE(overlays()->SetOverlayInputMethod(handle, vr::VROverlayInputMethod_Mouse), vr::VROverlayError_None);
    const vr::HmdMatrix34_t transform {{{1, 0, 0, 0.25f}, {0, 1, 0, -0.5f}, {0, 0, 1, -0.75f}}};
    QCOMPARE(overlays()->SetOverlayTransformTrackedDeviceRelative(handle, vr::k_unTrackedDeviceIndex_Hmd, &transform),
        vr::VROverlayError_None);
    const double beforeShow = monotonicSeconds();
    QCOMPARE(overlays()->ShowOverlay(handle), vr::VROverlayError_None);
    QVERIFY(overlays()->IsOverlayVisible(handle));

    QJsonObject status = m_runtime.status();
    const double afterStatus = monotonicSeconds();
    // The client sends the change without waiting for it, so the runtime stamps the show when it
    // applies it: after the call began and before it answered the status. Never hidden.
    QJsonArray listed = status.value(QStringLiteral("overlays")).toArray();
    QJsonObject shown = listed.at(0).toObject();
    const double shownAt = shown.take(QStringLiteral("shownAt")).toDouble();
    QVERIFY2(shownAt >= beforeShow && shownAt <= afterStatus,
        qPrintable(QStringLiteral("%1 not in %2..%3")
                       .arg(shownAt, 0, 'f', 6)
                       .arg(beforeShow, 0, 'f', 6)
                       .arg(afterStatus, 0, 'f', 6)));
    listed.replace(0, shown);
    status.insert(QStringLiteral("overlays"), listed);
    QCOMPARE(status.value(QStringLiteral("hz")).toDouble(), 90.0);
    QCOMPARE(status.value(QStringLiteral("dashboardOpen")).toBool(), false);
    QVERIFY(status.value(QStringLiteral("frame")).toDouble() > 0);
    QCOMPARE(status.value(QStringLiteral("clients")).toArray(),
        QJsonArray({QJsonObject {{"pid", QCoreApplication::applicationPid()}, {"type", 2}}}));
    QCOMPARE(status.value(QStringLiteral("overlays")).toArray(),
        QJsonArray({withOwner(json(R"({"key": "oxaAlertOverlay", "name": "oxaAlertOverlay",
                 "dashboard": false, "visible": true, "hiddenAt": null, "alpha": 0.0, "widthInMeters": 0.125,
                 "mouseScale": [1043, 537], "inputMethod": 1, "thumbnail": null,
                 "transform": {"device": 0, "matrix": [[1, 0, 0, 0.25], [0, 1, 0, -0.5], [0, 0, 1, -0.75]]},
                 "texture": {"submits": 0, "width": 0, "height": 0}})"))}));
}

void TestOverlays::refusedChangesLeaveTheOverlayAlone_data()
{
    QTest::addColumn<QString>("call");
    QTest::addColumn<int>("expected");

    QTest::newRow("ShowOverlay on a dashboard overlay") << "show dashboard" << int(vr::VROverlayError_PermissionDenied);
    QTest::newRow("HideOverlay on a thumbnail") << "hide thumbnail" << int(vr::VROverlayError_PermissionDenied);
    QTest::newRow("ShowOverlay on no overlay") << "show unknown" << int(vr::VROverlayError_InvalidHandle);
    QTest::newRow("alpha above 1") << "alpha 1.5" << int(vr::VROverlayError_InvalidParameter);
    QTest::newRow("alpha NaN") << "alpha nan" << int(vr::VROverlayError_InvalidParameter);
    QTest::newRow("width 0") << "width 0" << int(vr::VROverlayError_InvalidParameter);
    QTest::newRow("mouse scale 0 high") << "scale 0" << int(vr::VROverlayError_InvalidParameter);
    QTest::newRow("mouse scale missing") << "scale null" << int(vr::VROverlayError_InvalidParameter);
    QTest::newRow("input method 7") << "input 7" << int(vr::VROverlayError_InvalidParameter);
    QTest::newRow("transform missing") << "transform null" << int(vr::VROverlayError_InvalidParameter);
    QTest::newRow("transform to device 64") << "transform 64" << int(vr::VROverlayError_InvalidParameter);
    QTest::newRow("texture missing") << "texture null" << int(vr::VROverlayError_InvalidParameter);
    QTest::newRow("DirectX texture") << "texture directx" << int(vr::VROverlayError_InvalidTexture);
    QTest::newRow("texture on no overlay") << "texture unknown" << int(vr::VROverlayError_InvalidHandle);
    QTest::newRow("file on no overlay") << "file unknown" << int(vr::VROverlayError_InvalidHandle);
}

void TestOverlays::refusedChangesLeaveTheOverlayAlone()
{
    QFETCH(QString, call);
    QFETCH(int, expected);

    const vr::VROverlayHandle_t world = createWorld("world");
    const DashboardHandles dashboard = createDashboard("panel");
    const QJsonObject before = m_runtime.status();
    const vr::VROverlayHandle_t unknown = dashboard.thumbnail + 100;
    const vr::HmdMatrix34_t identity {{{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}}};
    const vr::HmdVector2_t flat {{100, 0}};
    const vr::Texture_t directx {reinterpret_cast<void *>(uintptr_t(1)), vr::TextureType_DirectX, vr::ColorSpace_Auto};
    const vr::Texture_t opengl {reinterpret_cast<void *>(uintptr_t(1)), vr::TextureType_OpenGL, vr::ColorSpace_Auto};

    int error = -1;
    if (call == QLatin1String("show dashboard"))
        error = overlays()->ShowOverlay(dashboard.main);
    else if (call == QLatin1String("hide thumbnail"))
        error = overlays()->HideOverlay(dashboard.thumbnail);
    else if (call == QLatin1String("show unknown"))
        error = overlays()->ShowOverlay(unknown);
    else if (call == QLatin1String("alpha 1.5"))
        error = overlays()->SetOverlayAlpha(world, 1.5f);
    else if (call == QLatin1String("alpha nan"))
        error = overlays()->SetOverlayAlpha(world, std::numeric_limits<float>::quiet_NaN());
    else if (call == QLatin1String("width 0"))
        error = overlays()->SetOverlayWidthInMeters(world, 0.0f);
    else if (call == QLatin1String("scale 0"))
        error = overlays()->SetOverlayMouseScale(world, &flat);
    else if (call == QLatin1String("scale null"))
        error = overlays()->SetOverlayMouseScale(world, nullptr);
    else if (call == QLatin1String("input 7"))
        error = overlays()->SetOverlayInputMethod(world, vr::VROverlayInputMethod(7));
    else if (call == QLatin1String("transform null"))
        error = overlays()->SetOverlayTransformTrackedDeviceRelative(world, 0, nullptr);
    else if (call == QLatin1String("transform 64"))
        error = overlays()->SetOverlayTransformTrackedDeviceRelative(world, 64, &identity);
    else if (call == QLatin1String("texture null"))
        error = overlays()->SetOverlayTexture(world, nullptr);
    else if (call == QLatin1String("texture directx"))
        error = overlays()->SetOverlayTexture(world, &directx);
    else if (call == QLatin1String("texture unknown"))
        error = overlays()->SetOverlayTexture(unknown, &opengl);
    else if (call == QLatin1String("file unknown"))
        error = overlays()->SetOverlayFromFile(unknown, qPrintable(m_runtime.filePath(QStringLiteral("small.png"))));
    QCOMPARE(error, expected);
    QVERIFY(!overlays()->IsOverlayVisible(world));
    QVERIFY(!overlays()->IsOverlayVisible(dashboard.main));
    QCOMPARE(m_runtime.status().value(QStringLiteral("overlays")), before.value(QStringLiteral("overlays")));
}

void TestOverlays::overlayFromFile_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("expected");

    QTest::newRow("PNG") << "small.png" << int(vr::VROverlayError_None);
    QTest::newRow("JPEG") << "photo.jpg" << int(vr::VROverlayError_None);
    QTest::newRow("1920 x 1080") << "largest.png" << int(vr::VROverlayError_None);
    QTest::newRow("relative path") << "./small.png" << int(vr::VROverlayError_None);
    QTest::newRow("one pixel too wide") << "wide.png" << int(vr::VROverlayError_InvalidParameter);
    QTest::newRow("one pixel too tall") << "tall.png" << int(vr::VROverlayError_InvalidParameter);
    QTest::newRow("BMP") << "image.bmp" << int(vr::VROverlayError_UnableToLoadFile);
    QTest::newRow("text named .png") << "text.png" << int(vr::VROverlayError_UnableToLoadFile);
    QTest::newRow("missing") << "missing.png" << int(vr::VROverlayError_UnableToLoadFile);
}

void TestOverlays::overlayFromFile()
{
    QFETCH(QString, file);
    QFETCH(int, expected);

    const DashboardHandles handles = createDashboard("panel");
    const QString absolute = QDir::cleanPath(m_runtime.filePath(file));
    const QString previous = QDir::currentPath();
    QDir::setCurrent(m_runtime.filePath(QString()));
    const int error = overlays()->SetOverlayFromFile(
        handles.thumbnail, QFile::encodeName(file.startsWith(QLatin1String("./")) ? file : absolute).constData());
    QDir::setCurrent(previous);
    QCOMPARE(error, expected);

    const QJsonValue recorded = m_runtime.overlay(QStringLiteral("panel")).value(QStringLiteral("thumbnail"));
    const QJsonValue expectedFile = expected == vr::VROverlayError_None ? QJsonValue(absolute) : QJsonValue();
    QCOMPARE(recorded.toObject().value(QStringLiteral("file")), expectedFile);
}

void TestOverlays::overlaysVanishWithTheirConnection_data()
{
    QTest::addColumn<bool>("killProcess");
    QTest::newRow("connection shut down") << false;
    QTest::newRow("process killed") << true;
}

void TestOverlays::overlaysVanishWithTheirConnection()
{
    QFETCH(bool, killProcess);

    QProcess holder;
    qint64 owner = QCoreApplication::applicationPid();
    if (killProcess) {
        holder.setProcessEnvironment(m_runtime.environment());
        holder.start(QStringLiteral(VRSIM_TEST_CLIENT), {QStringLiteral("held")});
        QVERIFY(holder.waitForStarted());
        QTRY_VERIFY(holder.canReadLine() || holder.state() != QProcess::Running);
        QCOMPARE(holder.readLine(), QByteArray("ready\n"));
        owner = holder.processId();
        // Keys are the runtime's, not the connection's.
        vr::VROverlayHandle_t handle;
        QCOMPARE(overlays()->CreateOverlay("held", "held", &handle), vr::VROverlayError_KeyInUse);
    } else {
        QVERIFY(createWorld("held"));
        QVERIFY(createDashboard("held.panel").main);
    }
    QCOMPARE(m_runtime.overlay(QStringLiteral("held")).value(QStringLiteral("owner")).toVariant().toLongLong(), owner);

    if (killProcess) {
        holder.kill();
        QVERIFY(holder.waitForFinished());
    } else {
        vr::VR_Shutdown();
    }
    QTRY_VERIFY(m_runtime.status().value(QStringLiteral("overlays")).toArray().isEmpty());

    vr::EVRInitError error;
    QVERIFY(vr::VR_Init(&error, vr::VRApplication_Overlay));
    QVERIFY(createWorld("held"));
}

void TestOverlays::worldOverlayVisibility()
{
    const vr::VROverlayHandle_t handle = createWorld("hud");
    QCOMPARE(overlays()->ShowOverlay(handle), vr::VROverlayError_None);
    QVERIFY(overlays()->IsOverlayVisible(handle));
    QCOMPARE(m_runtime.overlay(QStringLiteral("hud")).value(QStringLiteral("visible")).toBool(), true);
    QCOMPARE(overlayEvents(handle), QVector<EventRecord>({EventRecord {vr::VREvent_OverlayShown}}));

    // Showing what is shown changes nothing and tells nobody.
    QCOMPARE(overlays()->ShowOverlay(handle), vr::VROverlayError_None);
    QCOMPARE(overlays()->HideOverlay(handle), vr::VROverlayError_None);
    QVERIFY(!overlays()->IsOverlayVisible(handle));
    QCOMPARE(m_runtime.overlay(QStringLiteral("hud")).value(QStringLiteral("visible")).toBool(), false);
    QCOMPARE(overlayEvents(handle), QVector<EventRecord>({EventRecord {vr::VREvent_OverlayHidden}}));
}

void TestOverlays::dashboardDrivesDashboardOverlays()
{
    const DashboardHandles panel = createDashboard("panel");
    const vr::VROverlayHandle_t hud = createWorld("hud");
    QVERIFY(!overlays()->IsDashboardVisible());
    QVERIFY(!overlays()->IsOverlayVisible(panel.main));

    // The command returns once the application mirrors the change: no waiting needed.
    QCOMPARE(m_runtime.run({QStringLiteral("dashboard"), QStringLiteral("open")}).exitCode, 0);
    QVERIFY(overlays()->IsDashboardVisible());
    QVERIFY(overlays()->IsOverlayVisible(panel.main));
    QVERIFY(overlays()->IsOverlayVisible(panel.thumbnail));
    QVERIFY(!overlays()->IsOverlayVisible(hud));
    QCOMPARE(systemEvents(), QVector<EventRecord>({EventRecord {vr::VREvent_DashboardActivated}}));
    QCOMPARE(overlayEvents(panel.main), QVector<EventRecord>({EventRecord {vr::VREvent_OverlayShown}}));
    QCOMPARE(overlayEvents(hud), QVector<EventRecord>());
    const QJsonObject status = m_runtime.status();
    QVERIFY(status.value(QStringLiteral("dashboardOpen")).toBool());
    QVERIFY(m_runtime.overlay(QStringLiteral("panel")).value(QStringLiteral("visible")).toBool());

    QCOMPARE(m_runtime.run({QStringLiteral("dashboard"), QStringLiteral("open")}).exitCode, 0);
    QCOMPARE(systemEvents(), QVector<EventRecord>());
    // A dashboard overlay made while the dashboard is open is shown with it.
    const DashboardHandles late = createDashboard("late");
    QVERIFY(overlays()->IsOverlayVisible(late.main));

    QCOMPARE(m_runtime.run({QStringLiteral("dashboard"), QStringLiteral("close")}).exitCode, 0);
    QVERIFY(!overlays()->IsDashboardVisible());
    QVERIFY(!overlays()->IsOverlayVisible(panel.main));
    QVERIFY(!overlays()->IsOverlayVisible(late.main));
    QCOMPARE(systemEvents(), QVector<EventRecord>({EventRecord {vr::VREvent_DashboardDeactivated}}));
    QCOMPARE(overlayEvents(panel.main), QVector<EventRecord>({EventRecord {vr::VREvent_OverlayHidden}}));
    QVERIFY(!m_runtime.status().value(QStringLiteral("dashboardOpen")).toBool());
}

void TestOverlays::inputEventsArriveInOrder()
{
    const vr::VROverlayHandle_t handle = createWorld("pointer");
    const vr::HmdVector2_t scale {{1043, 537}};
    QCOMPARE(overlays()->SetOverlayMouseScale(handle, &scale), vr::VROverlayError_None);
    QCOMPARE(overlays()->SetOverlayInputMethod(handle, vr::VROverlayInputMethod_Mouse), vr::VROverlayError_None);
    QCOMPARE(overlays()->ShowOverlay(handle), vr::VROverlayError_None);
    const QStringList commands {
        "move 10 20", "down left", "move 30.5 536", "up left", "down right", "up middle", "move 1043 537"};
    for (const QString &command : commands) {
        const VrsimRuntime::Result result = m_runtime.run(QStringList {"input", "pointer"} + command.split(' '));
        QVERIFY2(result.exitCode == 0, result.err.constData());
    }
    using E = EventRecord;
    QCOMPARE(overlayEvents(handle),
        QVector<EventRecord>({E {vr::VREvent_OverlayShown}, E {vr::VREvent_MouseMove, 10, 20, 0},
            E {vr::VREvent_MouseButtonDown, 10, 20, vr::VRMouseButton_Left}, E {vr::VREvent_MouseMove, 30.5f, 536, 0},
            E {vr::VREvent_MouseButtonUp, 30.5f, 536, vr::VRMouseButton_Left},
            E {vr::VREvent_MouseButtonDown, 30.5f, 536, vr::VRMouseButton_Right},
            E {vr::VREvent_MouseButtonUp, 30.5f, 536, vr::VRMouseButton_Middle},
            E {vr::VREvent_MouseMove, 1043, 537, 0}}));
    QCOMPARE(systemEvents(), QVector<EventRecord>());
}

void TestOverlays::refusedInput_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<int>("exitCode");

    QTest::newRow("unknown overlay") << "nowhere move 1 1" << 1;
    QTest::newRow("right of the panel") << "pointer move 1044 1" << 1;
    QTest::newRow("above the panel") << "pointer move 1 -1" << 1;
    QTest::newRow("overlay without mouse input") << "plain move 1 1" << 1;
    QTest::newRow("hidden overlay") << "hidden move 1 1" << 1;
    QTest::newRow("unknown button") << "pointer down side" << 2;
    QTest::newRow("unknown action") << "pointer click left" << 2;
    QTest::newRow("position not a number") << "pointer move ten 1" << 2;
    QTest::newRow("position missing") << "pointer move 1" << 2;
}

void TestOverlays::refusedInput()
{
    QFETCH(QString, command);
    QFETCH(int, exitCode);

    const vr::HmdVector2_t scale {{1043, 537}};
    const vr::VROverlayHandle_t pointer = createWorld("pointer");
    const vr::VROverlayHandle_t plain = createWorld("plain");
    const vr::VROverlayHandle_t hidden = createWorld("hidden");
    for (vr::VROverlayHandle_t handle : {pointer, plain, hidden})
        QCOMPARE(overlays()->SetOverlayMouseScale(handle, &scale), vr::VROverlayError_None);
    QCOMPARE(overlays()->SetOverlayInputMethod(pointer, vr::VROverlayInputMethod_Mouse), vr::VROverlayError_None);
    QCOMPARE(overlays()->SetOverlayInputMethod(hidden, vr::VROverlayInputMethod_Mouse), vr::VROverlayError_None);
    QCOMPARE(overlays()->ShowOverlay(pointer), vr::VROverlayError_None);
    QCOMPARE(overlays()->ShowOverlay(plain), vr::VROverlayError_None);

    const VrsimRuntime::Result result = m_runtime.run(QStringList {QStringLiteral("input")} + command.split(' '));
    QCOMPARE(result.exitCode, exitCode);
    QVERIFY(result.out.isEmpty());
    QVERIFY2(result.err.startsWith("vrsim input: ") && result.err.count('\n') == 1, result.err.constData());
    m_runtime.status(); // brings any stray event in
    for (vr::VROverlayHandle_t handle : {pointer, plain, hidden}) {
        for (const EventRecord &event : overlayEvents(handle))
            QCOMPARE(event.type, uint32_t(vr::VREvent_OverlayShown));
    }
}

QTEST_GUILESS_MAIN(TestOverlays)
#include "tst_overlays.moc"
