#include "fakes/EventLoop.h"
#include "fakes/MessageCatcher.h"
#include "openvr/OpenVR_System.h"
#include "support/VrsimRuntime.h"

#include <QJsonArray>
#include <QtTest>

// The runtime connection in this process, against a simulated runtime of the
// test's own (the failure paths that end the process run as child processes
// in the command-line tests).
class TestOpenVRSystemVrsim : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void connectsRegistersAndKeepsItsIdentity();
    void knownApplicationIsNotRegisteredAgain();
    void runtimeQuitDisconnectsAndEndsTheEventLoop();

private:
    static std::string manifestName() { return "../../bin/Ampora.vrmanifest"; }
    static bool registered(const VrsimRuntime &server)
    {
        return !server.application(QStringLiteral("Tarvix.BatteryMonitor")).isEmpty();
    }
    std::unique_ptr<VrsimRuntime> m_server;
};

void TestOpenVRSystemVrsim::initTestCase()
{
    m_server = std::make_unique<VrsimRuntime>();
    QVERIFY(m_server->start());
    m_server->useInThisProcess();
}

void TestOpenVRSystemVrsim::connectsRegistersAndKeepsItsIdentity()
{
    OpenVR_System &system = OpenVR_System::instance();
    QVERIFY(system.init(vr::VRApplication_Overlay, manifestName(), "Tarvix.BatteryMonitor", false));
    QVERIFY(system.isInitialized());
    QVERIFY(registered(*m_server));
    QVERIFY(vr::VROverlay());

    const QString manifest = system.manifestPath();
    QVERIFY(system.init(vr::VRApplication_Overlay, "Other.vrmanifest", "Other.Key", false));
    QCOMPARE(system.manifestPath(), manifest);
    QCOMPARE(m_server->status().value(QStringLiteral("clients")).toArray().size(), 1);
}

void TestOpenVRSystemVrsim::knownApplicationIsNotRegisteredAgain()
{
    MessageCatcher log;
    QVERIFY(OpenVR_System::instance().init(vr::VRApplication_Overlay, manifestName(), "Tarvix.BatteryMonitor", true));
    QVERIFY(!log.contains(QStringLiteral("Installing...")));
    QVERIFY(registered(*m_server));
}

void TestOpenVRSystemVrsim::runtimeQuitDisconnectsAndEndsTheEventLoop()
{
    OpenVR_System &system = OpenVR_System::instance();
    QVERIFY(system.init(vr::VRApplication_Overlay, manifestName(), "Tarvix.BatteryMonitor", true));

    QTimer::singleShot(0, [this] { QCOMPARE(m_server->run({QStringLiteral("quit")}).exitCode, 0); });
    QVERIFY(runEventLoopUntilQuit(5000));
    QVERIFY(!system.isInitialized());
    QVERIFY(vr::VROverlay() == nullptr);
    QTRY_COMPARE(m_server->status().value(QStringLiteral("clients")).toArray().size(), 0);

    // Not connected now: nothing to remove.
    MessageCatcher log;
    QVERIFY(!system.uninstall());
    QCOMPARE(log.lines(), QStringList {QStringLiteral("Must initialize system before uninstalling")});
}

QTEST_GUILESS_MAIN(TestOpenVRSystemVrsim)
#include "tst_openvrsystem_vrsim.moc"
