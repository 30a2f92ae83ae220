#include "support/VrsimRuntime.h"

#include <openvr.h>

#include <QtTest>

namespace {

struct Target
{
    vr::VROverlayHandle_t world = vr::k_ulOverlayHandleInvalid;
    vr::VROverlayHandle_t panel = vr::k_ulOverlayHandleInvalid;
    vr::VROverlayHandle_t thumbnail = vr::k_ulOverlayHandleInvalid;
    QString picture;
    QString manifest;
    int attempt = 0;
};

// One call of the named method, on overlays and files made for it; returns its error code.
int callMethod(const QString &method, Target &target)
{
    vr::IVROverlay *overlays = vr::VROverlay();
    vr::IVRApplications *applications = vr::VRApplications();
    // Each attempt asks for something new, so a call that succeeds is never a no-op.
    const float step = float(++target.attempt);
    const QByteArray key = "made." + QByteArray::number(target.attempt);
    if (method == QLatin1String("VR_InitInternal2")) {
        vr::EVRInitError error = vr::VRInitError_Unknown;
        const uint32_t token = vr::VR_InitInternal2(&error, vr::VRApplication_Overlay, nullptr);
        return token == 0 ? int(error) : 0;
    }
    if (method == QLatin1String("CreateOverlay")) {
        vr::VROverlayHandle_t handle;
        return overlays->CreateOverlay(key, key, &handle);
    }
    if (method == QLatin1String("CreateDashboardOverlay")) {
        vr::VROverlayHandle_t main;
        vr::VROverlayHandle_t thumbnail;
        return overlays->CreateDashboardOverlay(key, key, &main, &thumbnail);
    }
    if (method == QLatin1String("ShowOverlay"))
        return overlays->ShowOverlay(target.world);
    if (method == QLatin1String("HideOverlay"))
        return overlays->HideOverlay(target.world);
    if (method == QLatin1String("SetOverlayTexture")) {
        // No GL context here: a texture that gets through is refused as invalid.
        const vr::Texture_t texture {
            reinterpret_cast<void *>(uintptr_t(1)), vr::TextureType_OpenGL, vr::ColorSpace_Auto};
        return overlays->SetOverlayTexture(target.world, &texture);
    }
    if (method == QLatin1String("SetOverlayMouseScale")) {
        const vr::HmdVector2_t scale {{100 * step, 50 * step}};
        return overlays->SetOverlayMouseScale(target.world, &scale);
    }
    if (method == QLatin1String("SetOverlayInputMethod"))
        return overlays->SetOverlayInputMethod(target.world, vr::VROverlayInputMethod(target.attempt % 2));
    if (method == QLatin1String("SetOverlayAlpha"))
        return overlays->SetOverlayAlpha(target.world, 1.0f / step);
    if (method == QLatin1String("SetOverlayWidthInMeters"))
        return overlays->SetOverlayWidthInMeters(target.world, step);
    if (method == QLatin1String("SetOverlayTransformTrackedDeviceRelative")) {
        const vr::HmdMatrix34_t transform {{{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, -step}}};
        return overlays->SetOverlayTransformTrackedDeviceRelative(target.world, 0, &transform);
    }
    if (method == QLatin1String("SetOverlayFromFile"))
        return overlays->SetOverlayFromFile(target.thumbnail, qPrintable(target.picture));
    if (method == QLatin1String("AddApplicationManifest"))
        return applications->AddApplicationManifest(qPrintable(target.manifest));
    if (method == QLatin1String("RemoveApplicationManifest")) {
        const int error = applications->RemoveApplicationManifest(qPrintable(target.manifest));
        applications->AddApplicationManifest(qPrintable(target.manifest));
        return error;
    }
    if (method == QLatin1String("SetApplicationAutoLaunch"))
        return applications->SetApplicationAutoLaunch("Tarvix.Voltaro", target.attempt % 2);
    return -1;
}

} // namespace

class TestFailures : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void armedFailures_data();
    void armedFailures();
    void failuresStayWithTheirMethod();
    void statusListsWhatIsArmed();

