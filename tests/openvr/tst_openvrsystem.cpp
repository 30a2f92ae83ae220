#include "fakes/EventLoop.h"
#include "fakes/FakeOpenVR.h"
#include "fakes/MessageCatcher.h"
#include "openvr/OpenVR_System.h"

#include <QDir>
#include <QtTest>

// The connection's own logic against the in-process fake runtime. The same
// paths run against the simulated runtime in the end-to-end tests.
class TestOpenVRSystem : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void secondInitKeepsTheFirstIdentity();
    void forcedInitReconnects();
    void knownApplicationIsNotRegisteredAgain();
    void installRegistersAndAutoLaunches();
    void installErrors_data();
    void installErrors();
    void missingManifestNeverReachesTheRuntime();
    void uninstallPaths();
    void quitShutsDownAndLeavesTheEventLoop();
    void utilityConnectionDoesNotPoll();
    void lostRuntimeLeavesTheEventLoop();
    void presentRuntimeIsAskedAndKept();

private:
    // The manifest the build places beside the program, seen from the test's folder.
    static std::string manifestName() { return "../../bin/Ampora.vrmanifest"; }
    static QString manifestFile()
    {
        return QDir::cleanPath(QCoreApplication::applicationDirPath() + QStringLiteral("/../../bin/Ampora.vrmanifest"));
    }
    OpenVR_System &system() { return OpenVR_System::instance(); }
};

// Every case connects with force, so each starts from a fresh connection.
void TestOpenVRSystem::init()
{
    FakeOpenVR::instance().reset();
    FakeOpenVR::instance().initialized = false;
    QVERIFY(QFile::exists(manifestFile()));
}

void TestOpenVRSystem::secondInitKeepsTheFirstIdentity()
{
    QVERIFY(system().init(vr::VRApplication_Overlay, manifestName(), "Tarvix.BatteryMonitor", true));
    const uint32_t token = FakeOpenVR::instance().token;

    QVERIFY(system().init(vr::VRApplication_Overlay, "Other.vrmanifest", "Other.Key", false));
    QCOMPARE(FakeOpenVR::instance().token, token);
    QCOMPARE(system().manifestPath(), manifestFile());
}

void TestOpenVRSystem::forcedInitReconnects()
{
    QVERIFY(system().init(vr::VRApplication_Overlay, manifestName(), "Tarvix.BatteryMonitor", true));
    const uint32_t token = FakeOpenVR::instance().token;
    QVERIFY(system().init(vr::VRApplication_Overlay, "Other.vrmanifest", "Other.Key", true));
    QVERIFY(FakeOpenVR::instance().token > token);
    QVERIFY(system().manifestPath().endsWith(QStringLiteral("/Other.vrmanifest")));
}

void TestOpenVRSystem::knownApplicationIsNotRegisteredAgain()
{
    FakeOpenVR::instance().installedApps.insert(QStringLiteral("Tarvix.BatteryMonitor"), QStringLiteral("/x"));
    MessageCatcher log;
    QVERIFY(system().init(vr::VRApplication_Overlay, manifestName(), "Tarvix.BatteryMonitor", true));
    QVERIFY(!log.contains(QStringLiteral("Installing...")));
    QVERIFY(!FakeOpenVR::instance().calls.contains(QStringLiteral("AddApplicationManifest")));
}

void TestOpenVRSystem::installRegistersAndAutoLaunches()
{
    MessageCatcher log;
    QVERIFY(system().init(vr::VRApplication_Utility, manifestName(), "Tarvix.BatteryMonitor", true));

    FakeOpenVR &fake = FakeOpenVR::instance();
    QCOMPARE(
        fake.installedApps.value(QStringLiteral("Tarvix.BatteryMonitor")), QDir::toNativeSeparators(manifestFile()));
    QVERIFY(fake.autoLaunch.value(QStringLiteral("Tarvix.BatteryMonitor")));
    QCOMPARE(log.lines(),
        (QStringList {QStringLiteral("Installing..."),
            QStringLiteral("Adding manifest file: \"%1\"").arg(QDir::toNativeSeparators(manifestFile()))}));

    // Asked again directly, it finds the application known.
    log.clear();
    QVERIFY(system().install());
    QCOMPARE(
        log.lines(), (QStringList {QStringLiteral("Installing..."), QStringLiteral("Manifest already installed")}));
}

void TestOpenVRSystem::installErrors_data()
{
    QTest::addColumn<QString>("method");
    QTest::addColumn<int>("error");
    QTest::addColumn<QString>("message");
    QTest::addColumn<bool>("registered");

    QTest::newRow("registration refused")
        << "AddApplicationManifest" << 107 << "Error installing manifest: 107" << false;
    // The registration stays when only auto-launch is refused.
    QTest::newRow("auto-launch refused") << "SetApplicationAutoLaunch" << 104
                                         << "Failed to set application auto launch: 104" << true;
}

void TestOpenVRSystem::installErrors()
{
    QFETCH(QString, method);
    QFETCH(int, error);
    QFETCH(QString, message);
    QFETCH(bool, registered);

    FakeOpenVR::instance().failNext.insert(method, error);
    MessageCatcher log;
    QVERIFY(system().init(vr::VRApplication_Utility, manifestName(), "Tarvix.BatteryMonitor", true));
    QCOMPARE(log.messages(QtCriticalMsg), QStringList {message});
    QCOMPARE(FakeOpenVR::instance().installedApps.contains(QStringLiteral("Tarvix.BatteryMonitor")), registered);
    QVERIFY(system().isInitialized());
}

