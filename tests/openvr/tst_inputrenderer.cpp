#include "fakes/FakeOpenVR.h"
#include "fakes/MessageCatcher.h"
#include "openvr/OpenVR_Dashboard.h"

#include <QtTest>

Q_DECLARE_METATYPE(vr::VREvent_t)

// The shared overlay half, seen through the dashboard overlay (the base class
// cannot be built alone).
class TestInputRenderer : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void mapping_data();
    void mapping();
    void mouseY_data();
    void mouseY();
    void onlyNonMouseEventsDrainTheQueue();
    void textureSubmittedOnlyWhenSeen_data();
    void textureSubmittedOnlyWhenSeen();
    void textureErrorIsLogged();
    void textureWaitsUntilSeen();
    void unseenTextureAsksAgainInAWhile();
    void mouseScaleWidthAndAlpha();
    void refusedCallIsRetriedOnTick_data();
    void refusedCallIsRetriedOnTick();
    void quietAfterRuntimeShutdown();

private:
    std::unique_ptr<OpenVR_Dashboard> m_overlay;
    FakeOverlayState *state() { return FakeOpenVR::instance().overlay(QStringLiteral("oxaDashboard")); }
};

void TestInputRenderer::init()
{
    FakeOpenVR::instance().reset();
    m_overlay = std::make_unique<OpenVR_Dashboard>("Battery", "oxaDashboard", "Resources/LightningBolt.png");
    // Whatever this build's default, the cases below read y as the fake reports it.
    m_overlay->setMouseYFromBottom(false);
    QVERIFY(state());
}

void TestInputRenderer::mapping_data()
{
    QTest::addColumn<vr::VREvent_t>("vrEvent");
    QTest::addColumn<uint32_t>("kind");
    QTest::addColumn<uint32_t>("button");

    QTest::newRow("move") << FakeOpenVR::mouseEvent(vr::VREvent_MouseMove, 10.5f, 20.25f, 0) << 0u << 9u;
    QTest::newRow("left down") << FakeOpenVR::mouseEvent(
        vr::VREvent_MouseButtonDown, 10.5f, 20.25f, vr::VRMouseButton_Left)
                               << 2u << 0u;
    QTest::newRow("right up") << FakeOpenVR::mouseEvent(
        vr::VREvent_MouseButtonUp, 10.5f, 20.25f, vr::VRMouseButton_Right)
                              << 1u << 1u;
    QTest::newRow("middle down") << FakeOpenVR::mouseEvent(
        vr::VREvent_MouseButtonDown, 10.5f, 20.25f, vr::VRMouseButton_Middle)
                                 << 2u << 3u;
    // An unknown button leaves the record's button as it was.
    QTest::newRow("unknown button") << FakeOpenVR::mouseEvent(vr::VREvent_MouseButtonUp, 10.5f, 20.25f, 8) << 1u << 9u;
}

void TestInputRenderer::mapping()
{
    QFETCH(vr::VREvent_t, vrEvent);
    QFETCH(uint32_t, kind);
    QFETCH(uint32_t, button);

    state()->events.push_back(vrEvent);
    OverlayMouseEvent event;
    event.button = 9;
    QVERIFY(m_overlay->pollEvent(event));
    QCOMPARE(event.kind, kind);
    QCOMPARE(event.button, button);
    QCOMPARE(event.x, 10.5f);
    QCOMPARE(event.y, 20.25f);
    QVERIFY(!m_overlay->pollEvent(event));
}

void TestInputRenderer::mouseY_data()
{
    QTest::addColumn<bool>("fromBottom");
    QTest::addColumn<float>("runtimeY");
    QTest::addColumn<float>("panelY");

    QTest::newRow("top-down, as reported") << false << 100.0f << 100.0f;
    QTest::newRow("bottom-up, near the bottom") << true << 100.0f << 437.0f;
    QTest::newRow("bottom-up, top edge") << true << 537.0f << 0.0f;
    QTest::newRow("bottom-up, bottom edge") << true << 0.0f << 537.0f;
}

void TestInputRenderer::mouseY()
{
    QFETCH(bool, fromBottom);
    QFETCH(float, runtimeY);
    QFETCH(float, panelY);

    m_overlay->setMouseYFromBottom(fromBottom);
    m_overlay->setMouseScale(1043, 537);
    // A scale the runtime refused is not the one it reports in.
    FakeOpenVR::instance().failNext.insert(QStringLiteral("SetOverlayMouseScale"), vr::VROverlayError_InvalidHandle);
    {
        MessageCatcher log;
        m_overlay->setMouseScale(10, 10);
    }

    state()->events.push_back(
        FakeOpenVR::mouseEvent(vr::VREvent_MouseButtonDown, 12.0f, runtimeY, vr::VRMouseButton_Left));
    OverlayMouseEvent event;
    QVERIFY(m_overlay->pollEvent(event));
    QCOMPARE(event.x, 12.0f);
    QCOMPARE(event.y, panelY);
}

