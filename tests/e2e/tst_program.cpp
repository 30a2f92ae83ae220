#include "support/ProgramSession.h"

#include <QElapsedTimer>
#include <QImage>
#include <QJsonArray>
#include <QSettings>
#include <QtTest>

#include <csignal>

namespace {

// Where the dashboard's controls sit, in panel pixels (1920 x 945).
constexpr int criticalY = 313;
constexpr int criticalPlusX = 1710;
constexpr int resetX = 1720;
constexpr int resetY = 900;

// The critical slider's handle for a value on its 10 to 60 range.
int criticalHandleX(int value)
{
    return static_cast<int>(1139.5 + (value - 10) * 53.8 / 5.0);
}

bool near(double a, double b, double tolerance = 1e-3)
{
    return std::abs(a - b) < tolerance;
}

} // namespace

class TestProgram : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void idleProgramShowsTheDashboardOnly();
    void lowBatteryShowsTheHudForItsDuration();
    void criticalBatteryKeepsTheHud();
    void hudSwitchedOffNeverShows();
    void snapshotsShowTheLevels();
    void draggingTheCriticalSliderWritesTheSettings();
    void secondInstanceIsRefused();
    void noRuntime();
    void runtimeQuitEndsTheProgram();
    void terminationKeepsTheSettings();
};

void TestProgram::init()
{
    if (!VoltaroProcess::canMountFixtures())
        QSKIP("needs root for a private mount namespace over /sys/class/power_supply");
}

void TestProgram::idleProgramShowsTheDashboardOnly()
{
    ProgramSession session(80, 70, 90);
    QVERIFY(session.start());

    const QJsonObject status = session.runtime.status();
    const QJsonObject panel = VrsimRuntime::overlayIn(status, QStringLiteral("oxaDashboard"));
    QCOMPARE(panel.value(QStringLiteral("name")).toString(), QStringLiteral("Battery"));
    QCOMPARE(panel.value(QStringLiteral("dashboard")).toBool(), true);
    QVERIFY(panel.value(QStringLiteral("thumbnail"))
                .toObject()
                .value(QStringLiteral("file"))
                .toString()
                .endsWith(QLatin1String("/Resources/LightningBolt.png")));
    QCOMPARE(panel.value(QStringLiteral("mouseScale")).toArray(), (QJsonArray {1920, 945}));
    QCOMPARE(panel.value(QStringLiteral("widthInMeters")).toDouble(), 3.0);
    QCOMPARE(panel.value(QStringLiteral("alpha")).toDouble(), 1.0);
    QCOMPARE(panel.value(QStringLiteral("inputMethod")).toInt(), 1);

    const QJsonObject alert = VrsimRuntime::overlayIn(status, QStringLiteral("oxaAlertOverlay"));
    QCOMPARE(alert.value(QStringLiteral("visible")).toBool(), false);
    QCOMPARE(alert.value(QStringLiteral("dashboard")).toBool(), false);

    // Nobody can see either panel: nothing is handed to the runtime.
    QTest::qWait(500);
    QCOMPARE(session.hud().value(QStringLiteral("texture")).toObject().value(QStringLiteral("submits")).toInt(), 0);
    QCOMPARE(
        session.dashboard().value(QStringLiteral("texture")).toObject().value(QStringLiteral("submits")).toInt(), 0);
}

