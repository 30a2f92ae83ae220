#include "battery/WinRTBatteryModel.h"
#include "battery/linux/LinuxBatteryPlatform.h"
#include "fakes/FakeBatteryModel.h"
#include "fakes/FakeBatteryPlatform.h"
#include "fakes/PowerSupplyTree.h"

#include <QRandomGenerator>
#include <QtTest/QtTest>

#include <fcntl.h>
#include <future>
#include <unistd.h>

namespace {

using Attributes = PowerSupplyTree::Attributes;

QVariant variantOf(const std::optional<int32_t> &value)
{
    return value ? QVariant(*value) : QVariant();
}

QStringList listedDevices(IBatteryPlatform &platform)
{
    const std::unique_ptr<IDeviceList> devices = platform.findAllDevices(platform.deviceSelector());
    QStringList ids;
    for (uint32_t i = 0; i < devices->size(); ++i)
        ids.append(QString::fromStdString(devices->deviceId(i)));
    return ids;
}

// A Discharging battery with uid 1 and the given extra files.
Attributes batteryWith(const QVariantMap &files)
{
    Attributes attributes = PowerSupplyTree::batteryBase("1", "Discharging");
    for (auto it = files.cbegin(); it != files.cend(); ++it)
        attributes.insert(it.key(), it.value().toByteArray());
    return attributes;
}

} // namespace

class TestLinuxBatteryPlatform : public QObject
{
    Q_OBJECT

private slots:
    void listsBatteriesInNameOrder();
    void batteryIdentifier_data();
    void batteryIdentifier();
    void status_data();
    void status();
    void capacities_data();
    void capacities();
    void batteryFromId_data();
    void batteryFromId();
    void vanishedBattery();
    void passReadsEachBatteryOnce();
    void aggregate_data();
    void aggregate();
    void unusableRoot_data();
    void unusableRoot();
    void modelPlacesPacksByUid();
    void batteryWithoutUidTakesNoPlace();
    void survivesArbitraryFileContent();
    void attributesThatAreNoFile_data();
    void attributesThatAreNoFile();
};

void TestLinuxBatteryPlatform::listsBatteriesInNameOrder()
{
    PowerSupplyTree tree;
    tree.addEntry("BAT1", PowerSupplyTree::energyBattery("2", "Discharging", 50000000, 25000000));
    tree.addEntry("AC", PowerSupplyTree::supply("Mains"));
    tree.addEntry("BAT0", PowerSupplyTree::energyBattery("1", "Discharging", 50000000, 25000000));
    tree.addEntry("ucsi-source-psy-USBC000:001", PowerSupplyTree::supply("USB"));
    tree.addEntry("hidpp_battery_0", PowerSupplyTree::batteryBase(QByteArray(), "Discharging"));
    tree.addEntry("CMB0", PowerSupplyTree::batteryBase("3", "Full"));
    tree.setAttribute("CMB0", "type", " Battery \t\n");
    tree.addEntry("BATX", PowerSupplyTree::supply("Batteries"));
    tree.addEntry("notype", {});
    QVERIFY(QFile::link(tree.root() + "/nowhere", tree.root() + "/dangling"));
    QFile stray(tree.root() + "/stray");
    QVERIFY(stray.open(QIODevice::WriteOnly));
    stray.write("type");
    stray.close();

    LinuxBatteryPlatform platform(tree.root());
    QCOMPARE(listedDevices(platform), (QStringList {"BAT0", "BAT1", "CMB0", "hidpp_battery_0"}));
}

void TestLinuxBatteryPlatform::batteryIdentifier_data()
{
    QTest::addColumn<QByteArray>("uid"); // null: no device/uid file
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("uid 1") << QByteArray("1\n") << "BAT0" << QByteArray("\\\\?\\ACPI#PNP0C0A#1#BAT0");
    QTest::newRow("uid trimmed") << QByteArray("  2 \n") << "BAT1" << QByteArray("\\\\?\\ACPI#PNP0C0A#2#BAT1");
    QTest::newRow("empty uid") << QByteArray("") << "BAT0" << QByteArray("\\\\?\\ACPI#PNP0C0A##BAT0");
    QTest::newRow("no uid") << QByteArray() << "BAT0" << QByteArray("linux:power_supply/BAT0");
    QTest::newRow("no uid, name of ones")
        << QByteArray() << "B11111111111111111111" << QByteArray("linux:power_supply/B11111111111111111111");
}