void TestInputRenderer::onlyNonMouseEventsDrainTheQueue()
{
    state()->events.push_back(FakeOpenVR::event(vr::VREvent_FocusEnter));
    state()->events.push_back(FakeOpenVR::event(vr::VREvent_OverlayShown));
    state()->events.push_back(FakeOpenVR::event(vr::VREvent_FocusLeave));

    OverlayMouseEvent event;
    QVERIFY(!m_overlay->pollEvent(event));
    QVERIFY(state()->events.empty());

    // A mouse event behind skipped ones still comes out.
    state()->events.push_back(FakeOpenVR::event(vr::VREvent_FocusEnter));
    state()->events.push_back(FakeOpenVR::mouseEvent(vr::VREvent_MouseMove, 3.0f, 4.0f, 0));
    QVERIFY(m_overlay->pollEvent(event));
    QCOMPARE(event.kind, 0u);
    QCOMPARE(event.x, 3.0f);
}

void TestInputRenderer::textureSubmittedOnlyWhenSeen_data()
{
    QTest::addColumn<bool>("dashboardOpen");
    QTest::addColumn<bool>("overlayVisible");
    QTest::addColumn<bool>("submitted");

    QTest::newRow("nobody looks") << false << false << false;
    QTest::newRow("dashboard open") << true << false << true;
    QTest::newRow("overlay visible") << false << true << true;
}

void TestInputRenderer::textureSubmittedOnlyWhenSeen()
{
    QFETCH(bool, dashboardOpen);
    QFETCH(bool, overlayVisible);
    QFETCH(bool, submitted);

    FakeOpenVR::instance().dashboardVisible = dashboardOpen;
    state()->visible = overlayVisible;
    m_overlay->setTexture(0);
    QCOMPARE(state()->texturesSet, submitted ? 1 : 0);
}

void TestInputRenderer::textureErrorIsLogged()
{
    FakeOpenVR::instance().dashboardVisible = true;
    FakeOpenVR::instance().failNext.insert(QStringLiteral("SetOverlayTexture"), vr::VROverlayError_InvalidTexture);
    MessageCatcher log;
    m_overlay->setTexture(12);
    QCOMPARE(log.messages(QtDebugMsg),
        QStringList {QStringLiteral("Error setting overlay texture, name= Battery Texture= 12  error= 24")});
    // The next tick tries again.
    m_overlay->tick();
    QCOMPARE(state()->texturesSet, 1);
}

void TestInputRenderer::textureWaitsUntilSeen()
{
    FakeOpenVR &fake = FakeOpenVR::instance();
    m_overlay->setTexture(5);
    // Told that nobody sees it, the overlay does not ask again on every tick,
    // not even when the dashboard has opened meanwhile.
    fake.dashboardVisible = true;
    fake.calls.clear();
    for (int i = 0; i < 3; ++i)
        m_overlay->tick();
    QCOMPARE(state()->texturesSet, 0);
    QVERIFY(!fake.calls.contains(QStringLiteral("IsDashboardVisible")));
    QVERIFY(!fake.calls.contains(QStringLiteral("IsOverlayVisible")));

    // The runtime says the overlay is shown: the kept texture goes over on
    // that tick (the controller takes the events first), and only once.
    state()->events.push_back(FakeOpenVR::event(vr::VREvent_OverlayShown));
    OverlayMouseEvent event;
    QVERIFY(!m_overlay->pollEvent(event));
    m_overlay->tick();
    QCOMPARE(state()->texturesSet, 1);
    QCOMPARE(state()->lastTexture, reinterpret_cast<void *>(uintptr_t(5)));
    fake.calls.clear();
    for (int i = 0; i < 3; ++i)
        m_overlay->tick();
    QCOMPARE(state()->texturesSet, 1);
    // Nothing pending: a tick asks the runtime nothing at all.
    QVERIFY(fake.calls.isEmpty());
}

void TestInputRenderer::unseenTextureAsksAgainInAWhile()
{
    FakeOpenVR &fake = FakeOpenVR::instance();
    m_overlay->setTexture(5);
    QCOMPARE(state()->texturesSet, 0);

    // A new picture asks at once, however recent the last answer.
    fake.dashboardVisible = true;
    m_overlay->setTexture(6);
    QCOMPARE(state()->texturesSet, 1);

    // With no shown event at all, a waiting texture still goes over soon.
    fake.dashboardVisible = false;
    m_overlay->setTexture(7);
    fake.dashboardVisible = true;
    QTRY_VERIFY_WITH_TIMEOUT((m_overlay->tick(), state()->texturesSet == 2), 10000);
    QCOMPARE(state()->lastTexture, reinterpret_cast<void *>(uintptr_t(7)));
}

