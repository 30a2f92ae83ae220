#include "support/VrsimRuntime.h"

#include <openvr.h>

#include <QtTest>

#include <unistd.h>

#include <csignal>

class TestCli : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void refusedCommands_data();
    void refusedCommands();
    void noRuntimeRunning();
    void secondRuntimeIsRefused();
    void otherUsersAreTurnedAway();
    void snapshotTimesOutWithoutSubmits();
    void signalsEndTheRuntimeCleanly_data();
    void signalsEndTheRuntimeCleanly();

private:
    VrsimRuntime m_runtime;
};

namespace {

// A failed command says why in one line on stderr and prints nothing else.
void verifyFailure(const VrsimRuntime::Result &result, int exitCode)
{
    QCOMPARE(result.exitCode, exitCode);
    QVERIFY2(result.out.isEmpty(), result.out.constData());
    QVERIFY2(result.err.startsWith("vrsim") && result.err.endsWith('\n') && result.err.count('\n') == 1,
        result.err.constData());
}

} // namespace

void TestCli::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QVERIFY(m_runtime.start());
}

void TestCli::refusedCommands_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");

    QTest::newRow("nothing") << QStringList() << 2;
    QTest::newRow("unknown command") << QStringList {"launch"} << 2;
    QTest::newRow("status with an argument") << QStringList {"status", "now"} << 2;
    QTest::newRow("snapshot without file") << QStringList {"snapshot", "key"} << 2;
    QTest::newRow("snapshot timeout not a number") << QStringList {"snapshot", "k", "f.png", "--timeout", "soon"} << 2;
    QTest::newRow("snapshot of no overlay") << QStringList {"snapshot", "nowhere", "f.png"} << 1;
    QTest::newRow("dashboard sideways") << QStringList {"dashboard", "sideways"} << 2;
    QTest::newRow("quit with an argument") << QStringList {"quit", "now"} << 2;
    QTest::newRow("fail an unknown method") << QStringList {"fail", "GetOverlayTexture", "1"} << 1;
    QTest::newRow("fail with code 0") << QStringList {"fail", "CreateOverlay", "0"} << 1;
    QTest::newRow("fail with a word for code") << QStringList {"fail", "CreateOverlay", "KeyInUse"} << 2;
    QTest::newRow("fail no times") << QStringList {"fail", "CreateOverlay", "17", "--count", "0"} << 1;
    QTest::newRow("serve at 0 Hz") << QStringList {"serve", "--hz", "0"} << 2;
    QTest::newRow("serve with negative photons") << QStringList {"serve", "--photons", "-1"} << 2;
    QTest::newRow("serve with an unknown option") << QStringList {"serve", "--fast"} << 2;
}

void TestCli::refusedCommands()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);

    verifyFailure(m_runtime.run(arguments), exitCode);
    // A refused command leaves the runtime running.
    QVERIFY(m_runtime.server()->state() == QProcess::Running);
}

void TestCli::noRuntimeRunning()
{
    VrsimRuntime nobody;
    for (const QStringList &arguments : {QStringList {"status"}, QStringList {"stop"}, QStringList {"quit"}})
        verifyFailure(nobody.run(arguments), 1);
}

void TestCli::secondRuntimeIsRefused()
{
    QProcess second;
    second.setProcessEnvironment(m_runtime.environment());
    second.start(QStringLiteral(VOLTARO_BIN_DIR "/vrsim"),
        {QStringLiteral("serve"), QStringLiteral("--headless"), QStringLiteral("--state"), m_runtime.stateDir()});
    QVERIFY(second.waitForFinished(10000));
    QCOMPARE(second.exitCode(), 1);
    QVERIFY(second.readAllStandardError().contains("already"));
    // The first runtime still answers at its socket.
    QCOMPARE(m_runtime.run({QStringLiteral("status")}).exitCode, 0);
}

void TestCli::otherUsersAreTurnedAway()
{
    if (::geteuid() != 0)
        QSKIP("running a command as another user needs root");
    const QString setpriv = QStandardPaths::findExecutable(QStringLiteral("setpriv"));
    if (setpriv.isEmpty())
        QSKIP("setpriv (util-linux) is missing");
    // Open the folders and the socket to everyone, so that only the runtime's own check stands.
    const QFileInfo socket(m_runtime.socketPath());
    const QFileDevice::Permissions open = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner
        | QFileDevice::ReadOther | QFileDevice::ExeOther | QFileDevice::ReadGroup | QFileDevice::ExeGroup;
    QVERIFY(QFile::setPermissions(socket.dir().absolutePath() + QStringLiteral("/.."), open));
    QVERIFY(QFile::setPermissions(socket.dir().absolutePath(), open));
    QVERIFY(QFile::setPermissions(socket.filePath(), open | QFileDevice::WriteOther | QFileDevice::WriteGroup));

    QProcess other;
    other.setProcessEnvironment(m_runtime.environment());
    other.start(setpriv,
        {QStringLiteral("--reuid=65534"), QStringLiteral("--regid=65534"), QStringLiteral("--clear-groups"),
            QStringLiteral(VOLTARO_BIN_DIR "/vrsim"), QStringLiteral("status")});
    QVERIFY(other.waitForFinished(10000));
    QCOMPARE(other.exitCode(), 1);
    QVERIFY(other.readAllStandardOutput().isEmpty());
    const QByteArray error = other.readAllStandardError();
    QVERIFY2(error.contains("closed the connection"), error.constData());
    QCOMPARE(m_runtime.run({QStringLiteral("status")}).exitCode, 0);
}

void TestCli::snapshotTimesOutWithoutSubmits()
{
    m_runtime.useInThisProcess();
    vr::EVRInitError error;
    QVERIFY(vr::VR_Init(&error, vr::VRApplication_Overlay));
    vr::VROverlayHandle_t handle;
    QCOMPARE(vr::VROverlay()->CreateOverlay("idle", "idle", &handle), vr::VROverlayError_None);
    const QString file = m_runtime.filePath(QStringLiteral("idle.png"));
    QElapsedTimer timer;
    timer.start();
    verifyFailure(m_runtime.run({"snapshot", "idle", file, "--timeout", "0.3"}), 1);
    QVERIFY(timer.elapsed() >= 300);
    QVERIFY(!QFile::exists(file));
    vr::VR_Shutdown();
}

void TestCli::signalsEndTheRuntimeCleanly_data()
{
    QTest::addColumn<int>("signal");
    QTest::newRow("SIGINT") << int(SIGINT);
    QTest::newRow("SIGTERM") << int(SIGTERM);
}

void TestCli::signalsEndTheRuntimeCleanly()
{
    QFETCH(int, signal);

    VrsimRuntime ending;
    QVERIFY(ending.start());
    QVERIFY(QFile::exists(ending.socketPath()));
    QCOMPARE(::kill(static_cast<pid_t>(ending.server()->processId()), signal), 0);
    QVERIFY(ending.server()->waitForFinished(10000));
    QCOMPARE(ending.server()->exitStatus(), QProcess::NormalExit);
    QCOMPARE(ending.server()->exitCode(), 0);
    QVERIFY(!QFile::exists(ending.socketPath()));
}

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