void TestLinuxBatteryPlatform::batteryIdentifier()
{
    QFETCH(QByteArray, uid);
    QFETCH(QString, name);
    QFETCH(QByteArray, expected);

    PowerSupplyTree tree;
    Attributes attributes = PowerSupplyTree::energyBattery(QByteArray(), "Discharging", 1000, 500);
    if (!uid.isNull())
        attributes.insert("device/uid", uid);
    tree.addEntry(name, attributes);

    LinuxBatteryPlatform platform(tree.root());
    const std::unique_ptr<IPlatformBattery> battery = platform.batteryFromId(name.toStdString());
    QVERIFY(battery);
    QCOMPARE(QByteArray::fromStdString(battery->deviceId()), expected);
}

void TestLinuxBatteryPlatform::status_data()
{
    QTest::addColumn<QByteArray>("status"); // null: no status file
    QTest::addColumn<QByteArray>("present"); // null: no present file
    QTest::addColumn<int>("expected");

    const int notPresent = static_cast<int>(BatteryStatus::NotPresent);
    const int discharging = static_cast<int>(BatteryStatus::Discharging);
    const int idle = static_cast<int>(BatteryStatus::Idle);
    const int charging = static_cast<int>(BatteryStatus::Charging);

    QTest::newRow("Discharging") << QByteArray("Discharging\n") << QByteArray("1\n") << discharging;
    QTest::newRow("Charging") << QByteArray("Charging\n") << QByteArray("1\n") << charging;
    QTest::newRow("Full") << QByteArray("Full\n") << QByteArray("1\n") << idle;
    QTest::newRow("Not charging") << QByteArray("Not charging\n") << QByteArray("1\n") << idle;
    QTest::newRow("Unknown") << QByteArray("Unknown\n") << QByteArray("1\n") << idle;
    QTest::newRow("surrounding whitespace") << QByteArray("  Charging \r\n") << QByteArray("1") << charging;
    QTest::newRow("lower case") << QByteArray("charging\n") << QByteArray("1\n") << notPresent;
    QTest::newRow("other text") << QByteArray("Exploding\n") << QByteArray("1\n") << notPresent;
    QTest::newRow("binary") << QByteArray("\xff\x00\x01", 3) << QByteArray("1\n") << notPresent;
    QTest::newRow("empty status") << QByteArray("") << QByteArray("1\n") << notPresent;
    QTest::newRow("no status file") << QByteArray() << QByteArray("1\n") << notPresent;
    QTest::newRow("present 0") << QByteArray("Discharging\n") << QByteArray("0\n") << notPresent;
    QTest::newRow("no present file") << QByteArray("Discharging\n") << QByteArray() << discharging;
    QTest::newRow("unreadable present") << QByteArray("Charging\n") << QByteArray("yes\n") << charging;
}

void TestLinuxBatteryPlatform::status()
{
    QFETCH(QByteArray, status);
    QFETCH(QByteArray, present);
    QFETCH(int, expected);

    PowerSupplyTree tree;
    tree.addEntry("BAT0", PowerSupplyTree::energyBattery("1", "", 50000000, 25000000));
    tree.removeAttribute("BAT0", "status");
    tree.removeAttribute("BAT0", "present");
    if (!status.isNull())
        tree.setAttribute("BAT0", "status", status);
    if (!present.isNull())
        tree.setAttribute("BAT0", "present", present);

    LinuxBatteryPlatform platform(tree.root());
    const BatteryReport report = platform.batteryFromId("BAT0")->report();
    QCOMPARE(static_cast<int>(report.status), expected);
    // Capacities belong to present batteries only.
    const bool present_ = report.status != BatteryStatus::NotPresent;
    QCOMPARE(report.fullChargeCapacityInMilliwattHours.has_value(), present_);
    QCOMPARE(report.remainingCapacityInMilliwattHours.has_value(), present_);
}

