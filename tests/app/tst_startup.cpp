#include "app/CommandLine.h"
#include "fakes/FakeBatteryPlatform.h"

#include <QtTest>

class TestStartup : public QObject
{
    Q_OBJECT

private slots:
    void batterySourceTakesItsFirstReading()
    {
        auto platform = std::make_shared<FakeBatteryPlatform>();
        platform->addBattery(FakeBatteryPlatform::placedId('1'), FakeBatteryPlatform::reportOf(550, 1000));
        platform->aggregate = FakeBatteryPlatform::reportOf(550, 1000);
        auto source = createBatterySource(platform);
        QVERIFY(source);
        QCOMPARE(source->currentLevels().center, 55);
        QCOMPARE(source->currentLevels().aggregate, 55);
    }

    void failingFirstReadingIsReportedNotThrown()
    {
        QTest::ignoreMessage(QtCriticalMsg, QRegularExpression(QStringLiteral("^Failed to read the batteries: ")));
        std::shared_ptr<IBatteryModel> source;
        try {
            auto platform = std::make_shared<FakeBatteryPlatform>();
            platform->failAt = "deviceSelector";
            source = createBatterySource(platform);
        } catch (...) {
            QFAIL("the error escaped");
        }
        QVERIFY(!source);
    }
};

QTEST_GUILESS_MAIN(TestStartup)
#include "tst_startup.moc"
