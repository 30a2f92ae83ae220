#include "app/TimerPhase.h"
#include "fakes/FakeOpenVR.h"
#include "fakes/MessageCatcher.h"
#include "openvr/OpenVR_Overlay.h"

#include <QtTest>

class TestHudOverlay : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void placement_data();
    void placement();
    void zeroDistanceGivesZeroFacing();
    void frameTimerInterval_data();
    void frameTimerInterval();
    void visibilityDrivesTheFrameTimer();
    void lateFrameTickAlignsTheTimers();
    void oneTransformPerDisplayFrame();
    void skippedFrames_data();
    void skippedFrames();
    void counterGoingBackIsAFrame();
    void refusedTransformIsRetried();
    void vsyncAskedWithACounter();
    void failedCreationIsRetried();
    void refusedVisibilityIsRetried_data();
    void refusedVisibilityIsRetried();
    void shownOverlayGetsTheTextureAgain();
    void hiddenOverlayAsksTheRuntimeNothing();

private:
    static FakeOverlayState *state() { return FakeOpenVR::instance().overlay(QStringLiteral("oxaAlertOverlay")); }
};

void TestHudOverlay::init()
{
    FakeOpenVR::instance().reset();
}

void TestHudOverlay::placement_data()
{
    QTest::addColumn<float>("x");
    QTest::addColumn<float>("y");
    QTest::addColumn<float>("distance");
    QTest::addColumn<float>("px");
    QTest::addColumn<float>("py");
    QTest::addColumn<float>("pz");
    // x and z of the rotation's third column
    QTest::addColumn<float>("fx");
    QTest::addColumn<float>("fz");

    QTest::newRow("centre") << 0.5f << 0.5f << 0.3f << 0.0f << 0.0f << -0.3f << 0.0f << 1.0f;
    QTest::newRow("alert defaults") << 0.85f << 0.25f << 0.3f << 0.0876f << 0.0713f << -0.2779f << 0.0f << 0.0f;
    QTest::newRow("left edge, 1 m") << 0.0f << 0.5f << 1.0f << -0.4226f << 0.0f << -0.9063f << 0.4226f << 0.9063f;
}

void TestHudOverlay::placement()
{
    QFETCH(float, x);
    QFETCH(float, y);
    QFETCH(float, distance);
    QFETCH(float, px);
    QFETCH(float, py);
    QFETCH(float, pz);
    QFETCH(float, fx);
    QFETCH(float, fz);

    OpenVR_Overlay overlay("oxaAlertOverlay", "oxaAlertOverlay");
    overlay.setPlacement(x, y, distance, 128.0f);
    const vr::HmdMatrix34_t m = overlay.transform();

    const float tolerance = 1e-3f;
    QVERIFY2(std::abs(m.m[0][3] - px) < tolerance, qPrintable(QString::number(m.m[0][3])));
    QVERIFY2(std::abs(m.m[1][3] - py) < tolerance, qPrintable(QString::number(m.m[1][3])));
    QVERIFY2(std::abs(m.m[2][3] - pz) < tolerance, qPrintable(QString::number(m.m[2][3])));
    if (y == 0.5f) {
        // On the horizontal centre line the panel turns about the vertical
        // axis only, and its third column points back at the head.
        QVERIFY(std::abs(m.m[1][1] - 1.0f) < tolerance);
        QVERIFY(std::abs(m.m[0][2] - fx) < tolerance);
        QVERIFY(std::abs(m.m[2][2] - fz) < tolerance);
        QVERIFY(std::abs(m.m[0][0] - m.m[2][2]) < tolerance);
    }
    if (x == 0.5f && y == 0.5f) {
        for (int i = 0; i < 3; ++i) {
            for (int j = 0; j < 3; ++j)
                QVERIFY(std::abs(m.m[i][j] - (i == j ? 1.0f : 0.0f)) < 1e-5f);
        }
    }
}

void TestHudOverlay::zeroDistanceGivesZeroFacing()
{
    OpenVR_Overlay overlay("oxaAlertOverlay", "oxaAlertOverlay");
    overlay.setPlacement(0.85f, 0.25f, 0.0f, 128.0f);
    const vr::HmdMatrix34_t m = overlay.transform();
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 4; ++j)
            QCOMPARE(std::abs(m.m[i][j]), 0.0f);
    }
}

