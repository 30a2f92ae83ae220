#include "battery/WinRTBatteryModel.h"
#include "fakes/FakeBatteryModel.h"
#include "fakes/FakeBatteryPlatform.h"

#include <QElapsedTimer>
#include <QScopeGuard>
#include <QtTest/QtTest>

#include <limits>

namespace {

std::optional<int32_t> optionalOf(const QVariant &value)
{
    return value.isValid() ? std::optional<int32_t>(value.toInt()) : std::nullopt;
}

// Three placed batteries and an aggregate; every field differs between the
// two readings so a partly replaced snapshot shows.
void setReadingA(FakeBatteryPlatform &platform)
{
    platform.devices.clear();
    platform.addBattery(FakeBatteryPlatform::placedId('1'), FakeBatteryPlatform::reportOf(55));
    platform.addBattery(FakeBatteryPlatform::placedId('2'), FakeBatteryPlatform::reportOf(30));
    platform.addBattery(FakeBatteryPlatform::placedId('3'), FakeBatteryPlatform::reportOf(70));
    platform.aggregate = FakeBatteryPlatform::reportOf(40);
}
const BatteryLevels readingA = FakeBatteryModel::levels(30, 70, 55, 40);

void setReadingB(FakeBatteryPlatform &platform)
{
    platform.devices.clear();
    platform.addBattery(FakeBatteryPlatform::placedId('1'), FakeBatteryPlatform::reportOf(90));
    platform.addBattery(FakeBatteryPlatform::placedId('2'), FakeBatteryPlatform::reportOf(10));
    platform.addBattery(FakeBatteryPlatform::placedId('3'), FakeBatteryPlatform::reportOf(20));
    platform.aggregate = FakeBatteryPlatform::reportOf(75);
}
const BatteryLevels readingB = FakeBatteryModel::levels(10, 20, 90, 75);

QStringList *capturedMessages = nullptr;

void captureMessage(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type == QtWarningMsg || type == QtCriticalMsg)
        capturedMessages->append(message);
}

} // namespace

class TestWinRTBatteryModel : public QObject
{
    Q_OBJECT

private slots:
    void chargePercent_data();
    void chargePercent();
    void placement_data();
    void placement();
    void passCallsPlatformInOrder();
    void failedPassKeepsSnapshot_data();
    void failedPassKeepsSnapshot();
    void constructorTakesFirstReading();
    void failingFirstPassThrowsFromConstructor();
    void timerRenewsSnapshot();
    void failureLoggedOnlyWhenItStartsAndEnds();
};

void TestWinRTBatteryModel::chargePercent_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<QVariant>("full");
    QTest::addColumn<QVariant>("remaining");
    QTest::addColumn<int>("expected");

    const int discharging = static_cast<int>(BatteryStatus::Discharging);
    const int max = std::numeric_limits<int32_t>::max();
    QTest::newRow("999 of 1000 truncates") << discharging << QVariant(1000) << QVariant(999) << 99;
    QTest::newRow("1 of 3") << discharging << QVariant(3) << QVariant(1) << 33;
    QTest::newRow("2 of 3 does not round") << discharging << QVariant(3) << QVariant(2) << 66;
    QTest::newRow("1100 of 1000 clamps") << discharging << QVariant(1000) << QVariant(1100) << 100;
    QTest::newRow("negative remaining") << discharging << QVariant(1000) << QVariant(-5) << 0;
    QTest::newRow("full 0") << discharging << QVariant(0) << QVariant(500) << 0;
    QTest::newRow("full 0, remaining 0") << discharging << QVariant(0) << QVariant(0) << 0;
    QTest::newRow("charging 80") << static_cast<int>(BatteryStatus::Charging) << QVariant(1000) << QVariant(800) << 80;
    QTest::newRow("idle full") << static_cast<int>(BatteryStatus::Idle) << QVariant(1000) << QVariant(1000) << 100;
    QTest::newRow("not present") << static_cast<int>(BatteryStatus::NotPresent) << QVariant(1000) << QVariant(500) << 0;
    QTest::newRow("unknown status 4") << 4 << QVariant(1000) << QVariant(500) << 0;
    QTest::newRow("negative status") << -1 << QVariant(1000) << QVariant(500) << 0;
    QTest::newRow("full absent") << discharging << QVariant() << QVariant(500) << 0;
    QTest::newRow("remaining absent") << discharging << QVariant(1000) << QVariant() << 0;
    QTest::newRow("both absent") << discharging << QVariant() << QVariant() << 0;
    // remaining * 100 would overflow 32 bits here.
    QTest::newRow("large capacities") << discharging << QVariant(2100000000) << QVariant(2000000000) << 95;
    QTest::newRow("int32 max of int32 max") << discharging << QVariant(max) << QVariant(max) << 100;
    QTest::newRow("int32 max of 1") << discharging << QVariant(1) << QVariant(max) << 100;
}