void TestLinuxBatteryPlatform::capacities_data()
{
    QTest::addColumn<QVariantMap>("files");
    QTest::addColumn<QVariant>("full");
    QTest::addColumn<QVariant>("remaining");

    const QVariant absent;
    const QByteArray chargeVoltage = "11400000\n";

    QTest::newRow("energy") << QVariantMap {{"energy_full", "50000000\n"}, {"energy_now", "25000000\n"}}
                            << QVariant(50000) << QVariant(25000);
    QTest::newRow("energy truncated to mWh")
        << QVariantMap {{"energy_full", "1999999"}, {"energy_now", "999"}} << QVariant(1999) << QVariant(0);
    QTest::newRow("charge at design voltage") << QVariantMap {{"charge_full", "5000000\n"}, {"charge_now", "2500000\n"},
        {"voltage_min_design", chargeVoltage}} << QVariant(57000)
                                              << QVariant(28500);
    QTest::newRow("energy before charge") << QVariantMap {{"energy_full", "40000000"}, {"energy_now", "10000000"},
        {"charge_full", "5000000"}, {"charge_now", "2500000"}, {"voltage_min_design", chargeVoltage}}
                                          << QVariant(40000) << QVariant(10000);
    // Falling back to charge would mix two bases in one battery.
    QTest::newRow("bad energy, no fallback") << QVariantMap {{"energy_full", "abc"}, {"energy_now", "10000000"},
        {"charge_full", "5000000"}, {"charge_now", "2500000"}, {"voltage_min_design", chargeVoltage}}
                                             << absent << absent;
    QTest::newRow("energy_now missing") << QVariantMap {{"energy_full", "50000000"}} << QVariant(50000) << absent;
    QTest::newRow("energy_full missing") << QVariantMap {{"energy_now", "50000000"}} << absent << absent;
    QTest::newRow("no capacity files") << QVariantMap {} << absent << absent;
    QTest::newRow("charge without voltage")
        << QVariantMap {{"charge_full", "5000000"}, {"charge_now", "2500000"}} << absent << absent;
    QTest::newRow("charge at zero voltage")
        << QVariantMap {{"charge_full", "5000000"}, {"charge_now", "2500000"}, {"voltage_min_design", "0"}} << absent
        << absent;
    QTest::newRow("negative") << QVariantMap {{"energy_full", "50000000"}, {"energy_now", "-5000000"}}
                              << QVariant(50000) << absent;
    QTest::newRow("garbage") << QVariantMap {{"energy_full", "12abc"}, {"energy_now", "1000"}} << absent << absent;
    QTest::newRow("empty") << QVariantMap {{"energy_full", ""}, {"energy_now", ""}} << absent << absent;
    QTest::newRow("number then NUL") << QVariantMap {{"energy_full", QByteArray("5000\0\x01", 6)}} << absent << absent;
    QTest::newRow("fraction") << QVariantMap {{"energy_full", "5000.5"}} << absent << absent;
    QTest::newRow("beyond 64 bits") << QVariantMap {{"energy_full", "99999999999999999999999"}} << absent << absent;
    QTest::newRow("largest that fits 32 bits of mWh")
        << QVariantMap {{"energy_full", "2147483647999"}, {"energy_now", "0"}} << QVariant(2147483647) << QVariant(0);
    QTest::newRow("just beyond 32 bits of mWh") << QVariantMap {{"energy_full", "2147483648000"}} << absent << absent;
    QTest::newRow("charge product beyond 32 bits of mWh")
        << QVariantMap {{"charge_full", "300000000000"}, {"charge_now", "1"}, {"voltage_min_design", "10000000"}}
        << absent << absent;
    // 2^32 × 2^32 wraps to 0 in 64 bits.
    QTest::newRow("charge product beyond 64 bits")
        << QVariantMap {{"charge_full", "4294967296"}, {"charge_now", "1"}, {"voltage_min_design", "4294967296"}}
        << absent << absent;
    QTest::newRow("very long file") << QVariantMap {{"energy_full", QByteArray(1 << 20, '1')}} << absent << absent;
    QTest::newRow("number padded past a page")
        << QVariantMap {{"energy_full", QByteArray("50000000") + QByteArray(5000, ' ')}} << absent << absent;
}

