#include "fakes/FakeOpenVR.h"
#include "fakes/MessageCatcher.h"
#include "openvr/OpenVR_Overlay.h"

#include <QtTest>

class tst_HudOverlay : public QObject
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
    void oneTransformPerDisplayFrame();
    void creationFailure();

private:
    static FakeOverlayState *state() { return FakeOpenVR::instance().overlay(QStringLiteral("oxaAlertOverlay")); }
};

void tst_HudOverlay::init()
{
    FakeOpenVR::instance().reset();
}

void tst_HudOverlay::placement_data()
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

void tst_HudOverlay::placement()
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

void tst_HudOverlay::zeroDistanceGivesZeroFacing()
{
    OpenVR_Overlay overlay("oxaAlertOverlay", "oxaAlertOverlay");
    overlay.setPlacement(0.85f, 0.25f, 0.0f, 128.0f);
    const vr::HmdMatrix34_t m = overlay.transform();
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 4; ++j)
            QCOMPARE(std::abs(m.m[i][j]), 0.0f);
    }
}

void tst_HudOverlay::frameTimerInterval_data()
{
    QTest::addColumn<float>("frequency");
    QTest::addColumn<int>("intervalMs");

    QTest::newRow("90 Hz") << 90.0f << 5;
    QTest::newRow("120 Hz") << 120.0f << 4;
    QTest::newRow("144 Hz") << 144.0f << 3;
    // No frequency from the runtime: a usual headset's, never a 0 ms timer.
    QTest::newRow("none reported") << 0.0f << 5;
}

void tst_HudOverlay::frameTimerInterval()
{
    QFETCH(float, frequency);
    QFETCH(int, intervalMs);

    FakeOpenVR::instance().displayFrequency = frequency;
    OpenVR_Overlay overlay("oxaAlertOverlay", "oxaAlertOverlay");
    QVERIFY(overlay.isFrameTimerActive());
    QCOMPARE(overlay.frameTimerIntervalMs(), intervalMs);
}

void tst_HudOverlay::visibilityDrivesTheFrameTimer()
{
    OpenVR_Overlay overlay("oxaAlertOverlay", "oxaAlertOverlay");
    overlay.setVisible(false);
    QVERIFY(!state()->visible);
    QVERIFY(!overlay.isFrameTimerActive());
    overlay.setVisible(true);
    QVERIFY(state()->visible);
    QVERIFY(overlay.isFrameTimerActive());
}

void tst_HudOverlay::oneTransformPerDisplayFrame()
{
    FakeOpenVR &fake = FakeOpenVR::instance();
    OpenVR_Overlay overlay("oxaAlertOverlay", "oxaAlertOverlay");
    overlay.setVisible(false); // the test drives the frames itself
    overlay.setPlacement(0.5f, 0.5f, 0.3f, 0.0f);

    MessageCatcher log;
    fake.frameCounter = 10;
    overlay.onFrame();
    QCOMPARE(state()->transformsSet, 1);
    QCOMPARE(log.messages(QtDebugMsg), QStringList {QStringLiteral("Skipped 9 Frames")});
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

void tst_HudOverlay::creationFailure()
{
    FakeOpenVR::instance().failNext.insert(QStringLiteral("CreateOverlay"), vr::VROverlayError_KeyInUse);
    MessageCatcher log;
    OpenVR_Overlay overlay("oxaAlertOverlay", "oxaAlertOverlay");
    QCOMPARE(log.messages(QtCriticalMsg),
        QStringList {QStringLiteral("Error ( 17 ) creating overlay, name: oxaAlertOverlay")});
    QVERIFY(!overlay.hasFrameTimer());
    overlay.setVisible(true); // only the runtime call, no timer to start
    QVERIFY(!overlay.isFrameTimerActive());
}

QTEST_GUILESS_MAIN(tst_HudOverlay)
#include "tst_hudoverlay.moc"
