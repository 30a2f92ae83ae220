#include "ClientHelpers.h"
#include "support/VrsimRuntime.h"

#include <openvr.h>

#include <QtTest>

#include <sys/stat.h>

#include <csignal>
#include <cstddef>
#include <functional>

// The layout a real runtime relies on (on Linux): events cross process boundaries as bytes.
static_assert(sizeof(vr::VREvent_t) == 44, "VREvent_t is packed to 4 bytes on Linux");
static_assert(offsetof(vr::VREvent_t, data) == 12, "VREvent_t is packed to 4 bytes on Linux");
static_assert(sizeof(vr::VREvent_Data_t) == 32, "the event data union is 32 bytes");
static_assert(sizeof(vr::Texture_t) == 16, "Texture_t is a pointer and two 4-byte enums");
static_assert(sizeof(vr::EVROverlayError) == 4 && sizeof(vr::EVREventType) == 4, "enums are 4 bytes");

namespace {

// How long the client library waits for the runtime's answer to a request.
constexpr qint64 kReplyTimeoutMs = 2000;

// Calls a program makes, each answering what it returned as text, for the table of what a
// program gets from a runtime that has gone away.
QString callAfterRuntimeDied(const QString &name, vr::VROverlayHandle_t overlay)
{
    vr::IVROverlay *overlays = vr::VROverlay();
    vr::IVRSystem *system = vr::VRSystem();
    if (name == QLatin1String("CreateOverlay")) {
        vr::VROverlayHandle_t handle = 99;
        const int error = overlays->CreateOverlay("late", "late", &handle);
        return QString::number(error) + QLatin1Char(' ') + QString::number(handle);
    }
    if (name == QLatin1String("ShowOverlay"))
        return QString::number(overlays->ShowOverlay(overlay));
    if (name == QLatin1String("SetOverlayAlpha"))
        return QString::number(overlays->SetOverlayAlpha(overlay, 0.5f));
    if (name == QLatin1String("SetOverlayTexture")) {
        const vr::Texture_t texture {
            reinterpret_cast<void *>(uintptr_t(1)), vr::TextureType_OpenGL, vr::ColorSpace_Auto};
        return QString::number(overlays->SetOverlayTexture(overlay, &texture));
    }
    if (name == QLatin1String("SetOverlayFromFile"))
        return QString::number(overlays->SetOverlayFromFile(overlay, "/nonexistent.png"));
    if (name == QLatin1String("IsOverlayVisible"))
        return overlays->IsOverlayVisible(overlay) ? QStringLiteral("true") : QStringLiteral("false");
    if (name == QLatin1String("IsDashboardVisible"))
        return overlays->IsDashboardVisible() ? QStringLiteral("true") : QStringLiteral("false");
    if (name == QLatin1String("PollNextOverlayEvent")) {
        vr::VREvent_t event;
        return overlays->PollNextOverlayEvent(overlay, &event, sizeof event) ? QStringLiteral("true")
                                                                             : QStringLiteral("false");
    }
    if (name == QLatin1String("GetTimeSinceLastVsync")) {
        float seconds = -1;
        uint64_t frame = 99;
        const bool known = system->GetTimeSinceLastVsync(&seconds, &frame);
        return QStringLiteral("%1 %2 %3").arg(known ? "true" : "false").arg(seconds).arg(frame);
    }
    if (name == QLatin1String("GetFloatTrackedDeviceProperty")) {
        vr::ETrackedPropertyError error = vr::TrackedProp_Success;
        const float value = system->GetFloatTrackedDeviceProperty(0, vr::Prop_DisplayFrequency_Float, &error);
        return QStringLiteral("%1 %2").arg(value).arg(error);
    }
    if (name == QLatin1String("AddApplicationManifest"))
        return QString::number(vr::VRApplications()->AddApplicationManifest("/nonexistent.vrmanifest"));
    if (name == QLatin1String("IsApplicationInstalled"))
        return vr::VRApplications()->IsApplicationInstalled("a.b") ? QStringLiteral("true") : QStringLiteral("false");
    return QStringLiteral("unknown call");
}

} // namespace

class TestClient : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void noRuntimeGivesConnectFailed();
    void noHmdGivesHmdNotFound();
    void interfacesFollowTheInitToken();
    void displayTiming();
    void quitReachesTheApplication();
    void deadRuntimeAnswersAtOnce_data();
    void deadRuntimeAnswersAtOnce();
    void reconnectsToARestartedRuntime();
    void hungRuntimeTimesOut();
    void defaultSocketFolderIsPrivate();