void TestLinuxBatteryPlatform::capacities()
{
    QFETCH(QVariantMap, files);
    QFETCH(QVariant, full);
    QFETCH(QVariant, remaining);

    PowerSupplyTree tree;
    tree.addEntry("BAT0", batteryWith(files));

    LinuxBatteryPlatform platform(tree.root());
    const BatteryReport report = platform.batteryFromId("BAT0")->report();
    QCOMPARE(report.status, BatteryStatus::Discharging);
    QCOMPARE(variantOf(report.fullChargeCapacityInMilliwattHours), full);
    QCOMPARE(variantOf(report.remainingCapacityInMilliwattHours), remaining);
}

void TestLinuxBatteryPlatform::batteryFromId_data()
{
    QTest::addColumn<QString>("deviceId");
    QTest::addColumn<bool>("found");

    QTest::newRow("battery") << "BAT0" << true;
    QTest::newRow("mains") << "AC" << false;
    QTest::newRow("no such entry") << "BAT9" << false;
    QTest::newRow("empty") << "" << false;
    QTest::newRow("dot") << "." << false;
    QTest::newRow("dot dot") << ".." << false;
    QTest::newRow("path out and back") << "../power_supply/BAT0" << false;
    QTest::newRow("trailing slash") << "BAT0/" << false;
    QTest::newRow("absolute path") << "/BAT0" << false;
}

void TestLinuxBatteryPlatform::batteryFromId()
{
    QFETCH(QString, deviceId);
    QFETCH(bool, found);

    PowerSupplyTree tree;
    tree.addEntry("BAT0", PowerSupplyTree::energyBattery("1", "Discharging", 1000, 500));
    tree.addEntry("AC", PowerSupplyTree::supply("Mains"));

    LinuxBatteryPlatform platform(tree.root());
    QCOMPARE(platform.batteryFromId(deviceId.toStdString()) != nullptr, found);
}

void TestLinuxBatteryPlatform::vanishedBattery()
{
    PowerSupplyTree tree;
    tree.addEntry("BAT0", PowerSupplyTree::energyBattery("1", "Discharging", 1000, 500));
    LinuxBatteryPlatform platform(tree.root());
    std::unique_ptr<IDeviceList> devices = platform.findAllDevices(platform.deviceSelector());
    const std::unique_ptr<IPlatformBattery> battery = platform.batteryFromId("BAT0");
    QVERIFY(battery);

    // Unplugged between the enumeration and the next steps of a pass, before
    // the pass read it.
    tree.removeEntry("BAT0");
    QCOMPARE(devices->size(), 1u);
    const BatteryReport report = battery->report();
    QCOMPARE(report.status, BatteryStatus::NotPresent);
    QVERIFY(!report.fullChargeCapacityInMilliwattHours);
    QCOMPARE(QByteArray::fromStdString(battery->deviceId()), QByteArray("linux:power_supply/BAT0"));

    // Once the pass is over, the entry is gone.
    devices.reset();
    QVERIFY(!platform.batteryFromId("BAT0"));
}

void TestLinuxBatteryPlatform::passReadsEachBatteryOnce()
{
    PowerSupplyTree tree;
    tree.addEntry("BAT0", PowerSupplyTree::energyBattery("1", "Discharging", 1000000, 500000));
    tree.addEntry("BAT1", PowerSupplyTree::energyBattery("2", "Discharging", 1000000, 800000));
    LinuxBatteryPlatform platform(tree.root());

    std::unique_ptr<IDeviceList> devices = platform.findAllDevices(platform.deviceSelector());
    const BatteryReport aggregate = platform.aggregateBattery()->report();
    QCOMPARE(aggregate.remainingCapacityInMilliwattHours, std::optional<int32_t>(1300));

    // A change within the pass, after the aggregate read the batteries: the
    // batteries answer as the aggregate saw them, so the two agree.
    tree.setAttribute("BAT0", "energy_now", "100000");
    tree.setAttribute("BAT1", "status", "Charging");
    const std::unique_ptr<IPlatformBattery> first = platform.batteryFromId(devices->deviceId(0));
    QVERIFY(first);
    QCOMPARE(first->report().remainingCapacityInMilliwattHours, std::optional<int32_t>(500));
    QCOMPARE(platform.batteryFromId(devices->deviceId(1))->report().status, BatteryStatus::Discharging);

    // The next pass reads afresh, and so does everything outside a pass.
    devices.reset();
    QCOMPARE(platform.batteryFromId("BAT0")->report().remainingCapacityInMilliwattHours, std::optional<int32_t>(100));
    devices = platform.findAllDevices(platform.deviceSelector());
    QCOMPARE(platform.aggregateBattery()->report().status, BatteryStatus::Charging);
    QCOMPARE(platform.aggregateBattery()->report().remainingCapacityInMilliwattHours, std::optional<int32_t>(900));
}