private:
    Target prepareTarget();

    VrsimRuntime m_runtime;
};

void TestFailures::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QVERIFY(m_runtime.start());
    QImage picture(16, 16, QImage::Format_RGB32);
    picture.fill(Qt::red);
    QVERIFY(picture.save(m_runtime.filePath(QStringLiteral("picture.png"))));
    QFile manifest(m_runtime.filePath(QStringLiteral("voltaro.vrmanifest")));
    QVERIFY(manifest.open(QIODevice::WriteOnly));
    manifest.write(R"({"applications": [{"app_key": "Tarvix.Voltaro", "is_dashboard_overlay": true}]})");
}

void TestFailures::init()
{
    m_runtime.useInThisProcess();
    vr::EVRInitError error;
    QVERIFY(vr::VR_Init(&error, vr::VRApplication_Overlay));
}

void TestFailures::cleanup()
{
    vr::VR_Shutdown();
    QTRY_VERIFY(m_runtime.status().value(QStringLiteral("clients")).toArray().isEmpty());
}

Target TestFailures::prepareTarget()
{
    Target target;
    target.picture = m_runtime.filePath(QStringLiteral("picture.png"));
    target.manifest = m_runtime.filePath(QStringLiteral("voltaro.vrmanifest"));
    vr::VROverlay()->CreateOverlay("world", "world", &target.world);
    vr::VROverlay()->CreateDashboardOverlay("panel", "panel", &target.panel, &target.thumbnail);
    vr::VRApplications()->AddApplicationManifest(qPrintable(target.manifest));
    return target;
}

void TestFailures::armedFailures_data()
{
    QTest::addColumn<QString>("method");
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("afterwards");

    QTest::newRow("VR_InitInternal2") << "VR_InitInternal2" << int(vr::VRInitError_Init_HmdNotFound) << 2 << 0;
    QTest::newRow("CreateOverlay") << "CreateOverlay" << int(vr::VROverlayError_OverlayLimitExceeded) << 2 << 0;
    QTest::newRow("CreateDashboardOverlay") << "CreateDashboardOverlay" << int(vr::VROverlayError_KeyInUse) << 2 << 0;
    QTest::newRow("ShowOverlay") << "ShowOverlay" << int(vr::VROverlayError_RequestFailed) << 2 << 0;
    QTest::newRow("HideOverlay") << "HideOverlay" << int(vr::VROverlayError_UnknownOverlay) << 2 << 0;
    QTest::newRow("SetOverlayTexture") << "SetOverlayTexture" << int(vr::VROverlayError_RequestFailed) << 2
                                       << int(vr::VROverlayError_InvalidTexture);
    QTest::newRow("SetOverlayTexture, count left out")
        << "SetOverlayTexture" << int(vr::VROverlayError_RequestFailed) << 0 << int(vr::VROverlayError_InvalidTexture);
    QTest::newRow("SetOverlayMouseScale")
        << "SetOverlayMouseScale" << int(vr::VROverlayError_InvalidParameter) << 2 << 0;
    QTest::newRow("SetOverlayInputMethod")
        << "SetOverlayInputMethod" << int(vr::VROverlayError_PermissionDenied) << 2 << 0;
    QTest::newRow("SetOverlayAlpha") << "SetOverlayAlpha" << int(vr::VROverlayError_RequestFailed) << 3 << 0;
    QTest::newRow("SetOverlayWidthInMeters")
        << "SetOverlayWidthInMeters" << int(vr::VROverlayError_RequestFailed) << 2 << 0;
    QTest::newRow("SetOverlayTransformTrackedDeviceRelative")
        << "SetOverlayTransformTrackedDeviceRelative" << int(vr::VROverlayError_RequestFailed) << 2 << 0;
    QTest::newRow("SetOverlayFromFile") << "SetOverlayFromFile" << int(vr::VROverlayError_UnableToLoadFile) << 2 << 0;
    QTest::newRow("AddApplicationManifest")
        << "AddApplicationManifest" << int(vr::VRApplicationError_IPCFailed) << 2 << 0;
    QTest::newRow("RemoveApplicationManifest")
        << "RemoveApplicationManifest" << int(vr::VRApplicationError_NoManifest) << 2 << 0;
    QTest::newRow("SetApplicationAutoLaunch")
        << "SetApplicationAutoLaunch" << int(vr::VRApplicationError_UnknownApplication) << 2 << 0;
}