void TestProgram::lowBatteryShowsTheHudForItsDuration()
{
    ProgramSession session(80, 70, 90);
    QVERIFY(session.start());

    session.machine.setLeft(35);
    QTRY_VERIFY_WITH_TIMEOUT(session.hud().value(QStringLiteral("visible")).toBool(), 5000);

    const QJsonObject alert = session.hud();
    QCOMPARE(alert.value(QStringLiteral("alpha")).toDouble(), 1.0);
    QVERIFY(near(alert.value(QStringLiteral("widthInMeters")).toDouble(), 0.05));
    QCOMPARE(alert.value(QStringLiteral("mouseScale")).toArray(), (QJsonArray {1043, 537}));

    // Placed at the alert's default spot, up and to the right, 0.3 m away.
    QTRY_VERIFY(!session.hud().value(QStringLiteral("transform")).isNull());
    const QJsonObject transform = session.hud().value(QStringLiteral("transform")).toObject();
    QCOMPARE(transform.value(QStringLiteral("device")).toInt(), 0);
    const QJsonArray matrix = transform.value(QStringLiteral("matrix")).toArray();
    QVERIFY(near(matrix.at(0).toArray().at(3).toDouble(), 0.0876));
    QVERIFY(near(matrix.at(1).toArray().at(3).toDouble(), 0.0713));
    QVERIFY(near(matrix.at(2).toArray().at(3).toDouble(), -0.2779));

    QTRY_VERIFY(session.hud().value(QStringLiteral("texture")).toObject().value(QStringLiteral("submits")).toInt() > 0);
    QCOMPARE(session.hud().value(QStringLiteral("texture")).toObject().value(QStringLiteral("width")).toInt(), 1043);

    QTRY_VERIFY_WITH_TIMEOUT(!session.hud().value(QStringLiteral("visible")).toBool(), 20000);
    // Timed by the runtime's own clock: when the test polls says little on a busy machine. The
    // hide timer may fire a little early, and the program may be late on a loaded machine.
    const QJsonObject hidden = session.hud();
    const double shownFor
        = hidden.value(QStringLiteral("hiddenAt")).toDouble() - hidden.value(QStringLiteral("shownAt")).toDouble();
    qInfo("shown for %.3f s", shownFor);
    QVERIFY2(shownFor > 4.5 && shownFor < 15.0, qPrintable(QString::number(shownFor)));
}

void TestProgram::criticalBatteryKeepsTheHud()
{
    ProgramSession session(80, 15, 90);
    QVERIFY(session.start());

    QTRY_VERIFY_WITH_TIMEOUT(session.hud().value(QStringLiteral("visible")).toBool(), 5000);
    // Well past the 5 s an ordinary warning is shown for.
    QTest::qWait(6500);
    QVERIFY(session.hud().value(QStringLiteral("visible")).toBool());
}

void TestProgram::hudSwitchedOffNeverShows()
{
    ProgramSession session(80, 10, 90);
    QVERIFY(session.runtime.start());
    {
        // The defaults as the program writes them, with the HUD switched off.
        QDir().mkpath(QFileInfo(session.runtime.settingsFile()).path());
        QVERIFY(QFile::copy(QStringLiteral(VOLTARO_TEST_DATA_DIR "/settings/OxaSettings.defaults.ini"),
            session.runtime.settingsFile()));
        QFile::setPermissions(session.runtime.settingsFile(), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        QSettings settings(session.runtime.settingsFile(), QSettings::IniFormat);
        settings.setValue(QStringLiteral("Alerts/Battery/EnableHUD"), false);
    }
    QVERIFY(session.startProgram());

    // Give the controller many ticks and the battery a refresh or two.
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 3500) {
        QVERIFY(!session.hud().value(QStringLiteral("visible")).toBool());
        QTest::qWait(250);
    }
}

void TestProgram::snapshotsShowTheLevels()
{
    ProgramSession session(65, 35, 90);
    QVERIFY(session.start());
    QTRY_VERIFY_WITH_TIMEOUT(session.hud().value(QStringLiteral("visible")).toBool(), 5000);

    const QImage alert = session.snapshot(QStringLiteral("oxaAlertOverlay"));
    const QString problem = hudBarProblem(alert, 35);
    QVERIFY2(problem.isEmpty(), qPrintable(problem));

    QCOMPARE(session.runtime.run({QStringLiteral("dashboard"), QStringLiteral("open")}).exitCode, 0);
    const QImage panel = session.snapshot(QStringLiteral("oxaDashboard"));
    QCOMPARE(panel.size(), QSize(1920, 945));
    // Near the bottom of each gauge's fill: left red (35), internal yellow (65), right green (90).
    const QColor left = panel.pixelColor(155, 555);
    const QColor center = panel.pixelColor(479, 535);
    const QColor right = panel.pixelColor(803, 555);
    QVERIFY2(left.red() > 200 && left.green() < 40, qPrintable(left.name()));
    QVERIFY2(center.red() > 200 && center.green() > 200 && center.blue() < 40, qPrintable(center.name()));
    QVERIFY2(right.red() < 40 && right.green() > 100, qPrintable(right.name()));
}