void TestHudOverlay::frameTimerInterval_data()
{
    QTest::addColumn<float>("frequency");
    QTest::addColumn<int>("intervalMs");

    QTest::newRow("90 Hz") << 90.0f << 5;
    QTest::newRow("120 Hz") << 120.0f << 4;
    QTest::newRow("144 Hz") << 144.0f << 3;
    // No frequency from the runtime: a usual headset's, never a 0 ms timer.
    QTest::newRow("none reported") << 0.0f << 5;
}

void TestHudOverlay::frameTimerInterval()
{
    QFETCH(float, frequency);
    QFETCH(int, intervalMs);

    FakeOpenVR::instance().displayFrequency = frequency;
    OpenVR_Overlay overlay("oxaAlertOverlay", "oxaAlertOverlay");
    QVERIFY(overlay.isFrameTimerActive());
    QCOMPARE(overlay.frameTimerIntervalMs(), intervalMs);
}

void TestHudOverlay::visibilityDrivesTheFrameTimer()
{
    OpenVR_Overlay overlay("oxaAlertOverlay", "oxaAlertOverlay");
    overlay.setVisible(false);
    QVERIFY(!state()->visible);
    QVERIFY(!overlay.isFrameTimerActive());
    overlay.setVisible(true);
    QVERIFY(state()->visible);
    QVERIFY(overlay.isFrameTimerActive());
}

void TestHudOverlay::lateFrameTickAlignsTheTimers()
{
    const quint64 started = TimerPhase::alignments();
    OpenVR_Overlay overlay("oxaAlertOverlay", "oxaAlertOverlay");
    overlay.setVisible(true);
    // The start itself aligns the frame timer with the others.
    QTRY_VERIFY_WITH_TIMEOUT(TimerPhase::alignments() > started, 2 * TimerPhase::minAlignmentGapMs + 5000);

    const quint64 before = TimerPhase::alignments();
    overlay.onFrame();
    // A thread held up for whole frames, as on a loaded machine: Qt then
    // starts the frame timer's period afresh, out of step with the ticks.
    QTest::qSleep(3 * overlay.frameTimerIntervalMs());
    overlay.onFrame();
    QTRY_VERIFY_WITH_TIMEOUT(TimerPhase::alignments() > before, 2 * TimerPhase::minAlignmentGapMs + 5000);
    QVERIFY(overlay.isFrameTimerActive());
}

void TestHudOverlay::oneTransformPerDisplayFrame()
{
    FakeOpenVR &fake = FakeOpenVR::instance();
    OpenVR_Overlay overlay("oxaAlertOverlay", "oxaAlertOverlay");
    overlay.setVisible(false); // the test drives the frames itself
    overlay.setPlacement(0.5f, 0.5f, 0.3f, 0.0f);

    MessageCatcher log;
    fake.frameCounter = 10;
    overlay.onFrame();
    QCOMPARE(state()->transformsSet, 1);
    // The first frame has nothing before it: no skip.
    QVERIFY(log.lines().isEmpty());
    QCOMPARE(state()->transform.m[2][3], -0.3f);

    // A second tick within the same display frame hands nothing over.
    overlay.onFrame();
    QCOMPARE(state()->transformsSet, 1);

    log.clear();
    fake.frameCounter = 11;
    overlay.onFrame();
    QCOMPARE(state()->transformsSet, 2);
    QVERIFY(log.lines().isEmpty());

    fake.frameCounter = 14;
    overlay.onFrame();
    QCOMPARE(state()->transformsSet, 3);
    QCOMPARE(log.messages(QtDebugMsg), QStringList {QStringLiteral("Skipped 2 Frames")});
}

void TestHudOverlay::skippedFrames_data()
{
    QTest::addColumn<quint64>("last");
    QTest::addColumn<quint64>("frame");
    QTest::addColumn<bool>("skip");

    QTest::newRow("next frame") << quint64(10) << quint64(11) << false;
    QTest::newRow("two missed") << quint64(10) << quint64(13) << true;
    QTest::newRow("a second's worth missed") << quint64(10) << quint64(101) << true;
    QTest::newRow("more than a second: a jump") << quint64(10) << quint64(102) << false;
    QTest::newRow("first frame") << quint64(0) << quint64(5000) << false;
    QTest::newRow("counter went back") << quint64(5000) << quint64(3) << false;
    QTest::newRow("counter went back by one") << quint64(5000) << quint64(4999) << false;
    QTest::newRow("near the top of the range") << quint64(UINT64_MAX - 1) << quint64(UINT64_MAX) << false;
    QTest::newRow("from the top back to zero") << quint64(UINT64_MAX) << quint64(0) << false;
    QTest::newRow("from the top back to a few") << quint64(UINT64_MAX) << quint64(5) << false;
}