void TestOpenVRSystem::missingManifestNeverReachesTheRuntime()
{
    MessageCatcher log;
    QVERIFY(system().init(vr::VRApplication_Utility, "Missing.vrmanifest", "Tarvix.BatteryMonitor", true));
    const QString expected = QCoreApplication::applicationDirPath() + QStringLiteral("/Missing.vrmanifest");
    QCOMPARE(log.messages(QtCriticalMsg),
        QStringList {QStringLiteral("Failed to find manifest file: \"%1\"").arg(expected)});
    QVERIFY(!FakeOpenVR::instance().calls.contains(QStringLiteral("AddApplicationManifest")));

    log.clear();
    QVERIFY(!system().uninstall());
    QCOMPARE(log.lines(),
        (QStringList {QStringLiteral("Uninstalling..."), QStringLiteral("Failed to find manifest.vrmanifest file")}));
}

void TestOpenVRSystem::uninstallPaths()
{
    QVERIFY(system().init(vr::VRApplication_Utility, manifestName(), "Tarvix.BatteryMonitor", true));
    const QString native = QDir::toNativeSeparators(manifestFile());

    MessageCatcher log;
    FakeOpenVR::instance().failNext.insert(QStringLiteral("RemoveApplicationManifest"), 105);
    system().uninstall();
    QCOMPARE(log.lines(),
        (QStringList {QStringLiteral("Uninstalling..."), QStringLiteral("Application installed, uninstalling..."),
            QStringLiteral("Application manifest= \"%1\"").arg(native),
            QStringLiteral("Failed to remove application manifest: 105")}));

    log.clear();
    QVERIFY(system().uninstall());
    QVERIFY(!FakeOpenVR::instance().installedApps.contains(QStringLiteral("Tarvix.BatteryMonitor")));
    log.clear();
    system().uninstall();
    QCOMPARE(log.lines(), (QStringList {QStringLiteral("Uninstalling..."), QStringLiteral("Manifest not installed")}));
}

void TestOpenVRSystem::quitShutsDownAndLeavesTheEventLoop()
{
    QVERIFY(system().init(vr::VRApplication_Overlay, manifestName(), "Tarvix.BatteryMonitor", true));
    FakeOpenVR &fake = FakeOpenVR::instance();
    fake.systemEvents.push_back(FakeOpenVR::event(vr::VREvent_OverlayShown));
    fake.systemEvents.push_back(FakeOpenVR::event(vr::VREvent_Quit));
    fake.systemEvents.push_back(FakeOpenVR::event(vr::VREvent_DashboardActivated));

    // The poll runs on its own timer inside a real event loop, which the
    // quit request must end.
    QVERIFY(runEventLoopUntilQuit(5000));
    QVERIFY(!system().isInitialized());
    QVERIFY(!fake.initialized);
    QCOMPARE(fake.systemEvents.size(), size_t(1)); // the poll stopped at the quit
    QVERIFY(vr::VROverlay() == nullptr);
    QVERIFY(vr::VRSystem() == nullptr);
    // The runtime heard that the program is leaving before it disconnected.
    QCOMPARE(fake.quitAcknowledgements, std::vector<bool> {true});
}

void TestOpenVRSystem::utilityConnectionDoesNotPoll()
{
    QVERIFY(system().init(vr::VRApplication_Utility, manifestName(), "Tarvix.BatteryMonitor", true));
    FakeOpenVR::instance().systemEvents.push_back(FakeOpenVR::event(vr::VREvent_Quit));
    FakeOpenVR::instance().calls.clear();
    QTest::qWait(3 * OpenVR_System::pollIntervalMs);
    QVERIFY(!FakeOpenVR::instance().calls.contains(QStringLiteral("PollNextEvent")));
    QVERIFY(system().isInitialized());
}

void TestOpenVRSystem::lostRuntimeLeavesTheEventLoop()
{
    QVERIFY(system().init(vr::VRApplication_Overlay, manifestName(), "Tarvix.BatteryMonitor", true));
    FakeOpenVR &fake = FakeOpenVR::instance();
    fake.runtimeGone = true;
    MessageCatcher log;

    QVERIFY(runEventLoopUntilQuit(10000));
    QVERIFY(!system().isInitialized());
    QVERIFY(!fake.initialized);
    QVERIFY(fake.quitAcknowledgements.empty()); // there was no quit to acknowledge
    QVERIFY2(log.warnings().join('\n').contains(QLatin1String("Lost the connection to the VR runtime")),
        qPrintable(log.warnings().join('\n')));
}

void TestOpenVRSystem::presentRuntimeIsAskedAndKept()
{
    QVERIFY(system().init(vr::VRApplication_Overlay, manifestName(), "Tarvix.BatteryMonitor", true));
    FakeOpenVR &fake = FakeOpenVR::instance();
    fake.calls.clear();
    // Asked now and then, not on every poll; and an answer is no reason to leave.
    QTRY_VERIFY_WITH_TIMEOUT(fake.calls.count(QStringLiteral("GetFloatTrackedDeviceProperty")) >= 2, 10000);
    QVERIFY(fake.calls.count(QStringLiteral("PollNextEvent"))
        > fake.calls.count(QStringLiteral("GetFloatTrackedDeviceProperty")));
    QVERIFY(system().isInitialized());
    QVERIFY(fake.initialized);
}

QTEST_GUILESS_MAIN(TestOpenVRSystem)
#include "tst_openvrsystem.moc"
