#include "app/CommandLine.h"

#include <QtTest>

namespace {

class OneBattery : public IPlatformBattery
{
public:
    std::string deviceId() override { return "\\\\?\\ACPI#PNP0C0A#1#BAT0"; }
    BatteryReport report() override { return {BatteryStatus::Discharging, 1000, 550}; }
};

// A platform that serves one internal battery, or fails every call.
class ScriptedPlatform : public IBatteryPlatform
{
public:
    explicit ScriptedPlatform(bool failing)
        : m_failing(failing)
    { }
    std::string deviceSelector() override
    {
        if (m_failing)
            throw BatteryPlatformError("GetDeviceSelector failed", static_cast<int32_t>(0x80070005));
        return "batteries";
    }
    std::vector<std::string> findAllDeviceIds(const std::string &) override { return {"BAT0"}; }
    std::unique_ptr<IPlatformBattery> aggregateBattery() override { return std::make_unique<OneBattery>(); }
    std::unique_ptr<IPlatformBattery> batteryFromId(const std::string &) override
    {
        return std::make_unique<OneBattery>();
    }

private:
    bool m_failing;
};

} // namespace

class tst_Startup : public QObject
{
    Q_OBJECT

private slots:
    void batterySourceTakesItsFirstReading()
    {
        auto source = createBatterySource(std::make_shared<ScriptedPlatform>(false));
        QVERIFY(source);
        QCOMPARE(source->currentLevels().center, 55);
        QCOMPARE(source->currentLevels().aggregate, 55);
    }

    void failingFirstReadingIsReportedNotThrown()
    {
        QTest::ignoreMessage(QtCriticalMsg,
            QRegularExpression(QStringLiteral("^Failed to read the batteries: GetDeviceSelector failed")));
        std::shared_ptr<IBatteryModel> source;
        try {
            source = createBatterySource(std::make_shared<ScriptedPlatform>(true));
        } catch (...) {
            QFAIL("the error escaped");
        }
        QVERIFY(!source);
    }
};

QTEST_GUILESS_MAIN(tst_Startup)
#include "tst_startup.moc"
