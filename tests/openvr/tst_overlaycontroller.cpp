#include "fakes/FakeOverlay.h"
#include "fakes/FakeOverlayModel.h"
#include "fakes/FakeTextureView.h"
#include "fakes/MessageCatcher.h"
#include "openvr/VROverlayController.h"

#include <QtTest>

#include <cmath>
#include <limits>

class TestOverlayController : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void firstRecordIsAlwaysApplied();
    void hiddenFirstRecordHidesAtOnce();
    void identicalRecordChangesNothing();
    void fadeOutDurationAloneReappliesWithoutVisibility();
    void notANumberIsAppliedOnce_data();
    void notANumberIsAppliedOnce();
    void criticalWhileVisibleStopsHideTimer();
    void hideTimerInterval_data();
    void hideTimerInterval();
    void hideTimerHidesUntilAFlagChanges();
    void updateInterval_data();
    void updateInterval();
    void eventsForwardedOnlyWhileVisible();
    void eachNewFrameHandedOverOnce();
    void nothingHandedOverBeforeTheFirstFrame();
    void overlayTickedEveryTick();

private:
    std::unique_ptr<VROverlayController> makeController();
    static const QStringList shownCalls;

    std::shared_ptr<FakeOverlay> m_overlay;
    std::shared_ptr<FakeTextureView> m_view;
    std::shared_ptr<FakeOverlayModel> m_model;
};

// What showing the default alert record asks of the overlay, in order.
const QStringList TestOverlayController::shownCalls = {
    QStringLiteral("setVisible(true)"),
    QStringLiteral("setAlpha(1)"),
    QStringLiteral("setMouseScale(1043,537)"),
    QStringLiteral("setWidthInMeters(0.05)"),
    QStringLiteral("setPlacement(0.85,0.25,0.3,128)"),
    QStringLiteral("setAlpha(1)"),
};

void TestOverlayController::init()
{
    m_overlay = std::make_shared<FakeOverlay>();
    m_view = std::make_shared<FakeTextureView>();
    m_model = std::make_shared<FakeOverlayModel>();
}

std::unique_ptr<VROverlayController> TestOverlayController::makeController()
{
    return std::make_unique<VROverlayController>(m_overlay, m_overlay, m_view, m_model);
}

void TestOverlayController::firstRecordIsAlwaysApplied()
{
    m_model->settings = FakeOverlayModel::alertRecord(true, false);
    MessageCatcher log;
    auto controller = makeController();

    QCOMPARE(m_overlay->calls, shownCalls);
    QCOMPARE(log.messages(QtDebugMsg),
        (QStringList {
            QStringLiteral("Got new settings:"),
            QStringLiteral("   IsVisible: true"),
            QStringLiteral("   IsPermanent: false"),
            QStringLiteral("\txPos: 0.85"),
            QStringLiteral("\tyPos: 0.25"),
            QStringLiteral("\tDistance: 0.3"),
            QStringLiteral("\tInterpolationSpeed: 128"),
        }));
    QVERIFY(controller->isHideTimerActive());
    QCOMPARE(controller->hideTimerIntervalMs(), 5000);
}

void TestOverlayController::hiddenFirstRecordHidesAtOnce()
{
    auto controller = makeController();
    QCOMPARE(
        m_overlay->calls.mid(0, 2), (QStringList {QStringLiteral("setAlpha(0)"), QStringLiteral("setVisible(false)")}));
    QVERIFY(!controller->isHideTimerActive());
}

void TestOverlayController::identicalRecordChangesNothing()
{
    auto controller = makeController();
    m_overlay->calls.clear();

    MessageCatcher log;
    controller->applySettings();
    controller->applySettings();

    QVERIFY(m_overlay->calls.isEmpty());
    QVERIFY(log.lines().isEmpty());
}

void TestOverlayController::fadeOutDurationAloneReappliesWithoutVisibility()
{
    m_model->settings = FakeOverlayModel::alertRecord(true, false);
    auto controller = makeController();
    m_overlay->calls.clear();

    m_model->settings.fadeOutDuration = 2.0f;
    MessageCatcher log;
    controller->applySettings();

    QCOMPARE(m_overlay->calls, shownCalls.mid(2));
    QCOMPARE(log.lines().value(0), QStringLiteral("Got new settings:"));
}

void TestOverlayController::notANumberIsAppliedOnce_data()
{
    QTest::addColumn<QString>("field");
    for (const char *field : {"duration", "fadeOutDuration", "maxAlpha", "interpolationSpeed", "xPos", "yPos",
             "distance", "scale", "updateIntervalMs"})
        QTest::newRow(field) << QString::fromLatin1(field);
}

