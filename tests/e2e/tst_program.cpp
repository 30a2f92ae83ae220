#include "fakes/PowerSupplyTree.h"
#include "support/VoltaroProcess.h"
#include "support/VrsimRuntime.h"

#include <QElapsedTimer>
#include <QImage>
#include <QJsonArray>
#include <QSettings>
#include <QtTest>

#include <csignal>

namespace {

// A machine with an internal battery and two packs, levels in percent.
struct Machine
{
    Machine(int center, int left, int right)
    {
        tree.addEntry(QStringLiteral("AC"), PowerSupplyTree::supply("Mains"));
        tree.addEntry(QStringLiteral("BAT0"), battery("1", center));
        tree.addEntry(QStringLiteral("BAT1"), battery("2", left));
        tree.addEntry(QStringLiteral("BAT2"), battery("3", right));
    }

    void setLeft(int percent) { tree.setAttribute(QStringLiteral("BAT1"), QStringLiteral("energy_now"), now(percent)); }

    static PowerSupplyTree::Attributes battery(const QByteArray &uid, int percent)
    {
        return PowerSupplyTree::energyBattery(uid, "Discharging", full, qint64(percent) * full / 100);
    }
    static QByteArray now(int percent) { return QByteArray::number(qint64(percent) * full / 100) + '\n'; }

    static constexpr qint64 full = 50000000;
    PowerSupplyTree tree;
};

QJsonObject overlay(const QJsonObject &status, const QString &key)
{
    for (const QJsonValue &entry : status.value(QStringLiteral("overlays")).toArray()) {
        if (entry.toObject().value(QStringLiteral("key")).toString() == key)
            return entry.toObject();
    }
    return {};
}

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

private:
    // Starts the program and waits until both of its overlays exist.
    std::unique_ptr<VoltaroProcess> start(const VrsimRuntime &server, const Machine &machine);
    QJsonObject hud(const VrsimRuntime &server) { return overlay(server.status(), QStringLiteral("oxaAlertOverlay")); }
    QJsonObject dashboard(const VrsimRuntime &server)
    {
        return overlay(server.status(), QStringLiteral("oxaDashboard"));
    }
    static QImage snapshot(const VrsimRuntime &server, const QString &key);
    static void input(const VrsimRuntime &server, const QStringList &arguments);
    static void click(const VrsimRuntime &server, int x, int y);
    static QVariant storedSetting(const VrsimRuntime &server, const QString &key);
};

void TestProgram::init()
{
    if (!VoltaroProcess::canMountFixtures())
        QSKIP("needs root for a private mount namespace over /sys/class/power_supply");
}

std::unique_ptr<VoltaroProcess> TestProgram::start(const VrsimRuntime &server, const Machine &machine)
{
    auto program = std::make_unique<VoltaroProcess>(server, machine.tree.root());
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 20000 && program->isRunning()) {
        const QJsonObject status = server.status();
        if (!overlay(status, QStringLiteral("oxaDashboard")).isEmpty()
            && !overlay(status, QStringLiteral("oxaAlertOverlay")).isEmpty())
            return program;
        QTest::qWait(50);
    }
    qWarning().noquote() << program->output();
    return nullptr;
}

QImage TestProgram::snapshot(const VrsimRuntime &server, const QString &key)
{
    const QString file = server.filePath(key + QStringLiteral(".png"));
    const auto result = server.run({QStringLiteral("snapshot"), key, file});
    if (result.exitCode != 0)
        qWarning().noquote() << result.output();
    return QImage(file).convertToFormat(QImage::Format_RGBA8888);
}

void TestProgram::input(const VrsimRuntime &server, const QStringList &arguments)
{
    const auto result = server.run(QStringList {QStringLiteral("input"), QStringLiteral("oxaDashboard")} + arguments);
    QVERIFY2(result.exitCode == 0, qPrintable(result.output()));
}