void TestWinRTBatteryModel::chargePercent()
{
    QFETCH(int, status);
    QFETCH(QVariant, full);
    QFETCH(QVariant, remaining);
    QFETCH(int, expected);

    auto platform = std::make_shared<FakeBatteryPlatform>();
    BatteryReport report;
    report.status = static_cast<BatteryStatus>(status);
    report.fullChargeCapacityInMilliwattHours = optionalOf(full);
    report.remainingCapacityInMilliwattHours = optionalOf(remaining);
    platform->addBattery(FakeBatteryPlatform::placedId('1'), report);
    WinRTBatteryModel model(platform);

    std::unique_ptr<IPlatformBattery> battery = platform->batteryFromId("dev-0");
    QCOMPARE(model.chargePercent(*battery), expected);
    // The same number reaches the snapshot.
    QCOMPARE(model.currentLevels().center, expected);
}

void TestWinRTBatteryModel::placement_data()
{
    QTest::addColumn<QStringList>("batteryIds");
    QTest::addColumn<QList<int>>("percents"); // -1: the device has no battery
    QTest::addColumn<int>("aggregatePercent"); // -1: aggregate not present
    QTest::addColumn<BatteryLevels>("expected");

    const auto id = [](char placement) { return QString::fromStdString(FakeBatteryPlatform::placedId(placement)); };
    const QString prefix = QStringLiteral("\\\\?\\ACPI#PNP0C0A#");

    QTest::newRow("no batteries") << QStringList() << QList<int>() << -1 << FakeBatteryModel::levels(0, 0, 0, 0);
    QTest::newRow("internal battery only")
        << QStringList {id('1')} << QList<int> {55} << 55 << FakeBatteryModel::levels(0, 0, 55, 55);
    QTest::newRow("three placed") << QStringList {id('2'), id('1'), id('3')} << QList<int> {20, 55, 90} << 60
                                  << FakeBatteryModel::levels(20, 90, 55, 60);
    QTest::newRow("later battery overwrites")
        << QStringList {id('2'), id('2')} << QList<int> {10, 70} << 40 << FakeBatteryModel::levels(70, 0, 0, 40);
    QTest::newRow("later empty battery overwrites")
        << QStringList {id('1'), id('1')} << QList<int> {60, 0} << 30 << FakeBatteryModel::levels(0, 0, 0, 30);
    QTest::newRow("'4' places nothing") << QStringList {id('4')} << QList<int> {40} << 40
                                        << FakeBatteryModel::levels(0, 0, 0, 40);
    QTest::newRow("17 bytes place nothing")
        << QStringList {prefix} << QList<int> {40} << 40 << FakeBatteryModel::levels(0, 0, 0, 40);
    QTest::newRow("empty identifier") << QStringList {QString()} << QList<int> {40} << 40
                                      << FakeBatteryModel::levels(0, 0, 0, 40);
    QTest::newRow("exactly 18 bytes place")
        << QStringList {prefix + "3"} << QList<int> {40} << 40 << FakeBatteryModel::levels(0, 40, 0, 40);
    // Character 17 is '1', but the two-byte é puts byte 17 inside it.
    QTest::newRow("byte 17, not character 17") << QStringList {QStringLiteral("\\\\?\\ACPI#PNP0C0A\u00e91#x")}
                                               << QList<int> {40} << 40 << FakeBatteryModel::levels(0, 0, 0, 40);
    QTest::newRow("device without battery skipped") << QStringList {id('2'), QString(),
        id('3')} << QList<int> {30, -1, 60} << 45 << FakeBatteryModel::levels(30, 60, 0, 45);
}

void TestWinRTBatteryModel::placement()
{
    QFETCH(QStringList, batteryIds);
    QFETCH(QList<int>, percents);
    QFETCH(int, aggregatePercent);
    QFETCH(BatteryLevels, expected);

    auto platform = std::make_shared<FakeBatteryPlatform>();
    for (int i = 0; i < batteryIds.size(); ++i) {
        if (percents.at(i) < 0)
            platform->addDeviceWithoutBattery();
        else
            platform->addBattery(batteryIds.at(i).toStdString(), FakeBatteryPlatform::reportOf(percents.at(i)));
    }
    if (aggregatePercent >= 0)
        platform->aggregate = FakeBatteryPlatform::reportOf(aggregatePercent);

    WinRTBatteryModel model(platform);
    QCOMPARE(model.readLevels(), expected);
}

void TestWinRTBatteryModel::passCallsPlatformInOrder()
{
    // Unplaced batteries are still opened and read; a device without a
    // battery is skipped after the lookup.
    auto platform = std::make_shared<FakeBatteryPlatform>();
    platform->addBattery("\\\\?\\ACPI#PNP0C0A#4#x", FakeBatteryPlatform::reportOf(10));
    platform->addDeviceWithoutBattery();
    platform->addBattery("short", FakeBatteryPlatform::reportOf(20));
    platform->aggregate = FakeBatteryPlatform::reportOf(15);
    WinRTBatteryModel model(platform);

    const std::vector<std::string> expected = {
        "deviceSelector",
        "findAllDevices(fake-selector)",
        "aggregateBattery",
        "report(aggregate)",
        "size",
        "deviceId(0)",
        "batteryFromId(dev-0)",
        "report(\\\\?\\ACPI#PNP0C0A#4#x)",
        "batteryDeviceId(\\\\?\\ACPI#PNP0C0A#4#x)",
        "deviceId(1)",
        "batteryFromId(dev-1)",
        "deviceId(2)",
        "batteryFromId(dev-2)",
        "report(short)",
        "batteryDeviceId(short)",
    };
    QCOMPARE(platform->calls, expected);
    QCOMPARE(model.currentLevels(), FakeBatteryModel::levels(0, 0, 0, 15));
}