void TestFailures::armedFailures()
{
    QFETCH(QString, method);
    QFETCH(int, code);
    QFETCH(int, count);
    QFETCH(int, afterwards);

    Target target = prepareTarget();
    if (method == QLatin1String("VR_InitInternal2"))
        vr::VR_Shutdown();
    QStringList arguments {QStringLiteral("fail"), method, QString::number(code)};
    if (count > 0)
        arguments << QStringLiteral("--count") << QString::number(count);
    const VrsimRuntime::Result armed = m_runtime.run(arguments);
    QVERIFY2(armed.exitCode == 0, armed.err.constData());

    // The calls that are answered in the process honour the failure as well as those that
    // ask the runtime: `vrsim fail` returns only once every application knows of it.
    const QJsonArray overlaysBefore = m_runtime.status().value(QStringLiteral("overlays")).toArray();
    for (int i = 0; i < qMax(count, 1); ++i)
        QCOMPARE(callMethod(method, target), code);
    if (method.startsWith(QLatin1String("Create")))
        QCOMPARE(m_runtime.status().value(QStringLiteral("overlays")).toArray(), overlaysBefore);
    QCOMPARE(callMethod(method, target), afterwards);
    QCOMPARE(callMethod(method, target), afterwards);
}

void TestFailures::failuresStayWithTheirMethod()
{
    Target target = prepareTarget();
    QCOMPARE(m_runtime.run({"fail", "SetOverlayAlpha", "23", "--count", "5"}).exitCode, 0);
    QCOMPARE(callMethod(QStringLiteral("SetOverlayWidthInMeters"), target), 0);
    QCOMPARE(callMethod(QStringLiteral("ShowOverlay"), target), 0);
    QCOMPARE(vr::VROverlay()->CreateOverlay("other", "other", &target.world), vr::VROverlayError_None);
    // A later arming replaces the earlier one.
    QCOMPARE(m_runtime.run({"fail", "SetOverlayAlpha", "20"}).exitCode, 0);
    QCOMPARE(callMethod(QStringLiteral("SetOverlayAlpha"), target), 20);
    QCOMPARE(callMethod(QStringLiteral("SetOverlayAlpha"), target), 0);
}

void TestFailures::statusListsWhatIsArmed()
{
    auto armed = [this] {
        QStringList listed;
        for (const QJsonValue &entry : m_runtime.status().value(QStringLiteral("armedFailures")).toArray()) {
            const QJsonObject failure = entry.toObject();
            listed << QStringLiteral("%1 %2 x%3")
                          .arg(failure.value(QStringLiteral("method")).toString())
                          .arg(failure.value(QStringLiteral("code")).toInt())
                          .arg(failure.value(QStringLiteral("remaining")).toInt());
        }
        return listed;
    };
    Target target = prepareTarget();
    QCOMPARE(armed(), QStringList());
    QCOMPARE(m_runtime.run({"fail", "SetOverlayAlpha", "23", "--count", "2"}).exitCode, 0);
    QCOMPARE(m_runtime.run({"fail", "ShowOverlay", "11"}).exitCode, 0);
    QCOMPARE(armed(), QStringList({"ShowOverlay 11 x1", "SetOverlayAlpha 23 x2"}));
    QCOMPARE(callMethod(QStringLiteral("SetOverlayAlpha"), target), 23);
    QCOMPARE(callMethod(QStringLiteral("ShowOverlay"), target), 11);
    QCOMPARE(armed(), QStringList({"SetOverlayAlpha 23 x1"}));
    QCOMPARE(callMethod(QStringLiteral("SetOverlayAlpha"), target), 23);
    QCOMPARE(armed(), QStringList());
}

QTEST_GUILESS_MAIN(TestFailures)
#include "tst_failures.moc"