private:
    VrsimRuntime m_runtime;
};

void TestClient::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QVERIFY(m_runtime.isValid());
    QVERIFY(m_runtime.start(
        {QStringLiteral("--hz"), QStringLiteral("120"), QStringLiteral("--photons"), QStringLiteral("0.02")}));
}

void TestClient::init()
{
    m_runtime.useInThisProcess();
}

void TestClient::cleanup()
{
    vr::VR_Shutdown();
}

void TestClient::noRuntimeGivesConnectFailed()
{
    VrsimRuntime nobody;
    nobody.useInThisProcess();
    vr::EVRInitError error = vr::VRInitError_None;
    QCOMPARE(vr::VR_Init(&error, vr::VRApplication_Overlay), nullptr);
    QCOMPARE(error, vr::VRInitError_IPC_ConnectFailed);
    QCOMPARE(vr::VR_InitInternal2(&error, vr::VRApplication_Background, nullptr), 0u);
    QCOMPARE(error, vr::VRInitError_IPC_ConnectFailed);
    QCOMPARE(vr::VROverlay(), nullptr);
    QVERIFY(!vr::VR_GetGenericInterface(vr::IVROverlay_Version, &error));
    QCOMPARE(error, vr::VRInitError_Init_NotInitialized);
}

void TestClient::noHmdGivesHmdNotFound()
{
    VrsimRuntime headsetless;
    QVERIFY(headsetless.start({QStringLiteral("--no-hmd")}));
    headsetless.useInThisProcess();
    vr::EVRInitError error = vr::VRInitError_None;
    QCOMPARE(vr::VR_Init(&error, vr::VRApplication_Overlay), nullptr);
    QCOMPARE(error, vr::VRInitError_Init_HmdNotFound);
    QCOMPARE(headsetless.status().value(QStringLiteral("clients")).toArray().size(), 0);
}

void TestClient::interfacesFollowTheInitToken()
{
    vr::EVRInitError error = vr::VRInitError_None;
    QVERIFY(!vr::VR_IsInterfaceVersionValid(vr::IVROverlay_Version));
    QVERIFY(!vr::VR_GetGenericInterface(vr::IVROverlay_Version, &error));
    QCOMPARE(error, vr::VRInitError_Init_NotInitialized);

    QVERIFY(vr::VR_Init(&error, vr::VRApplication_Overlay));
    QCOMPARE(error, vr::VRInitError_None);
    const uint32_t first = vr::VR_GetInitToken();
    QVERIFY(first > 0);
    QVERIFY(vr::VR_IsInterfaceVersionValid(vr::IVRSystem_Version));
    QVERIFY(vr::VR_IsInterfaceVersionValid(vr::IVRApplications_Version));
    QVERIFY(!vr::VR_IsInterfaceVersionValid("IVROverlay_017"));
    QVERIFY(!vr::VR_GetGenericInterface("IVROverlay_017", &error));
    QCOMPARE(error, vr::VRInitError_Init_InterfaceNotFound);
    QVERIFY(vr::VROverlay());
    QVERIFY(vr::VRApplications());

    vr::VR_Shutdown();
    QVERIFY(vr::VR_GetInitToken() != first);
    QCOMPARE(vr::VRSystem(), nullptr);
    QCOMPARE(vr::VROverlay(), nullptr);
    QCOMPARE(vr::VRApplications(), nullptr);

    // A raw init, as a program may call it, also brings the accessors back.
    QVERIFY(vr::VR_InitInternal2(&error, vr::VRApplication_Overlay, nullptr) > 0);
    QVERIFY(vr::VR_GetInitToken() != first);
    QVERIFY(vr::VROverlay());
}