void TestWinRTBatteryModel::failedPassKeepsSnapshot_data()
{
    QTest::addColumn<QString>("failAt");

    for (const char *call : {"deviceSelector", "findAllDevices(fake-selector)", "aggregateBattery", "report(aggregate)",
             "size", "deviceId(0)", "batteryFromId(dev-1)", "report(\\\\?\\ACPI#PNP0C0A#2#fake)",
             "batteryDeviceId(\\\\?\\ACPI#PNP0C0A#3#fake)"})
        QTest::newRow(call) << QString::fromLatin1(call);
}

void TestWinRTBatteryModel::failedPassKeepsSnapshot()
{
    QFETCH(QString, failAt);

    auto platform = std::make_shared<FakeBatteryPlatform>();
    setReadingA(*platform);
    WinRTBatteryModel model(platform);
    QCOMPARE(model.currentLevels(), readingA);

    setReadingB(*platform);
    platform->failAt = failAt.toStdString();
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("Battery reading failed"));
    model.refresh();
    QCOMPARE(platform->calls.back(), platform->failAt); // the pass did reach the failing call
    QCOMPARE(model.currentLevels(), readingA);

    platform->failAt.clear();
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("recovered"));
    model.refresh();
    QCOMPARE(model.currentLevels(), readingB);
}

void TestWinRTBatteryModel::constructorTakesFirstReading()
{
    auto platform = std::make_shared<FakeBatteryPlatform>();
    setReadingA(*platform);
    WinRTBatteryModel model(platform);

    QCOMPARE(platform->passes(), 1);
    QCOMPARE(model.currentLevels(), readingA);
}

void TestWinRTBatteryModel::failingFirstPassThrowsFromConstructor()
{
    auto platform = std::make_shared<FakeBatteryPlatform>();
    setReadingA(*platform);
    platform->failAt = "batteryFromId(dev-1)";

    try {
        WinRTBatteryModel model(platform);
        QFAIL("the constructor returned although its first pass failed");
    } catch (const BatteryPlatformError &error) {
        QCOMPARE(error.code(), platform->failureCode);
    }
}

void TestWinRTBatteryModel::timerRenewsSnapshot()
{
    auto platform = std::make_shared<FakeBatteryPlatform>();
    setReadingA(*platform);
    QElapsedTimer sinceConstruction;
    sinceConstruction.start();
    WinRTBatteryModel model(platform);

    setReadingB(*platform);
    QTRY_COMPARE_WITH_TIMEOUT(model.currentLevels(), readingB, 5000);
    // A coarse timer may fire up to 5 % early; far earlier means a wrong interval.
    QVERIFY2(sinceConstruction.elapsed() >= 1400, qPrintable(QString::number(sinceConstruction.elapsed())));

    // And it keeps running.
    setReadingA(*platform);
    QTRY_COMPARE_WITH_TIMEOUT(model.currentLevels(), readingA, 5000);
}

void TestWinRTBatteryModel::failureLoggedOnlyWhenItStartsAndEnds()
{
    auto platform = std::make_shared<FakeBatteryPlatform>();
    setReadingA(*platform);
    WinRTBatteryModel model(platform);

    QStringList messages;
    capturedMessages = &messages;
    const QtMessageHandler previous = qInstallMessageHandler(captureMessage);
    const auto restore = qScopeGuard([previous] {
        qInstallMessageHandler(previous);
        capturedMessages = nullptr;
    });

    platform->failAt = "size";
    for (int i = 0; i < 3; ++i)
        model.refresh();
    QCOMPARE(messages.size(), 1);
    QVERIFY2(messages.at(0).contains("Battery reading failed") && messages.at(0).contains("fake size failed"),
        qPrintable(messages.at(0)));

    platform->failAt.clear();
    for (int i = 0; i < 2; ++i)
        model.refresh();
    QCOMPARE(messages.size(), 2);
    QVERIFY2(messages.at(1).contains("recovered"), qPrintable(messages.at(1)));

    platform->failAt = "report(aggregate)";
    model.refresh();
    model.refresh();
    QCOMPARE(messages.size(), 3);
    QVERIFY2(messages.at(2).contains("Battery reading failed"), qPrintable(messages.at(2)));
}

QTEST_GUILESS_MAIN(TestWinRTBatteryModel)
#include "tst_winrtbatterymodel.moc"