void TestOverlayController::notANumberIsAppliedOnce()
{
    QFETCH(QString, field);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    OverlaySettings &s = m_model->settings;
    s = FakeOverlayModel::alertRecord(true, false);
    auto controller = makeController();

    const QHash<QString, float *> fields {{QStringLiteral("duration"), &s.duration},
        {QStringLiteral("fadeOutDuration"), &s.fadeOutDuration}, {QStringLiteral("maxAlpha"), &s.maxAlpha},
        {QStringLiteral("interpolationSpeed"), &s.interpolationSpeed}, {QStringLiteral("xPos"), &s.xPos},
        {QStringLiteral("yPos"), &s.yPos}, {QStringLiteral("distance"), &s.distance},
        {QStringLiteral("scale"), &s.scale}, {QStringLiteral("updateIntervalMs"), &s.updateIntervalMs}};
    *fields.value(field) = nan;
    m_overlay->calls.clear();

    MessageCatcher log;
    controller->applySettings();
    QCOMPARE(log.lines().value(0), QStringLiteral("Got new settings:"));
    QVERIFY(m_overlay->calls.contains(QStringLiteral("setMouseScale(1043,537)")));

    // The same NaN again is no change: nothing logged or applied on later ticks.
    log.clear();
    m_overlay->calls.clear();
    controller->applySettings();
    controller->applySettings();
    QVERIFY(log.lines().isEmpty());
    QVERIFY(m_overlay->calls.isEmpty());

    // A number again is a change.
    *fields.value(field) = 1.0f;
    controller->applySettings();
    QCOMPARE(log.lines().value(0), QStringLiteral("Got new settings:"));
}

void TestOverlayController::criticalWhileVisibleStopsHideTimer()
{
    m_model->settings = FakeOverlayModel::alertRecord(true, false);
    auto controller = makeController();
    QVERIFY(controller->isHideTimerActive());
    m_overlay->calls.clear();

    m_model->settings.isPermanent = true;
    controller->applySettings();

    QVERIFY(!controller->isHideTimerActive());
    QCOMPARE(m_overlay->calls, shownCalls);
}

void TestOverlayController::hideTimerInterval_data()
{
    QTest::addColumn<float>("duration");
    QTest::addColumn<int>("intervalMs");

    QTest::newRow("default 5 s") << 5.0f << 5000;
    QTest::newRow("2.5 s") << 2.5f << 2500;
    QTest::newRow("0.0001 s truncates to 0") << 0.0001f << 0;
    QTest::newRow("0.0019 s truncates to 1") << 0.0019f << 1;
    // Values from the file that no timer can take.
    const float infinity = std::numeric_limits<float>::infinity();
    QTest::newRow("NaN gives 0") << std::numeric_limits<float>::quiet_NaN() << 0;
    QTest::newRow("negative gives 0") << -3.0f << 0;
    QTest::newRow("minus infinity gives 0") << -infinity << 0;
    QTest::newRow("1e30 s is clamped") << 1e30f << std::numeric_limits<int>::max();
    QTest::newRow("infinity is clamped") << infinity << std::numeric_limits<int>::max();
    QTest::newRow("just beyond the range is clamped") << 2147484.0f << std::numeric_limits<int>::max();
}

void TestOverlayController::hideTimerInterval()
{
    QFETCH(float, duration);
    QFETCH(int, intervalMs);

    m_model->settings = FakeOverlayModel::alertRecord(true, false);
    m_model->settings.duration = duration;
    auto controller = makeController();
    QCOMPARE(controller->hideTimerIntervalMs(), intervalMs);
}

void TestOverlayController::hideTimerHidesUntilAFlagChanges()
{
    m_model->settings = FakeOverlayModel::alertRecord(true, false);
    m_model->settings.duration = 0.05f;
    auto controller = makeController();
    m_overlay->calls.clear();

    QTRY_COMPARE(
        m_overlay->calls.mid(0, 2), (QStringList {QStringLiteral("setAlpha(0)"), QStringLiteral("setVisible(false)")}));

    // The record has not changed: the panel stays hidden tick after tick.
    m_overlay->calls.clear();
    controller->applySettings();
    QVERIFY(m_overlay->calls.isEmpty());

    // Recovery and a new fall show it again.
    m_model->settings.isVisible = false;
    controller->applySettings();
    m_model->settings.isVisible = true;
    m_overlay->calls.clear();
    controller->applySettings();
    QCOMPARE(m_overlay->calls.value(0), QStringLiteral("setVisible(true)"));
    QVERIFY(controller->isHideTimerActive());
}