void TestClient::displayTiming()
{
    vr::EVRInitError error;
    vr::IVRSystem *system = vr::VR_Init(&error, vr::VRApplication_Overlay);
    QVERIFY(system);

    vr::ETrackedPropertyError propertyError = vr::TrackedProp_CouldNotContactServer;
    QCOMPARE(system->GetFloatTrackedDeviceProperty(
                 vr::k_unTrackedDeviceIndex_Hmd, vr::Prop_DisplayFrequency_Float, &propertyError),
        120.0f);
    QCOMPARE(propertyError, vr::TrackedProp_Success);
    QCOMPARE(system->GetFloatTrackedDeviceProperty(0, vr::Prop_SecondsFromVsyncToPhotons_Float, &propertyError), 0.02f);
    QCOMPARE(propertyError, vr::TrackedProp_Success);
    QCOMPARE(system->GetFloatTrackedDeviceProperty(1, vr::Prop_DisplayFrequency_Float, &propertyError), 0.0f);
    QCOMPARE(propertyError, vr::TrackedProp_InvalidDevice);
    QCOMPARE(system->GetFloatTrackedDeviceProperty(0, vr::ETrackedDeviceProperty(1000), &propertyError), 0.0f);
    QCOMPARE(propertyError, vr::TrackedProp_UnknownProperty);

    // The application's frame counter runs in step with the runtime's.
    const qint64 before = m_runtime.status().value(QStringLiteral("frame")).toVariant().toLongLong();
    float sinceVsync = -1;
    uint64_t frame = 0;
    QVERIFY(system->GetTimeSinceLastVsync(&sinceVsync, &frame));
    const qint64 after = m_runtime.status().value(QStringLiteral("frame")).toVariant().toLongLong();
    QVERIFY2(before <= qint64(frame) && qint64(frame) <= after,
        qPrintable(QStringLiteral("%1 <= %2 <= %3").arg(before).arg(frame).arg(after)));
    QVERIFY(sinceVsync >= 0.0f && sinceVsync < 1.0f / 120.0f);
}

void TestClient::quitReachesTheApplication()
{
    vr::EVRInitError error;
    QVERIFY(vr::VR_Init(&error, vr::VRApplication_Overlay));
    QCOMPARE(m_runtime.run({QStringLiteral("quit")}).exitCode, 0);
    // `vrsim quit` returns once the application has the event.
    QCOMPARE(systemEvents(), QVector<EventRecord>({EventRecord {vr::VREvent_Quit}}));
    QVERIFY(m_runtime.status().value(QStringLiteral("clients")).toArray().size() == 1);
    QVERIFY(m_runtime.status().value(QStringLiteral("quitAcknowledgedBy")).toArray().isEmpty());

    // The runtime keeps the acknowledgement past the disconnect that follows it.
    vr::VRSystem()->AcknowledgeQuit_Exiting();
    vr::VR_Shutdown();
    const QJsonArray self {QCoreApplication::applicationPid()};
    QTRY_COMPARE(m_runtime.status().value(QStringLiteral("quitAcknowledgedBy")).toArray(), self);
}

void TestClient::deadRuntimeAnswersAtOnce_data()
{
    QTest::addColumn<QString>("call");
    QTest::addColumn<QString>("expected");

    QTest::newRow("CreateOverlay") << "CreateOverlay"
                                   << "23 0";
    QTest::newRow("ShowOverlay") << "ShowOverlay"
                                 << "23";
    QTest::newRow("SetOverlayAlpha") << "SetOverlayAlpha"
                                     << "23";
    QTest::newRow("SetOverlayTexture") << "SetOverlayTexture"
                                       << "23";
    QTest::newRow("SetOverlayFromFile") << "SetOverlayFromFile"
                                        << "23";
    QTest::newRow("IsOverlayVisible") << "IsOverlayVisible"
                                      << "false";
    QTest::newRow("IsDashboardVisible") << "IsDashboardVisible"
                                        << "false";
    QTest::newRow("PollNextOverlayEvent") << "PollNextOverlayEvent"
                                          << "false";
    QTest::newRow("GetTimeSinceLastVsync") << "GetTimeSinceLastVsync"
                                           << "false 0 0";
    QTest::newRow("GetFloatTrackedDeviceProperty") << "GetFloatTrackedDeviceProperty"
                                                   << "0 6";
    QTest::newRow("AddApplicationManifest") << "AddApplicationManifest"
                                            << "105";
    QTest::newRow("IsApplicationInstalled") << "IsApplicationInstalled"
                                            << "false";
}