void TestLinuxBatteryPlatform::aggregate_data()
{
    QTest::addColumn<QStringList>("statuses"); // "absent": present reads 0
    QTest::addColumn<QList<int>>("fullMwh"); // -1: no capacity files
    QTest::addColumn<QList<int>>("nowMwh");
    QTest::addColumn<int>("expectedStatus");
    QTest::addColumn<QVariant>("full");
    QTest::addColumn<QVariant>("remaining");

    const int notPresent = static_cast<int>(BatteryStatus::NotPresent);
    const int discharging = static_cast<int>(BatteryStatus::Discharging);
    const int idle = static_cast<int>(BatteryStatus::Idle);
    const int charging = static_cast<int>(BatteryStatus::Charging);
    const QVariant absent;

    QTest::newRow("charging wins") << QStringList {"Discharging", "Charging", "Full"}
                                   << QList<int> {50000, 40000, 10000} << QList<int> {25000, 10000, 10000} << charging
                                   << QVariant(100000) << QVariant(45000);
    QTest::newRow("discharging over idle")
        << QStringList {"Full", "Discharging"} << QList<int> {40000, 50000} << QList<int> {40000, 10000} << discharging
        << QVariant(90000) << QVariant(50000);
    QTest::newRow("idle when nothing flows") << QStringList {"Full", "Not charging"} << QList<int> {40000, 50000}
                                             << QList<int> {40000, 45000} << idle << QVariant(90000) << QVariant(85000);
    QTest::newRow("absent battery not counted")
        << QStringList {"Discharging", "absent"} << QList<int> {50000, 99999} << QList<int> {25000, 99999}
        << discharging << QVariant(50000) << QVariant(25000);
    QTest::newRow("none present") << QStringList {"absent", "absent"} << QList<int> {50000, 50000}
                                  << QList<int> {25000, 25000} << notPresent << absent << absent;
    QTest::newRow("no batteries") << QStringList {} << QList<int> {} << QList<int> {} << notPresent << absent << absent;
    QTest::newRow("a present battery of unknown size")
        << QStringList {"Discharging", "Discharging"} << QList<int> {50000, -1} << QList<int> {25000, -1} << discharging
        << absent << absent;
    QTest::newRow("sum beyond 32 bits") << QStringList {"Discharging", "Discharging"}
                                        << QList<int> {2000000000, 2000000000} << QList<int> {1000, 1000} << discharging
                                        << absent << absent;
}

void TestLinuxBatteryPlatform::aggregate()
{
    QFETCH(QStringList, statuses);
    QFETCH(QList<int>, fullMwh);
    QFETCH(QList<int>, nowMwh);
    QFETCH(int, expectedStatus);
    QFETCH(QVariant, full);
    QFETCH(QVariant, remaining);

    PowerSupplyTree tree;
    tree.addEntry("AC", PowerSupplyTree::supply("Mains"));
    for (int i = 0; i < statuses.size(); ++i) {
        const bool absentBattery = statuses.at(i) == "absent";
        const QByteArray status = absentBattery ? "Discharging" : statuses.at(i).toLatin1();
        Attributes attributes = fullMwh.at(i) < 0
            ? PowerSupplyTree::batteryBase("1", status)
            : PowerSupplyTree::energyBattery("1", status, qint64(fullMwh.at(i)) * 1000, qint64(nowMwh.at(i)) * 1000);
        if (absentBattery)
            attributes.insert("present", "0\n");
        tree.addEntry(QStringLiteral("BAT%1").arg(i), attributes);
    }

    LinuxBatteryPlatform platform(tree.root());
    const BatteryReport report = platform.aggregateBattery()->report();
    QCOMPARE(static_cast<int>(report.status), expectedStatus);
    QCOMPARE(variantOf(report.fullChargeCapacityInMilliwattHours), full);
    QCOMPARE(variantOf(report.remainingCapacityInMilliwattHours), remaining);
}