void TestInputRenderer::mouseScaleWidthAndAlpha()
{
    m_overlay->setMouseScale(1920, 945);
    m_overlay->setWidthInMeters(3.0f);
    m_overlay->setAlpha(0.5f);
    QCOMPARE(state()->mouseScale.v[0], 1920.0f);
    QCOMPARE(state()->mouseScale.v[1], 945.0f);
    QCOMPARE(state()->widthInMeters, 3.0f);
    QCOMPARE(state()->alpha, 0.5f);

    FakeOpenVR::instance().failNext.insert(QStringLiteral("SetOverlayMouseScale"), vr::VROverlayError_InvalidHandle);
    MessageCatcher log;
    m_overlay->setMouseScale(10, 10);
    QCOMPARE(log.messages(QtCriticalMsg),
        QStringList {QStringLiteral("Error in SetOverlayMouseScale(), m_handle= %1").arg(m_overlay->handle())});
}

void TestInputRenderer::refusedCallIsRetriedOnTick_data()
{
    QTest::addColumn<QString>("method");
    QTest::addColumn<QString>("firstMessage");

    QTest::newRow("texture") << "SetOverlayTexture"
                             << "Error setting overlay texture, name= Battery Texture= 12  error= 23";
    QTest::newRow("mouse scale") << "SetOverlayMouseScale"
                                 << "Error in SetOverlayMouseScale(), m_handle= %1";
    QTest::newRow("width") << "SetOverlayWidthInMeters"
                           << "Error ( 23 ) setting overlay width, name: Battery";
    QTest::newRow("alpha") << "SetOverlayAlpha"
                           << "Error ( 23 ) setting overlay alpha, name: Battery";
}

void TestInputRenderer::refusedCallIsRetriedOnTick()
{
    QFETCH(QString, method);
    QFETCH(QString, firstMessage);
    if (firstMessage.contains(QLatin1String("%1")))
        firstMessage = firstMessage.arg(m_overlay->handle());

    FakeOpenVR &fake = FakeOpenVR::instance();
    fake.dashboardVisible = true;
    auto matches = [&] {
        if (method == QLatin1String("SetOverlayTexture"))
            return state()->texturesSet == 1;
        if (method == QLatin1String("SetOverlayMouseScale"))
            return state()->mouseScale.v[0] == 640.0f && state()->mouseScale.v[1] == 480.0f;
        if (method == QLatin1String("SetOverlayWidthInMeters"))
            return state()->widthInMeters == 2.5f;
        return state()->alpha == 0.25f;
    };

    MessageCatcher log;
    fake.failNext.insert(method, vr::VROverlayError_RequestFailed);
    if (method == QLatin1String("SetOverlayTexture"))
        m_overlay->setTexture(12);
    else if (method == QLatin1String("SetOverlayMouseScale"))
        m_overlay->setMouseScale(640, 480);
    else if (method == QLatin1String("SetOverlayWidthInMeters"))
        m_overlay->setWidthInMeters(2.5f);
    else
        m_overlay->setAlpha(0.25f);
    QVERIFY(!matches());

    // Refused on two more ticks: still one message, the one the call always had.
    for (int i = 0; i < 2; ++i) {
        fake.failNext.insert(method, vr::VROverlayError_RequestFailed);
        m_overlay->tick();
    }
    QVERIFY(!matches());
    QCOMPARE(log.lines(), QStringList {firstMessage});

    // The next tick gets it through, and the run of failures is closed once.
    m_overlay->tick();
    QVERIFY(matches());
    QCOMPARE(log.lines().size(), 2);
    QCOMPARE(log.lines().at(1), QStringLiteral("%1 failed 3 times in a row, now settled, name: Battery").arg(method));
    QVERIFY(!m_overlay->hasPendingCalls());
    fake.calls.clear();
    m_overlay->tick();
    QVERIFY(!fake.calls.contains(method));
}

void TestInputRenderer::quietAfterRuntimeShutdown()
{
    state()->events.push_back(FakeOpenVR::mouseEvent(vr::VREvent_MouseMove, 1.0f, 1.0f, 0));
    vr::VR_ShutdownInternal();
    FakeOpenVR::instance().calls.clear();

    OverlayMouseEvent event;
    QVERIFY(!m_overlay->pollEvent(event));
    m_overlay->setTexture(1);
    m_overlay->setMouseScale(1, 1);
    m_overlay->setAlpha(1.0f);
    m_overlay->discardEvents();
    m_overlay->tick();
    QVERIFY(FakeOpenVR::instance().calls.isEmpty());
}

QTEST_GUILESS_MAIN(TestInputRenderer)
#include "tst_inputrenderer.moc"