void TestClient::deadRuntimeAnswersAtOnce()
{
    QFETCH(QString, call);
    QFETCH(QString, expected);

    VrsimRuntime doomed;
    QVERIFY(doomed.start());
    doomed.useInThisProcess();
    vr::EVRInitError error;
    QVERIFY(vr::VR_Init(&error, vr::VRApplication_Overlay));
    vr::VROverlayHandle_t overlay = vr::k_ulOverlayHandleInvalid;
    QCOMPARE(vr::VROverlay()->CreateOverlay("doomed", "doomed", &overlay), vr::VROverlayError_None);
    QCOMPARE(vr::VROverlay()->ShowOverlay(overlay), vr::VROverlayError_None);
    QCOMPARE(doomed.run({QStringLiteral("dashboard"), QStringLiteral("open")}).exitCode, 0);
    QVERIFY(vr::VROverlay()->IsDashboardVisible());
    doomed.kill();

    // The client learns of the death on its own thread; until then a call may still see the
    // mirror. Each call must come back at once either way.
    qint64 slowestMs = 0;
    QString result;
    auto attempt = [&] {
        QElapsedTimer timer;
        timer.start();
        result = callAfterRuntimeDied(call, overlay);
        slowestMs = qMax(slowestMs, timer.elapsed());
        return result == expected;
    };
    QTRY_VERIFY_WITH_TIMEOUT(attempt(), 5000);
    // A call that waited for the dead runtime's answer would take the whole reply timeout; one
    // that knows it is gone takes microseconds, however busy the machine.
    qInfo("slowest call: %lld ms", slowestMs);
    QVERIFY2(slowestMs < kReplyTimeoutMs, qPrintable(QStringLiteral("a call took %1 ms").arg(slowestMs)));
}

void TestClient::reconnectsToARestartedRuntime()
{
    VrsimRuntime restarted;
    QVERIFY(restarted.start());
    restarted.useInThisProcess();
    vr::EVRInitError error;
    QVERIFY(vr::VR_Init(&error, vr::VRApplication_Overlay));
    const uint32_t first = vr::VR_GetInitToken();
    restarted.kill();
    QTRY_VERIFY(!vr::VROverlay()->IsDashboardVisible() && !vr::VRSystem()->GetTimeSinceLastVsync(nullptr, nullptr));

    // The killed runtime left its socket file behind; the new one must take its place.
    QVERIFY(restarted.start());
    const uint32_t second = vr::VR_InitInternal2(&error, vr::VRApplication_Overlay, nullptr);
    QCOMPARE(error, vr::VRInitError_None);
    QVERIFY(second != 0 && second != first);
    vr::VROverlayHandle_t overlay = vr::k_ulOverlayHandleInvalid;
    QCOMPARE(vr::VROverlay()->CreateOverlay("again", "again", &overlay), vr::VROverlayError_None);
    QVERIFY(!restarted.overlay(QStringLiteral("again")).isEmpty());
}

void TestClient::hungRuntimeTimesOut()
{
    VrsimRuntime hung;
    QVERIFY(hung.start());
    hung.useInThisProcess();
    vr::EVRInitError error;
    QVERIFY(vr::VR_Init(&error, vr::VRApplication_Overlay));
    const auto pid = static_cast<pid_t>(hung.server()->processId());
    QCOMPARE(::kill(pid, SIGSTOP), 0);
    QElapsedTimer timer;
    timer.start();
    vr::VROverlayHandle_t overlay = vr::k_ulOverlayHandleInvalid;
    const vr::EVROverlayError created = vr::VROverlay()->CreateOverlay("stuck", "stuck", &overlay);
    const qint64 elapsed = timer.elapsed();
    ::kill(pid, SIGCONT);
    QCOMPARE(created, vr::VROverlayError_RequestFailed);
    QCOMPARE(overlay, vr::k_ulOverlayHandleInvalid);
    // It gave up rather than waiting for good (a call that never returns ends the test at its
    // deadline); how long it took is for reading.
    qInfo("gave up after %lld ms", elapsed);
}

void TestClient::defaultSocketFolderIsPrivate()
{
    VrsimRuntime byDefault(VrsimRuntime::Socket::Default);
    QVERIFY(byDefault.start());
    struct stat folder
    { };
    QCOMPARE(::stat(QFile::encodeName(byDefault.runtimeDir() + QStringLiteral("/vrsim")).constData(), &folder), 0);
    QCOMPARE(folder.st_mode & 0777, 0700u);

    const QByteArray savedRuntimeDir = qgetenv("XDG_RUNTIME_DIR");
    byDefault.useInThisProcess();
    vr::EVRInitError error;
    const bool connected = vr::VR_Init(&error, vr::VRApplication_Overlay) != nullptr;
    qputenv("XDG_RUNTIME_DIR", savedRuntimeDir);
    QVERIFY(connected);
    QCOMPARE(byDefault.status().value(QStringLiteral("clients")).toArray().size(), 1);
}

QTEST_GUILESS_MAIN(TestClient)
#include "tst_client.moc"