void TestProgram::click(const VrsimRuntime &server, int x, int y)
{
    input(server, {QStringLiteral("move"), QString::number(x), QString::number(y)});
    input(server, {QStringLiteral("down"), QStringLiteral("left")});
    input(server, {QStringLiteral("up"), QStringLiteral("left")});
}

QVariant TestProgram::storedSetting(const VrsimRuntime &server, const QString &key)
{
    QSettings file(server.settingsFile(), QSettings::IniFormat);
    return file.value(key);
}

void TestProgram::idleProgramShowsTheDashboardOnly()
{
    VrsimRuntime server;
    QVERIFY(server.start());
    Machine machine(80, 70, 90);
    auto program = start(server, machine);
    QVERIFY(program);

    const QJsonObject status = server.status();
    const QJsonObject panel = overlay(status, QStringLiteral("oxaDashboard"));
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

    const QJsonObject alert = overlay(status, QStringLiteral("oxaAlertOverlay"));
    QCOMPARE(alert.value(QStringLiteral("visible")).toBool(), false);
    QCOMPARE(alert.value(QStringLiteral("dashboard")).toBool(), false);

    // Nobody can see either panel: nothing is handed to the runtime.
    QTest::qWait(500);
    QCOMPARE(hud(server).value(QStringLiteral("texture")).toObject().value(QStringLiteral("submits")).toInt(), 0);
    QCOMPARE(dashboard(server).value(QStringLiteral("texture")).toObject().value(QStringLiteral("submits")).toInt(), 0);
}

void TestProgram::lowBatteryShowsTheHudForItsDuration()
{
    VrsimRuntime server;
    QVERIFY(server.start());
    Machine machine(80, 70, 90);
    auto program = start(server, machine);
    QVERIFY(program);

    machine.setLeft(35);
    QTRY_VERIFY_WITH_TIMEOUT(hud(server).value(QStringLiteral("visible")).toBool(), 5000);

    const QJsonObject alert = hud(server);
    QCOMPARE(alert.value(QStringLiteral("alpha")).toDouble(), 1.0);
    QVERIFY(near(alert.value(QStringLiteral("widthInMeters")).toDouble(), 0.05));
    QCOMPARE(alert.value(QStringLiteral("mouseScale")).toArray(), (QJsonArray {1043, 537}));

    // Placed at the alert's default spot, up and to the right, 0.3 m away.
    QTRY_VERIFY(!hud(server).value(QStringLiteral("transform")).isNull());
    const QJsonObject transform = hud(server).value(QStringLiteral("transform")).toObject();
    QCOMPARE(transform.value(QStringLiteral("device")).toInt(), 0);
    const QJsonArray matrix = transform.value(QStringLiteral("matrix")).toArray();
    QVERIFY(near(matrix.at(0).toArray().at(3).toDouble(), 0.0876));
    QVERIFY(near(matrix.at(1).toArray().at(3).toDouble(), 0.0713));
    QVERIFY(near(matrix.at(2).toArray().at(3).toDouble(), -0.2779));

    QTRY_VERIFY(hud(server).value(QStringLiteral("texture")).toObject().value(QStringLiteral("submits")).toInt() > 0);
    QCOMPARE(hud(server).value(QStringLiteral("texture")).toObject().value(QStringLiteral("width")).toInt(), 1043);

    QTRY_VERIFY_WITH_TIMEOUT(!hud(server).value(QStringLiteral("visible")).toBool(), 20000);
    // Timed by the runtime's own clock: when the test polls says little on a busy machine. The
    // hide timer may fire a little early, and the program may be late on a loaded machine.
    const QJsonObject hidden = hud(server);
    const double shownFor
        = hidden.value(QStringLiteral("hiddenAt")).toDouble() - hidden.value(QStringLiteral("shownAt")).toDouble();
    qInfo("shown for %.3f s", shownFor);
    QVERIFY2(shownFor > 4.5 && shownFor < 15.0, qPrintable(QString::number(shownFor)));
}

