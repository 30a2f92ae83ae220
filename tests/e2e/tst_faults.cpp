#include "support/ProgramSession.h"

#include <QElapsedTimer>
#include <QJsonArray>
#include <QSettings>
#include <QtTest>

#include <memory>

// Faults from outside the program that once left the wearer without the
// alert: a damaged settings file, a runtime that goes away, battery files
// that are no files. The real program against a real simulated runtime.
namespace {

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString &path, const QByteArray &content)
{
    QVERIFY(QDir().mkpath(QFileInfo(path).path()));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(content), qint64(content.size()));
}

enum class BatteryFault { Fifo, Folder, Huge, Garbage, AttributeVanishes, BatteryVanishes };

} // namespace

Q_DECLARE_METATYPE(BatteryFault)

class TestFaults : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void damagedSettingsFile_data();
    void damagedSettingsFile();
    void runtimeGoesAway_data();
    void runtimeGoesAway();
    void quitIsAcknowledged();
    void batteryFilesThatAreNoFiles_data();
    void batteryFilesThatAreNoFiles();

private:
    // The program still does its job: a pack falling to critical shows the
    // HUD, and the runtime's quit is heard and ends it with status 0.
    static void stillAlertsAndQuits(ProgramSession &session, VoltaroProcess &program);
};

void TestFaults::init()
{
    if (!VoltaroProcess::canMountFixtures())
        QSKIP("needs root for a private mount namespace over /sys/class/power_supply");
}

void TestFaults::stillAlertsAndQuits(ProgramSession &session, VoltaroProcess &program)
{
    session.machine.setLeft(15);
    QTRY_VERIFY_WITH_TIMEOUT(session.hud().value(QStringLiteral("visible")).toBool(), 10000);
    QCOMPARE(session.runtime.run({QStringLiteral("quit")}).exitCode, 0);
    QVERIFY2(program.waitForExit(15000), qPrintable(program.output()));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), 0);
}

void TestFaults::damagedSettingsFile_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("title");

    const QByteArray defaults = readFile(QStringLiteral(VOLTARO_TEST_DATA_DIR "/settings/OxaSettings.defaults.ini"));
    QVERIFY(!defaults.isEmpty());
    const QString utf16 = QString::fromLatin1(defaults);
    QByteArray utf16Bytes("\xff\xfe");
    utf16Bytes.append(reinterpret_cast<const char *>(utf16.utf16()), utf16.size() * 2);

    QTest::newRow("empty") << QByteArray() << "Battery";
    QTest::newRow("section only") << QByteArray("[Alerts]\n") << "Battery";
    QTest::newRow("garbage bytes") << QByteArray("\x7f"
                                                 "ELF\x02\x01\x01\x00\x00\x00\xff\xfe\x00\x01",
        14) << "Battery";
    QTest::newRow("UTF-16") << utf16Bytes << "Battery";
    // Cut off inside the Alerts section, before EnableHUD and the Dashboard keys.
    QTest::newRow("truncated") << defaults.left(defaults.indexOf("Battery\\EnableHUD") + 9) << "Battery";
    QTest::newRow("some keys missing") << QByteArray(
        "[Alerts]\nBattery\\WarningThreshold=55\n[Dashboard]\nTitle=Akkus\n")
                                       << "Akkus";
}

// Every key read empty from such a file: no dashboard panel (empty name) and
// EnableHUD false, so a critical battery showed nothing.
void TestFaults::damagedSettingsFile()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, title);

    ProgramSession session(80, 15, 90);
    QVERIFY(session.runtime.start());
    writeFile(session.runtime.settingsFile(), content);

    QVERIFY(session.startProgram());
    QCOMPARE(session.dashboard().value(QStringLiteral("name")).toString(), title);
    QTRY_VERIFY_WITH_TIMEOUT(session.hud().value(QStringLiteral("visible")).toBool(), 10000);

    // The repaired file works for the next run too, and what was there is kept aside.
    QSettings repaired(session.runtime.settingsFile(), QSettings::IniFormat);
    QCOMPARE(repaired.value(QStringLiteral("Alerts/Battery/EnableHUD")).toString(), QStringLiteral("true"));
    QCOMPARE(repaired.value(QStringLiteral("Dashboard/Title")).toString(), title);
    const QString backup = session.runtime.settingsFile() + QStringLiteral(".bak");
    QCOMPARE(QFile::exists(backup), !content.isEmpty());
    if (!content.isEmpty())
        QCOMPARE(readFile(backup), content);
}

void TestFaults::runtimeGoesAway_data()
{
    QTest::addColumn<bool>("killed");

    QTest::newRow("killed") << true;
    QTest::newRow("stopped") << false;
}