void TestOverlayController::updateInterval_data()
{
    QTest::addColumn<float>("requested");
    QTest::addColumn<int>("intervalMs");

    QTest::newRow("20") << 20.0f << 20;
    QTest::newRow("33.9 truncates") << 33.9f << 33;
    QTest::newRow("0 falls back") << 0.0f << 20;
    QTest::newRow("negative falls back") << -5.0f << 20;
    QTest::newRow("NaN falls back") << std::numeric_limits<float>::quiet_NaN() << 20;
    QTest::newRow("infinity falls back") << std::numeric_limits<float>::infinity() << 20;
    QTest::newRow("beyond a timer's range falls back") << 1e30f << 20;
}

void TestOverlayController::updateInterval()
{
    QFETCH(float, requested);
    QFETCH(int, intervalMs);

    m_model->settings.updateIntervalMs = requested;
    auto controller = makeController();
    QCOMPARE(controller->updateIntervalMs(), intervalMs);

    // Taken once: a later record does not move the tick.
    m_model->settings.updateIntervalMs = 100.0f;
    controller->applySettings();
    QCOMPARE(controller->updateIntervalMs(), intervalMs);
}

void TestOverlayController::eventsForwardedOnlyWhileVisible()
{
    auto controller = makeController();
    m_overlay->events = {{0, 10.0f, 20.0f, 0}, {2, 10.0f, 20.0f, 1}};

    const int ticks = m_model->requests;
    QTRY_VERIFY(m_model->requests > ticks + 2);
    QCOMPARE(m_overlay->events.size(), 2);
    QVERIFY(m_view->injected.isEmpty());

    m_model->settings = FakeOverlayModel::alertRecord(true, true);
    QTRY_COMPARE(m_view->injected.size(), 2);
    QCOMPARE(m_view->injected.at(1).kind, 2u);
    QCOMPARE(m_view->injected.at(1).button, 1u);
    QVERIFY(m_overlay->events.isEmpty());
}

void TestOverlayController::eachNewFrameHandedOverOnce()
{
    m_model->settings = FakeOverlayModel::alertRecord(true, true);
    m_view->texture = 42;
    auto controller = makeController();

    QTRY_COMPARE(m_overlay->textureCalls, 1);
    QCOMPARE(m_overlay->lastTexture, 42u);

    // The picture did not change: tick after tick, nothing is handed over.
    int ticks = m_overlay->ticks;
    QTRY_VERIFY(m_overlay->ticks >= ticks + 5);
    QCOMPARE(m_overlay->textureCalls, 1);

    // Each rendered frame goes over once, with the view's texture as it is then.
    m_view->frames = 2;
    m_view->texture = 43;
    QTRY_COMPARE(m_overlay->textureCalls, 2);
    QCOMPARE(m_overlay->lastTexture, 43u);
    m_view->frames = 5;
    QTRY_COMPARE(m_overlay->textureCalls, 3);
    ticks = m_overlay->ticks;
    QTRY_VERIFY(m_overlay->ticks >= ticks + 5);
    QCOMPARE(m_overlay->textureCalls, 3);
}

void TestOverlayController::nothingHandedOverBeforeTheFirstFrame()
{
    m_view->frames = 0;
    m_view->texture = 0;
    auto controller = makeController();

    const int ticks = m_overlay->ticks;
    QTRY_VERIFY(m_overlay->ticks >= ticks + 5);
    QCOMPARE(m_overlay->textureCalls, 0);

    m_view->frames = 1;
    m_view->texture = 9;
    QTRY_COMPARE(m_overlay->textureCalls, 1);
    QCOMPARE(m_overlay->lastTexture, 9u);
}

void TestOverlayController::overlayTickedEveryTick()
{
    // The overlay retries what the runtime refused from its tick, hidden or
    // shown, with or without a model.
    auto controller = makeController();
    QTRY_VERIFY(m_overlay->ticks >= 3);
    QVERIFY(std::abs(m_overlay->ticks - (m_model->requests - 1)) <= 1);

    VROverlayController withoutModel(m_overlay, m_overlay, m_view, nullptr);
    const int ticks = m_overlay->ticks;
    QTRY_VERIFY(m_overlay->ticks >= ticks + 6);
}

QTEST_GUILESS_MAIN(TestOverlayController)
#include "tst_overlaycontroller.moc"