void TestLinuxBatteryPlatform::unusableRoot_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("missing") << "missing";
    QTest::newRow("a file") << "file";
}

void TestLinuxBatteryPlatform::unusableRoot()
{
    QFETCH(QString, kind);

    QTemporaryDir dir;
    const QString root = dir.path() + "/power_supply";
    if (kind == "file") {
        QFile file(root);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("BAT0");
    }

    auto platform = std::make_shared<LinuxBatteryPlatform>(root);
    QVERIFY(listedDevices(*platform).isEmpty());
    QCOMPARE(platform->aggregateBattery()->report().status, BatteryStatus::NotPresent);
    QVERIFY(!platform->batteryFromId("BAT0"));
    WinRTBatteryModel model(platform);
    QCOMPARE(model.currentLevels(), FakeBatteryModel::levels(0, 0, 0, 0));
}

void TestLinuxBatteryPlatform::modelPlacesPacksByUid()
{
    PowerSupplyTree tree;
    // Names in another order than the uids: placement follows the uid alone.
    tree.addEntry("BAT0", PowerSupplyTree::chargeBattery("2", "Discharging", 2000000, 1000000, 20000000)); // 40/20 Wh
    tree.addEntry("BAT1", PowerSupplyTree::energyBattery("1", "Charging", 50000000, 40000000));
    tree.addEntry("BAT2", PowerSupplyTree::energyBattery("3", "Full", 20000000, 5000000));
    tree.addEntry("AC", PowerSupplyTree::supply("Mains"));
    tree.addEntry("ucsi-source-psy-USBC000:001", PowerSupplyTree::supply("USB"));

    WinRTBatteryModel model(std::make_shared<LinuxBatteryPlatform>(tree.root()));
    // Aggregate: 65 of 110 Wh is 59.09 %.
    QCOMPARE(model.currentLevels(), FakeBatteryModel::levels(50, 25, 80, 59));
}

void TestLinuxBatteryPlatform::batteryWithoutUidTakesNoPlace()
{
    PowerSupplyTree tree;
    Attributes attributes = PowerSupplyTree::energyBattery(QByteArray(), "Discharging", 10000000, 5000000);
    tree.addEntry("B11111111111111111111", attributes);
    tree.addEntry("B22222222222222222222", attributes);
    tree.addEntry("B33333333333333333333", attributes);

    WinRTBatteryModel model(std::make_shared<LinuxBatteryPlatform>(tree.root()));
    QCOMPARE(model.currentLevels(), FakeBatteryModel::levels(0, 0, 0, 50));
}

void TestLinuxBatteryPlatform::survivesArbitraryFileContent()
{
    PowerSupplyTree tree;
    const QStringList names {"BAT0", "BAT1", "BAT2"};
    for (int i = 0; i < names.size(); ++i)
        tree.addEntry(names.at(i),
            PowerSupplyTree::chargeBattery(QByteArray::number(i + 1), "Discharging", 5000000, 2500000, 11400000));
    auto platform = std::make_shared<LinuxBatteryPlatform>(tree.root());
    WinRTBatteryModel model(platform);

    const QStringList attributes {"type", "status", "present", "energy_full", "energy_now", "charge_full", "charge_now",
        "voltage_min_design", "device/uid"};
    const QList<QByteArray> seeds {"Battery", "Discharging", "Charging", "Full", "0", "1", "-1", "4294967296",
        "9223372036854775807", "9223372036854775808", "2"};
    QRandomGenerator random(20240611);
    for (int round = 0; round < 400; ++round) {
        QByteArray content;
        switch (random.bounded(3)) {
        case 0:
            content = seeds.at(random.bounded(seeds.size()));
            break;
        case 1:
            content = QByteArray::number(random.bounded(2000000000)) + QByteArray(random.bounded(3), '\n');
            break;
        default:
            for (int i = random.bounded(40); i > 0; --i)
                content.append(static_cast<char>(random.bounded(256)));
        }
        const QString name = names.at(random.bounded(names.size()));
        const QString attribute = attributes.at(random.bounded(attributes.size()));
        tree.setAttribute(name, attribute, content);

        const BatteryLevels levels = model.readLevels();
        for (const int32_t percent : {levels.left, levels.right, levels.center, levels.aggregate})
            QVERIFY2(percent >= 0 && percent <= 100, qPrintable(QString("round %1: %2").arg(round).arg(percent)));
        QCOMPARE(levels.remainingTimeSeconds, -1);
    }
}