void TestProgram::criticalBatteryKeepsTheHud()
{
    VrsimRuntime server;
    QVERIFY(server.start());
    Machine machine(80, 15, 90);
    auto program = start(server, machine);
    QVERIFY(program);

    QTRY_VERIFY_WITH_TIMEOUT(hud(server).value(QStringLiteral("visible")).toBool(), 5000);
    // Well past the 5 s an ordinary warning is shown for.
    QTest::qWait(6500);
    QVERIFY(hud(server).value(QStringLiteral("visible")).toBool());
}

void TestProgram::hudSwitchedOffNeverShows()
{
    VrsimRuntime server;
    QVERIFY(server.start());
    {
        // The defaults as the program writes them, with the HUD switched off.
        QDir().mkpath(QFileInfo(server.settingsFile()).path());
        QVERIFY(QFile::copy(
            QStringLiteral(VOLTARO_TEST_DATA_DIR "/settings/OxaSettings.defaults.ini"), server.settingsFile()));
        QFile::setPermissions(server.settingsFile(), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        QSettings settings(server.settingsFile(), QSettings::IniFormat);
        settings.setValue(QStringLiteral("Alerts/Battery/EnableHUD"), false);
    }
    Machine machine(80, 10, 90);
    auto program = start(server, machine);
    QVERIFY(program);

    // Give the controller many ticks and the battery a refresh or two.
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 3500) {
        QVERIFY(!hud(server).value(QStringLiteral("visible")).toBool());
        QTest::qWait(250);
    }
}

void TestProgram::snapshotsShowTheLevels()
{
    VrsimRuntime server;
    QVERIFY(server.start());
    Machine machine(65, 35, 90);
    auto program = start(server, machine);
    QVERIFY(program);
    QTRY_VERIFY_WITH_TIMEOUT(hud(server).value(QStringLiteral("visible")).toBool(), 5000);

    // The bar fills 35 % of the fill area (x 150 to 793) from the left, in red.
    const QImage alert = snapshot(server, QStringLiteral("oxaAlertOverlay"));
    QCOMPARE(alert.size(), QSize(1043, 537));
    const int barEnd = 150 + 643 * 35 / 100;
    const QColor inside = alert.pixelColor(barEnd - 20, 268);
    QVERIFY2(inside.red() > 200 && inside.green() < 40 && inside.alpha() == 255, qPrintable(inside.name()));
    const QColor beyond = alert.pixelColor(barEnd + 20, 268);
    QVERIFY2(beyond.red() < 100, qPrintable(beyond.name(QColor::HexArgb)));

    QCOMPARE(server.run({QStringLiteral("dashboard"), QStringLiteral("open")}).exitCode, 0);
    const QImage panel = snapshot(server, QStringLiteral("oxaDashboard"));
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
    VrsimRuntime server;
    QVERIFY(server.start());
    Machine machine(80, 70, 90);
    auto program = start(server, machine);
    QVERIFY(program);
    QCOMPARE(server.run({QStringLiteral("dashboard"), QStringLiteral("open")}).exitCode, 0);

    // Drag the critical handle from 20 to the slider's right end (60): the
    // warning threshold is pulled up with it.
    input(server, {QStringLiteral("move"), QString::number(criticalHandleX(20)), QString::number(criticalY)});
    input(server, {QStringLiteral("down"), QStringLiteral("left")});
    for (int value = 25; value <= 60; value += 5)
        input(server, {QStringLiteral("move"), QString::number(criticalHandleX(value)), QString::number(criticalY)});
    input(server, {QStringLiteral("up"), QStringLiteral("left")});

    QTRY_COMPARE_WITH_TIMEOUT(
        storedSetting(server, QStringLiteral("Alerts/Battery/CriticalThreshold")).toInt(), 60, 5000);
    QCOMPARE(storedSetting(server, QStringLiteral("Alerts/Battery/WarningThreshold")).toInt(), 60);

    click(server, resetX, resetY);
    QTRY_COMPARE_WITH_TIMEOUT(
        storedSetting(server, QStringLiteral("Alerts/Battery/CriticalThreshold")).toInt(), 20, 5000);
    QCOMPARE(storedSetting(server, QStringLiteral("Alerts/Battery/WarningThreshold")).toInt(), 40);
}

