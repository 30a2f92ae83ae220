#include "fakes/FakeBatteryModel.h"
#include "fakes/FakeOpenVR.h"
#include "fakes/IsolatedSettings.h"
#include "feature/BatteryDashboardModel.h"
#include "feature/BatteryMonitorFeature.h"
#include "feature/BatteryOverlayModel.h"
#include "openvr/OpenVR_System.h"
#include "openvr/VROverlayController.h"

#include <QQuickStyle>
#include <QtTest>

// The whole feature, with real panels rendering off screen and the in-process
// fake runtime in place of a VR runtime.
class TestBatteryMonitorFeature : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void constructionConnectsAsOverlayApplication();
    void startBuildsBothPanelsAtOnce();
    void lowBatteryShowsTheHudAtStart();
    void stopReleasesThePanels();
    void titleComesFromTheSettings();

private:
    std::unique_ptr<BatteryMonitorFeature> makeFeature(BatteryLevels levels);

    std::unique_ptr<IsolatedSettings> m_settings;
};

void TestBatteryMonitorFeature::initTestCase()
{
    m_settings = std::make_unique<IsolatedSettings>();
    QVERIFY(m_settings->isValid());
    QQuickStyle::setStyle(QStringLiteral("Material"));
}

void TestBatteryMonitorFeature::init()
{
    IsolatedSettings::restoreDefaults();
    // The process keeps its one connection from the first feature on; the
    // fake runtime starts each case empty but connected.
    FakeOpenVR::instance().reset();
}

std::unique_ptr<BatteryMonitorFeature> TestBatteryMonitorFeature::makeFeature(BatteryLevels levels)
{
    auto battery = std::make_shared<FakeBatteryModel>(levels);
    return std::make_unique<BatteryMonitorFeature>(
        battery, std::make_shared<BatteryOverlayModel>(battery), std::make_shared<BatteryDashboardModel>());
}

void TestBatteryMonitorFeature::constructionConnectsAsOverlayApplication()
{
    auto feature = makeFeature(FakeBatteryModel::levels(80, 80, 80, 80));
    QVERIFY(OpenVR_System::instance().isInitialized());
    QVERIFY(FakeOpenVR::instance().overlays.isEmpty());
    QVERIFY(!feature->isStarted());
    QVERIFY(!feature->dashboardController());
}

void TestBatteryMonitorFeature::startBuildsBothPanelsAtOnce()
{
    auto feature = makeFeature(FakeBatteryModel::levels(80, 80, 80, 80));
    feature->start();

    QVERIFY(feature->isStarted());
    QVERIFY(feature->dashboardController());
    QVERIFY(feature->alertController());

    // Before the event loop has run a single tick, the first records are applied.
    FakeOpenVR &fake = FakeOpenVR::instance();
    const FakeOverlayState *dashboard = fake.overlay(QStringLiteral("oxaDashboard"));
    QVERIFY(dashboard);
    QCOMPARE(dashboard->name, QStringLiteral("Battery"));
    QCOMPARE(dashboard->mouseScale.v[0], 1920.0f);
    QCOMPARE(dashboard->mouseScale.v[1], 945.0f);
    QCOMPARE(dashboard->widthInMeters, 3.0f);
    QCOMPARE(dashboard->alpha, 1.0f);
    QVERIFY(
        dashboard->thumbnailFile.isEmpty() || dashboard->thumbnailFile.endsWith(QLatin1String("LightningBolt.png")));

    const FakeOverlayState *alert = fake.overlay(QStringLiteral("oxaAlertOverlay"));
    QVERIFY(alert);
    QVERIFY(!alert->visible);
    QCOMPARE(alert->mouseScale.v[0], 1043.0f);
    QCOMPARE(alert->widthInMeters, 0.05f);
}

void TestBatteryMonitorFeature::lowBatteryShowsTheHudAtStart()
{
    auto feature = makeFeature(FakeBatteryModel::levels(80, 15, 80, 80));
    feature->start();
    const FakeOverlayState *alert = FakeOpenVR::instance().overlay(QStringLiteral("oxaAlertOverlay"));
    QVERIFY(alert->visible);
    QCOMPARE(alert->alpha, 1.0f);

    // Both panels render and their textures reach the runtime once seen.
    FakeOpenVR::instance().dashboardVisible = true;
    QTRY_VERIFY(FakeOpenVR::instance().overlay(QStringLiteral("oxaAlertOverlay"))->texturesSet > 0);
    QTRY_VERIFY(FakeOpenVR::instance().overlay(QStringLiteral("oxaDashboard"))->texturesSet > 0);
    QVERIFY(FakeOpenVR::instance().overlay(QStringLiteral("oxaDashboard"))->lastTexture != nullptr);
}

void TestBatteryMonitorFeature::stopReleasesThePanels()
{
    auto neverStarted = makeFeature(FakeBatteryModel::levels(80, 80, 80, 80));
    neverStarted->stop();
    QVERIFY(!neverStarted->isStarted());

    auto feature = makeFeature(FakeBatteryModel::levels(80, 80, 80, 80));
    feature->start();
    feature->stop();
    QVERIFY(!feature->isStarted());
    QVERIFY(!feature->dashboardController());
    QVERIFY(!feature->alertController());

    // No tick of a deleted controller reaches the runtime any more.
    FakeOpenVR::instance().calls.clear();
    QTest::qWait(100);
    QVERIFY(!FakeOpenVR::instance().calls.contains(QStringLiteral("IsDashboardVisible")));
}

void TestBatteryMonitorFeature::titleComesFromTheSettings()
{
    openSettings()->setValue(QStringLiteral("Dashboard/Title"), QStringLiteral("Power"));
    auto feature = makeFeature(FakeBatteryModel::levels(80, 80, 80, 80));
    feature->start();
    QCOMPARE(FakeOpenVR::instance().overlay(QStringLiteral("oxaDashboard"))->name, QStringLiteral("Power"));
}

QTEST_MAIN(TestBatteryMonitorFeature)
#include "tst_batterymonitorfeature.moc"