void TestProgram::draggingTheCriticalSliderWritesTheSettings()
{
    ProgramSession session(80, 70, 90);
    QVERIFY(session.start());
    QCOMPARE(session.runtime.run({QStringLiteral("dashboard"), QStringLiteral("open")}).exitCode, 0);

    // Drag the critical handle from 20 to the slider's right end (60): the
    // warning threshold is pulled up with it.
    session.input({QStringLiteral("move"), QString::number(criticalHandleX(20)), QString::number(criticalY)});
    session.input({QStringLiteral("down"), QStringLiteral("left")});
    for (int value = 25; value <= 60; value += 5)
        session.input({QStringLiteral("move"), QString::number(criticalHandleX(value)), QString::number(criticalY)});
    session.input({QStringLiteral("up"), QStringLiteral("left")});

    QTRY_COMPARE_WITH_TIMEOUT(
        session.storedSetting(QStringLiteral("Alerts/Battery/CriticalThreshold")).toInt(), 60, 5000);
    QCOMPARE(session.storedSetting(QStringLiteral("Alerts/Battery/WarningThreshold")).toInt(), 60);

    session.click(resetX, resetY);
    QTRY_COMPARE_WITH_TIMEOUT(
        session.storedSetting(QStringLiteral("Alerts/Battery/CriticalThreshold")).toInt(), 20, 5000);
    QCOMPARE(session.storedSetting(QStringLiteral("Alerts/Battery/WarningThreshold")).toInt(), 40);
}

void TestProgram::secondInstanceIsRefused()
{
    ProgramSession session(80, 70, 90);
    QVERIFY(session.start());
    const int clients = session.runtime.status().value(QStringLiteral("clients")).toArray().size();

    VoltaroProcess second(session.runtime, session.machine.tree.root());
    QVERIFY(second.waitForExit(20000));
    QCOMPARE(second.exitCode(), 255);
    QVERIFY2(second.output().contains(QLatin1String("Only one instance of this application is allowed at a time.")),
        qPrintable(second.output()));
    QVERIFY(!second.output().contains(QLatin1String("Installing...")));
    QCOMPARE(session.runtime.status().value(QStringLiteral("clients")).toArray().size(), clients);

    // Registration still works beside a running instance.
    for (const QString &option : {QStringLiteral("--install"), QStringLiteral("--uninstall")}) {
        VoltaroProcess tool(session.runtime, session.machine.tree.root(), {option});
        QVERIFY(tool.waitForExit(20000));
        QCOMPARE(tool.exitCode(), 0);
    }
    QVERIFY(session.program->isRunning());
}

void TestProgram::noRuntime()
{
    // Its folders, and no runtime serving there.
    ProgramSession session(80, 70, 90);
    VoltaroProcess program(session.runtime, session.machine.tree.root());
    QVERIFY(program.waitForExit(20000));
    QCOMPARE(program.exitCode(), 255);
    QVERIFY2(program.output().contains(QLatin1String("Error Initializing HMD: 301")), qPrintable(program.output()));
}

void TestProgram::runtimeQuitEndsTheProgram()
{
    ProgramSession session(80, 70, 90);
    QVERIFY(session.start());

    // `vrsim quit` returns once the program has taken the event in: the wait starts there.
    QCOMPARE(session.runtime.run({QStringLiteral("quit")}).exitCode, 0);
    QElapsedTimer timer;
    timer.start();
    QVERIFY(session.program->waitForExit(5000));
    qInfo("exited %lld ms after the quit reached it", timer.elapsed());
    QCOMPARE(session.program->exitStatus(), QProcess::NormalExit);
    QCOMPARE(session.program->exitCode(), 0);
}

void TestProgram::terminationKeepsTheSettings()
{
    ProgramSession session(80, 70, 90);
    QVERIFY(session.start());
    QCOMPARE(session.runtime.run({QStringLiteral("dashboard"), QStringLiteral("open")}).exitCode, 0);

    session.click(criticalPlusX, criticalY);
    QTRY_COMPARE_WITH_TIMEOUT(
        session.storedSetting(QStringLiteral("Alerts/Battery/CriticalThreshold")).toInt(), 25, 5000);

    ::kill(static_cast<pid_t>(session.program->pid()), SIGTERM);
    QVERIFY(session.program->waitForExit(5000));
    QCOMPARE(session.program->exitStatus(), QProcess::NormalExit);
    QCOMPARE(session.program->exitCode(), 0);
    QCOMPARE(session.storedSetting(QStringLiteral("Alerts/Battery/CriticalThreshold")).toInt(), 25);
    QCOMPARE(session.storedSetting(QStringLiteral("Dashboard/Title")).toString(), QStringLiteral("Battery"));
}

QTEST_GUILESS_MAIN(TestProgram)
#include "tst_program.moc"