void TestProgram::secondInstanceIsRefused()
{
    VrsimRuntime server;
    QVERIFY(server.start());
    Machine machine(80, 70, 90);
    auto program = start(server, machine);
    QVERIFY(program);
    const int clients = server.status().value(QStringLiteral("clients")).toArray().size();

    VoltaroProcess second(server, machine.tree.root());
    QVERIFY(second.waitForExit(20000));
    QCOMPARE(second.exitCode(), 255);
    QVERIFY2(second.output().contains(QLatin1String("Only one instance of this application is allowed at a time.")),
        qPrintable(second.output()));
    QVERIFY(!second.output().contains(QLatin1String("Installing...")));
    QCOMPARE(server.status().value(QStringLiteral("clients")).toArray().size(), clients);

    // Registration still works beside a running instance.
    for (const QString &option : {QStringLiteral("--install"), QStringLiteral("--uninstall")}) {
        VoltaroProcess tool(server, machine.tree.root(), {option});
        QVERIFY(tool.waitForExit(20000));
        QCOMPARE(tool.exitCode(), 0);
    }
    QVERIFY(program->isRunning());
}

void TestProgram::noRuntime()
{
    // Its folders, and no runtime serving there.
    VrsimRuntime server;
    Machine machine(80, 70, 90);
    VoltaroProcess program(server, machine.tree.root());
    QVERIFY(program.waitForExit(20000));
    QCOMPARE(program.exitCode(), 255);
    QVERIFY2(program.output().contains(QLatin1String("Error Initializing HMD: 301")), qPrintable(program.output()));
}

void TestProgram::runtimeQuitEndsTheProgram()
{
    VrsimRuntime server;
    QVERIFY(server.start());
    Machine machine(80, 70, 90);
    auto program = start(server, machine);
    QVERIFY(program);

    // `vrsim quit` returns once the program has taken the event in: the wait starts there.
    QCOMPARE(server.run({QStringLiteral("quit")}).exitCode, 0);
    QElapsedTimer timer;
    timer.start();
    QVERIFY(program->waitForExit(5000));
    qInfo("exited %lld ms after the quit reached it", timer.elapsed());
    QCOMPARE(program->exitStatus(), QProcess::NormalExit);
    QCOMPARE(program->exitCode(), 0);
}

void TestProgram::terminationKeepsTheSettings()
{
    VrsimRuntime server;
    QVERIFY(server.start());
    Machine machine(80, 70, 90);
    auto program = start(server, machine);
    QVERIFY(program);
    QCOMPARE(server.run({QStringLiteral("dashboard"), QStringLiteral("open")}).exitCode, 0);

    click(server, criticalPlusX, criticalY);
    QTRY_COMPARE_WITH_TIMEOUT(
        storedSetting(server, QStringLiteral("Alerts/Battery/CriticalThreshold")).toInt(), 25, 5000);

    ::kill(static_cast<pid_t>(program->pid()), SIGTERM);
    QVERIFY(program->waitForExit(5000));
    QCOMPARE(program->exitStatus(), QProcess::NormalExit);
    QCOMPARE(program->exitCode(), 0);
    QCOMPARE(storedSetting(server, QStringLiteral("Alerts/Battery/CriticalThreshold")).toInt(), 25);
    QCOMPARE(storedSetting(server, QStringLiteral("Dashboard/Title")).toString(), QStringLiteral("Battery"));
}

QTEST_GUILESS_MAIN(TestProgram)
#include "tst_program.moc"
