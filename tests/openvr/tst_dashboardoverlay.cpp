#include "fakes/FakeOpenVR.h"
#include "fakes/MessageCatcher.h"
#include "openvr/OpenVR_Dashboard.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

class TestDashboardOverlay : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void createdWithMouseInput();
    void thumbnailPath_data();
    void thumbnailPath();
    void failedCreationIsRetried();
    void laterStepsRetriedOnTheirOwn_data();
    void laterStepsRetriedOnTheirOwn();
    void visibilityAndPlacementAreTheRuntimes();

private:
    static FakeOverlayState *state() { return FakeOpenVR::instance().overlay(QStringLiteral("oxaDashboard")); }
};

void TestDashboardOverlay::init()
{
    FakeOpenVR::instance().reset();
}

void TestDashboardOverlay::createdWithMouseInput()
{
    OpenVR_Dashboard dashboard("Battery", "oxaDashboard", "Resources\\LightningBolt.png");
    QVERIFY(state());
    QCOMPARE(state()->name, QStringLiteral("Battery"));
    QVERIFY(state()->dashboard);
    QCOMPARE(state()->inputMethod, int(vr::VROverlayInputMethod_Mouse));
}

void TestDashboardOverlay::thumbnailPath_data()
{
    QTest::addColumn<QString>("setting");
    QTest::addColumn<QString>("expected");

    const QString programDir = QCoreApplication::applicationDirPath();
    QTest::newRow("default, backslash") << "Resources\\LightningBolt.png"
                                        << programDir + QStringLiteral("/Resources/LightningBolt.png");
    QTest::newRow("forward slash") << "Resources/LightningBolt.png"
                                   << programDir + QStringLiteral("/Resources/LightningBolt.png");
    QTest::newRow("dot segments") << "./Resources/../Resources/LightningBolt.png"
                                  << programDir + QStringLiteral("/Resources/LightningBolt.png");
    QTest::newRow("absolute") << "/opt/icons//bolt.png"
                              << "/opt/icons/bolt.png";
    QTest::newRow("empty") << "" << programDir;
}

void TestDashboardOverlay::thumbnailPath()
{
    QFETCH(QString, setting);
    QFETCH(QString, expected);

    MessageCatcher log;
    OpenVR_Dashboard dashboard("Battery", "oxaDashboard", setting.toStdString());
    QVERIFY(log.contains(QStringLiteral("BatteryIcon: \"%1\"").arg(expected)));
    QVERIFY(!expected.contains(QLatin1Char('\\')));
}

void TestDashboardOverlay::failedCreationIsRetried()
{
    FakeOpenVR &fake = FakeOpenVR::instance();
    fake.failNext.insert(QStringLiteral("CreateDashboardOverlay"), vr::VROverlayError_KeyInUse);
    MessageCatcher log;
    OpenVR_Dashboard dashboard("Battery", "oxaDashboard", "Resources/LightningBolt.png");

    // Nothing is asked of an overlay that does not exist: one message, no calls on a dead handle.
    QCOMPARE(log.messages(QtCriticalMsg),
        QStringList {QStringLiteral("Error ( 17 ) creating dashboard overlay, name: Battery")});
    QCOMPARE(fake.calls, QStringList {QStringLiteral("CreateDashboardOverlay")});
    QVERIFY(!dashboard.isCreated());
    dashboard.setMouseScale(1920, 945);
    dashboard.setWidthInMeters(3.0f);
    dashboard.setTexture(4);

    // Not asked again on every tick, but soon.
    for (int i = 0; i < 100; ++i)
        dashboard.tick();
    QVERIFY(fake.calls.count(QStringLiteral("CreateDashboardOverlay")) < 50);
    QTRY_VERIFY_WITH_TIMEOUT((dashboard.tick(), dashboard.isCreated()), 10000);

    // Once there, it gets all the steps and everything asked for meanwhile.
    QVERIFY(state());
    QCOMPARE(state()->inputMethod, int(vr::VROverlayInputMethod_Mouse));
    QVERIFY(fake.calls.contains(QStringLiteral("SetOverlayFromFile")));
    QCOMPARE(state()->mouseScale.v[0], 1920.0f);
    QCOMPARE(state()->widthInMeters, 3.0f);
    // The texture kept from before waits until the dashboard shows the overlay.
    fake.dashboardVisible = true;
    state()->events.push_back(FakeOpenVR::event(vr::VREvent_OverlayShown));
    OverlayMouseEvent event;
    QVERIFY(!dashboard.pollEvent(event));
    dashboard.tick();
    QCOMPARE(state()->texturesSet, 1);
    QCOMPARE(log.messages(QtInfoMsg),
        QStringList {QStringLiteral("CreateDashboardOverlay failed 1 times in a row, now settled, name: Battery")});
}

void TestDashboardOverlay::laterStepsRetriedOnTheirOwn_data()
{
    QTest::addColumn<QString>("method");
    QTest::addColumn<int>("error");
    QTest::addColumn<bool>("retried");
    QTest::addColumn<QString>("message");

    QTest::newRow("input method") << "SetOverlayInputMethod" << int(vr::VROverlayError_RequestFailed) << true
                                  << "Error ( 23 ) setting overlay input method, name: Battery";
    QTest::newRow("thumbnail, runtime busy") << "SetOverlayFromFile" << int(vr::VROverlayError_RequestFailed) << true
                                             << "Error ( 23 ) setting dashboard overlay thumbnail, name: Battery";
    // A missing image stays missing: asking on every tick would only repeat the error.
    QTest::newRow("thumbnail, no such file")
        << "SetOverlayFromFile" << int(vr::VROverlayError_UnableToLoadFile) << false
        << "Error ( 25 ) setting dashboard overlay thumbnail, name: Battery";
}

void TestDashboardOverlay::laterStepsRetriedOnTheirOwn()
{
    QFETCH(QString, method);
    QFETCH(int, error);
    QFETCH(bool, retried);
    QFETCH(QString, message);

    QTemporaryDir dir;
    const QString image = dir.filePath(QStringLiteral("bolt.png"));
    QFile file(image);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();

    FakeOpenVR &fake = FakeOpenVR::instance();
    fake.failNext.insert(method, error);
    MessageCatcher log;
    OpenVR_Dashboard dashboard("Battery", "oxaDashboard", image.toStdString());
    QVERIFY(dashboard.isCreated());
    QCOMPARE(log.messages(QtCriticalMsg), QStringList {message});

    fake.calls.clear();
    dashboard.tick();
    dashboard.tick();
    QCOMPARE(fake.calls.count(method), retried ? 1 : 0);
    QCOMPARE(state()->inputMethod, int(vr::VROverlayInputMethod_Mouse));
    const QString thumbnail = fake.overlay(QStringLiteral("oxaDashboard.thumbnail"))->thumbnailFile;
    QCOMPARE(thumbnail, retried ? image : QString());
    QCOMPARE(log.messages(QtCriticalMsg).size(), 1);
}

void TestDashboardOverlay::visibilityAndPlacementAreTheRuntimes()
{
    OpenVR_Dashboard dashboard("Battery", "oxaDashboard", "Resources/LightningBolt.png");
    FakeOpenVR::instance().calls.clear();
    dashboard.setVisible(true);
    dashboard.setVisible(false);
    dashboard.setPlacement(0.5f, 0.5f, 1.0f, 0.0f);
    QVERIFY(FakeOpenVR::instance().calls.isEmpty());
}

QTEST_GUILESS_MAIN(TestDashboardOverlay)
#include "tst_dashboardoverlay.moc"