void TestHudOverlay::skippedFrames()
{
    QFETCH(quint64, last);
    QFETCH(quint64, frame);
    QFETCH(bool, skip);
    QCOMPARE(OpenVR_Overlay::isSkip(last, frame, 90.0f), skip);
}

void TestHudOverlay::counterGoingBackIsAFrame()
{
    FakeOpenVR &fake = FakeOpenVR::instance();
    OpenVR_Overlay overlay("oxaAlertOverlay", "oxaAlertOverlay");
    overlay.setVisible(false);
    fake.frameCounter = 5000;
    overlay.onFrame();

    // A runtime that started over counts from the start again: that is a new
    // frame to hand a transform to, and no skip of nearly 2^64 frames.
    MessageCatcher log;
    fake.frameCounter = 3;
    overlay.onFrame();
    QCOMPARE(state()->transformsSet, 2);
    QVERIFY(log.lines().isEmpty());
    fake.frameCounter = 4;
    overlay.onFrame();
    QCOMPARE(state()->transformsSet, 3);
    QVERIFY(log.lines().isEmpty());
}

void TestHudOverlay::refusedTransformIsRetried()
{
    FakeOpenVR &fake = FakeOpenVR::instance();
    OpenVR_Overlay overlay("oxaAlertOverlay", "oxaAlertOverlay");
    overlay.setVisible(false);
    overlay.setPlacement(0.5f, 0.5f, 0.3f, 0.0f);

    MessageCatcher log;
    fake.frameCounter = 10;
    fake.failNext.insert(QStringLiteral("SetOverlayTransformTrackedDeviceRelative"), vr::VROverlayError_RequestFailed);
    overlay.onFrame();
    QCOMPARE(state()->transformsSet, 0);
    // The frame is still unhandled: the next tick, within it, tries again.
    overlay.onFrame();
    QCOMPARE(state()->transformsSet, 1);
    QCOMPARE(state()->transform.m[2][3], -0.3f);
    QCOMPARE(log.lines(),
        (QStringList {QStringLiteral("Error ( 23 ) setting overlay transform, name: oxaAlertOverlay"),
            QStringLiteral("SetOverlayTransformTrackedDeviceRelative failed 1 times in a row, now settled, name: "
                           "oxaAlertOverlay")}));
}

void TestHudOverlay::vsyncAskedWithACounter()
{
    // The runtime's interface does not promise that a null counter is allowed.
    FakeOpenVR &fake = FakeOpenVR::instance();
    OpenVR_Overlay overlay("oxaAlertOverlay", "oxaAlertOverlay");
    overlay.setVisible(false);
    fake.nullFrameCounterCalls = 0;
    fake.secondsSinceVsync = 0.001f;
    fake.frameCounter = 3;
    overlay.onFrame();
    QVERIFY(fake.calls.count(QStringLiteral("GetTimeSinceLastVsync")) >= 2);
    QCOMPARE(fake.nullFrameCounterCalls, 0);
}

void TestHudOverlay::failedCreationIsRetried()
{
    FakeOpenVR &fake = FakeOpenVR::instance();
    fake.failNext.insert(QStringLiteral("CreateOverlay"), vr::VROverlayError_KeyInUse);
    MessageCatcher log;
    OpenVR_Overlay overlay("oxaAlertOverlay", "oxaAlertOverlay");
    QCOMPARE(log.messages(QtCriticalMsg),
        QStringList {QStringLiteral("Error ( 17 ) creating overlay, name: oxaAlertOverlay")});
    QVERIFY(!overlay.hasFrameTimer());

    // What the controller asks meanwhile is kept, without runtime calls on a dead handle.
    fake.calls.clear();
    overlay.setVisible(true);
    overlay.setAlpha(0.75f);
    overlay.setWidthInMeters(0.05f);
    QVERIFY(!overlay.isFrameTimerActive());
    QVERIFY(fake.calls.isEmpty());

    // A second refusal in between is not logged again.
    fake.failNext.insert(QStringLiteral("CreateOverlay"), vr::VROverlayError_KeyInUse);
    QTRY_VERIFY_WITH_TIMEOUT((overlay.tick(), fake.calls.count(QStringLiteral("CreateOverlay")) == 1), 10000);
    QVERIFY(!overlay.isCreated());
    QTRY_VERIFY_WITH_TIMEOUT((overlay.tick(), overlay.isCreated()), 10000);

    QVERIFY(state());
    QVERIFY(state()->visible);
    QCOMPARE(state()->alpha, 0.75f);
    QCOMPARE(state()->widthInMeters, 0.05f);
    QVERIFY(overlay.isFrameTimerActive());
    QCOMPARE(log.messages(QtCriticalMsg).size(), 1);
    QCOMPARE(log.messages(QtInfoMsg),
        QStringList {QStringLiteral("CreateOverlay failed 2 times in a row, now settled, name: oxaAlertOverlay")});
}

