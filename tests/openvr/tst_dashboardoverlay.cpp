#include "fakes/FakeOpenVR.h"
#include "fakes/MessageCatcher.h"
#include "openvr/OpenVR_Dashboard.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

class tst_DashboardOverlay : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void createdWithMouseInput();
    void thumbnailPath_data();
    void thumbnailPath();
    void everyStepRunsAfterAFailure();
    void visibilityAndPlacementAreTheRuntimes();

private:
    static FakeOverlayState *state() { return FakeOpenVR::instance().overlay(QStringLiteral("oxaDashboard")); }
};

void tst_DashboardOverlay::init()
{
    FakeOpenVR::instance().reset();
}

void tst_DashboardOverlay::createdWithMouseInput()
{
    OpenVR_Dashboard dashboard("Battery", "oxaDashboard", "Resources\\LightningBolt.png");
    QVERIFY(state());
    QCOMPARE(state()->name, QStringLiteral("Battery"));
    QVERIFY(state()->dashboard);
    QCOMPARE(state()->inputMethod, int(vr::VROverlayInputMethod_Mouse));
}

void tst_DashboardOverlay::thumbnailPath_data()
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

void tst_DashboardOverlay::thumbnailPath()
{
    QFETCH(QString, setting);
    QFETCH(QString, expected);

    MessageCatcher log;
    OpenVR_Dashboard dashboard("Battery", "oxaDashboard", setting.toStdString());
    QVERIFY(log.contains(QStringLiteral("BatteryIcon: \"%1\"").arg(expected)));
    QVERIFY(!expected.contains(QLatin1Char('\\')));
}

void tst_DashboardOverlay::everyStepRunsAfterAFailure()
{
    QTemporaryDir dir;
    const QString image = dir.filePath(QStringLiteral("bolt.png"));
    QFile file(image);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();

    FakeOpenVR &fake = FakeOpenVR::instance();
    fake.failNext.insert(QStringLiteral("CreateDashboardOverlay"), vr::VROverlayError_KeyInUse);
    fake.failNext.insert(QStringLiteral("SetOverlayInputMethod"), vr::VROverlayError_InvalidHandle);
    MessageCatcher log;
    OpenVR_Dashboard dashboard("Battery", "oxaDashboard", "Resources/missing.png");

    QCOMPARE(log.messages(QtCriticalMsg),
        (QStringList {
            QStringLiteral("Error ( 17 ) creating dashboard overlay, name: Battery"),
            QStringLiteral("Error ( 11 ) setting overlay input method, name: Battery"),
            QStringLiteral("Error ( 25 ) setting dashboard overlay thumbnail, name: Battery"),
        }));
    QCOMPARE(fake.calls,
        (QStringList {QStringLiteral("CreateDashboardOverlay"), QStringLiteral("SetOverlayInputMethod"),
            QStringLiteral("SetOverlayFromFile")}));

    // With a real image the thumbnail is set from its cleaned path.
    fake.reset();
    OpenVR_Dashboard second("Battery", "oxaDashboard", image.toStdString());
    QCOMPARE(fake.overlay(QStringLiteral("oxaDashboard.thumbnail"))->thumbnailFile, image);
}

void tst_DashboardOverlay::visibilityAndPlacementAreTheRuntimes()
{
    OpenVR_Dashboard dashboard("Battery", "oxaDashboard", "Resources/LightningBolt.png");
    FakeOpenVR::instance().calls.clear();
    dashboard.setVisible(true);
    dashboard.setVisible(false);
    dashboard.setPlacement(0.5f, 0.5f, 1.0f, 0.0f);
    QVERIFY(FakeOpenVR::instance().calls.isEmpty());
}

QTEST_GUILESS_MAIN(tst_DashboardOverlay)
#include "tst_dashboardoverlay.moc"