// Left running, the program kept its single-instance lock, so the runtime
// started again could not launch it.
void TestFaults::runtimeGoesAway()
{
    QFETCH(bool, killed);

    ProgramSession session(80, 70, 90);
    QVERIFY(session.start());

    QElapsedTimer gone;
    gone.start();
    if (killed)
        session.runtime.kill();
    else
        session.runtime.stop();
    QVERIFY2(session.program->waitForExit(30000), qPrintable(session.program->output()));
    qInfo().noquote() << QStringLiteral("exit %1 ms after the runtime was %2")
                             .arg(gone.elapsed())
                             .arg(killed ? QStringLiteral("killed") : QStringLiteral("stopped"));
    QCOMPARE(session.program->exitStatus(), QProcess::NormalExit);
    QCOMPARE(session.program->exitCode(), 0);
    QVERIFY2(session.program->output().contains(QLatin1String("Lost the connection to the VR runtime")),
        qPrintable(session.program->output()));
    QCOMPARE(QSettings(session.runtime.settingsFile(), QSettings::IniFormat)
                 .value(QStringLiteral("Dashboard/Title"))
                 .toString(),
        QStringLiteral("Battery"));

    QVERIFY(session.runtime.restart());
    auto next = session.launchProgram();
    QVERIFY(next);
    QVERIFY2(!next->output().contains(QLatin1String("Only one instance")), qPrintable(next->output()));
    const QJsonObject status = session.runtime.status();
    for (const QString &key : {QStringLiteral("oxaDashboard"), QStringLiteral("oxaAlertOverlay")})
        QCOMPARE(qint64(VrsimRuntime::overlayIn(status, key).value(QStringLiteral("owner")).toDouble()), next->pid());
    stillAlertsAndQuits(session, *next);
}

void TestFaults::quitIsAcknowledged()
{
    ProgramSession session(80, 70, 90);
    QVERIFY(session.start());
    const qint64 pid = session.program->pid();

    QCOMPARE(session.runtime.run({QStringLiteral("quit")}).exitCode, 0);
    QVERIFY(session.program->waitForExit(15000));
    QCOMPARE(session.program->exitCode(), 0);
    QTRY_COMPARE(session.runtime.status().value(QStringLiteral("quitAcknowledgedBy")).toArray(), (QJsonArray {pid}));
}

void TestFaults::batteryFilesThatAreNoFiles_data()
{
    QTest::addColumn<BatteryFault>("fault");
    QTest::addColumn<bool>("atStart");

    const struct
    {
        const char *name;
        BatteryFault fault;
    } faults[] = {
        {"FIFO", BatteryFault::Fifo},
        {"folder", BatteryFault::Folder},
        {"huge file", BatteryFault::Huge},
        {"garbage", BatteryFault::Garbage},
        {"attribute vanishes", BatteryFault::AttributeVanishes},
        {"battery vanishes", BatteryFault::BatteryVanishes},
    };
    for (const auto &entry : faults) {
        QTest::addRow("%s at start", entry.name) << entry.fault << true;
        QTest::addRow("%s mid-run", entry.name) << entry.fault << false;
    }
}

// A FIFO in place of energy_now blocked the GUI thread for good: no overlay
// at start; mid-run no frame, no quit served and SIGTERM ignored.
void TestFaults::batteryFilesThatAreNoFiles()
{
    QFETCH(BatteryFault, fault);
    QFETCH(bool, atStart);

    ProgramSession session(80, 70, 90);
    QVERIFY(session.runtime.start());
    const QString battery = QStringLiteral("BAT0");
    const QString attribute = QStringLiteral("energy_now");
    auto breakIt = [&] {
        switch (fault) {
        case BatteryFault::Fifo:
            session.machine.tree.setOddAttribute(battery, attribute, PowerSupplyTree::Odd::Fifo);
            break;
        case BatteryFault::Folder:
            session.machine.tree.setOddAttribute(battery, attribute, PowerSupplyTree::Odd::Folder);
            break;
        case BatteryFault::Huge: {
            // Sparse: a gigabyte that costs no disk.
            QFile file(session.machine.tree.attributePath(battery, attribute));
            QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
            QVERIFY(file.resize(qint64(1) << 30));
            break;
        }
        case BatteryFault::Garbage:
            session.machine.tree.setAttribute(battery, attribute,
                QByteArray("\x00\xff"
                           "12"
                           "\x1b[2J",
                    8));
            break;
        case BatteryFault::AttributeVanishes:
            session.machine.tree.removeAttribute(battery, attribute);
            break;
        case BatteryFault::BatteryVanishes:
            session.machine.tree.removeEntry(battery);
            break;
        }
    };

    if (atStart)
        breakIt();
    QVERIFY(session.startProgram());
    // The refresh that sees the pack fall reads the broken file in the same
    // pass, so the HUD showing proves the reading got past it.
    if (!atStart)
        breakIt();
    stillAlertsAndQuits(session, *session.program);
}

QTEST_GUILESS_MAIN(TestFaults)
#include "tst_faults.moc"