void TestHudOverlay::refusedVisibilityIsRetried_data()
{
    QTest::addColumn<bool>("visible");
    QTest::addColumn<QString>("method");
    QTest::addColumn<QString>("message");

    QTest::newRow("show") << true << "ShowOverlay"
                          << "Error ( 23 ) showing overlay, name: oxaAlertOverlay";
    QTest::newRow("hide") << false << "HideOverlay"
                          << "Error ( 23 ) hiding overlay, name: oxaAlertOverlay";
}

void TestHudOverlay::refusedVisibilityIsRetried()
{
    QFETCH(bool, visible);
    QFETCH(QString, method);
    QFETCH(QString, message);

    FakeOpenVR &fake = FakeOpenVR::instance();
    OpenVR_Overlay overlay("oxaAlertOverlay", "oxaAlertOverlay");
    overlay.setVisible(!visible);
    QCOMPARE(state()->visible, !visible);
    // A picture shown at once, or waiting for the overlay to be shown.
    overlay.setTexture(3);
    QCOMPARE(state()->texturesSet, visible ? 0 : 1);

    MessageCatcher log;
    fake.failNext.insert(method, vr::VROverlayError_RequestFailed);
    overlay.setVisible(visible);
    QCOMPARE(state()->visible, !visible);
    fake.failNext.insert(method, vr::VROverlayError_RequestFailed);
    overlay.tick();
    QCOMPARE(state()->visible, !visible);
    overlay.tick();
    QCOMPARE(state()->visible, visible);
    // Shown at last, the overlay gets its picture on that tick.
    QCOMPARE(state()->texturesSet, 1);
    QCOMPARE(log.lines(),
        (QStringList {
            message, QStringLiteral("%1 failed 2 times in a row, now settled, name: oxaAlertOverlay").arg(method)}));

    // Settled: later ticks leave the overlay alone.
    fake.calls.clear();
    overlay.tick();
    QVERIFY(!fake.calls.contains(method));
}

void TestHudOverlay::shownOverlayGetsTheTextureAgain()
{
    OpenVR_Overlay overlay("oxaAlertOverlay", "oxaAlertOverlay");
    overlay.setVisible(true);
    overlay.setTexture(3);
    QCOMPARE(state()->texturesSet, 1);
    overlay.tick();
    QCOMPARE(state()->texturesSet, 1);

    // Hidden and shown again: the picture goes with it once.
    overlay.setVisible(false);
    overlay.tick();
    QCOMPARE(state()->texturesSet, 1);
    overlay.setVisible(true);
    overlay.tick();
    QCOMPARE(state()->texturesSet, 2);
    overlay.tick();
    QCOMPARE(state()->texturesSet, 2);
}

void TestHudOverlay::hiddenOverlayAsksTheRuntimeNothing()
{
    FakeOpenVR &fake = FakeOpenVR::instance();
    OpenVR_Overlay overlay("oxaAlertOverlay", "oxaAlertOverlay");
    overlay.setVisible(false);
    overlay.tick();
    // A picture rendered while the HUD rests waits without a question to the
    // runtime on each of its 50 ticks a second, even with the dashboard open.
    fake.dashboardVisible = true;
    fake.calls.clear();
    overlay.setTexture(3);
    for (int i = 0; i < 3; ++i)
        overlay.tick();
    QCOMPARE(fake.calls, QStringList());
    QCOMPARE(state()->texturesSet, 0);

    overlay.setVisible(true);
    overlay.tick();
    QCOMPARE(state()->texturesSet, 1);
    QCOMPARE(state()->lastTexture, reinterpret_cast<void *>(uintptr_t {3}));
}

QTEST_GUILESS_MAIN(TestHudOverlay)
#include "tst_hudoverlay.moc"