void TestLinuxBatteryPlatform::attributesThatAreNoFile_data()
{
    QTest::addColumn<QString>("attribute");
    QTest::addColumn<int>("kind");
    QTest::addColumn<bool>("listed");
    QTest::addColumn<int>("status");
    QTest::addColumn<QVariant>("remaining");

    using Odd = PowerSupplyTree::Odd;
    const int discharging = static_cast<int>(BatteryStatus::Discharging);
    const int notPresent = static_cast<int>(BatteryStatus::NotPresent);
    const QVariant absent;
    struct Kind
    {
        const char *name;
        Odd kind;
    };
    for (const Kind &kind :
        {Kind {"FIFO", Odd::Fifo}, Kind {"folder", Odd::Folder}, Kind {"/dev/zero", Odd::ZeroDevice}}) {
        const int k = static_cast<int>(kind.kind);
        QTest::addRow("energy_now is a %s", kind.name) << "energy_now" << k << true << discharging << absent;
        QTest::addRow("status is a %s", kind.name) << "status" << k << true << notPresent << absent;
        QTest::addRow("type is a %s", kind.name) << "type" << k << false << notPresent << absent;
        QTest::addRow("uid is a %s", kind.name) << "device/uid" << k << true << discharging << QVariant(25000);
    }
}

// A FIFO in place of an attribute once froze the whole program in open():
// the reading runs on a thread here so that a regression fails the case
// (and is then released by a writer) instead of hanging the suite.
void TestLinuxBatteryPlatform::attributesThatAreNoFile()
{
    QFETCH(QString, attribute);
    QFETCH(int, kind);
    QFETCH(bool, listed);
    QFETCH(int, status);
    QFETCH(QVariant, remaining);

    PowerSupplyTree tree;
    tree.addEntry("BAT0", PowerSupplyTree::energyBattery("1", "Discharging", 50000000, 25000000));
    tree.setOddAttribute("BAT0", attribute, static_cast<PowerSupplyTree::Odd>(kind));

    LinuxBatteryPlatform platform(tree.root());
    struct Outcome
    {
        QStringList listed;
        std::optional<BatteryReport> report;
    };
    std::future<Outcome> reading = std::async(std::launch::async, [&platform] {
        Outcome outcome;
        outcome.listed = listedDevices(platform);
        if (const std::unique_ptr<IPlatformBattery> battery = platform.batteryFromId("BAT0")) {
            battery->deviceId();
            outcome.report = battery->report();
        }
        platform.aggregateBattery()->report();
        return outcome;
    });
    if (reading.wait_for(std::chrono::seconds(20)) != std::future_status::ready) {
        // Let a reader stuck on the FIFO go, so the thread can be joined.
        const int writer = ::open(
            QFile::encodeName(tree.attributePath("BAT0", attribute)).constData(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
        if (writer >= 0)
            ::close(writer);
        reading.wait();
        QFAIL("reading the batteries blocked on the attribute");
    }

    const Outcome outcome = reading.get();
    QCOMPARE(outcome.listed.contains("BAT0"), listed);
    QCOMPARE(outcome.report.has_value(), listed);
    if (!listed)
        return;
    QCOMPARE(static_cast<int>(outcome.report->status), status);
    QCOMPARE(variantOf(outcome.report->remainingCapacityInMilliwattHours), remaining);
}

QTEST_GUILESS_MAIN(TestLinuxBatteryPlatform)
#include "tst_linuxbatteryplatform.moc"
