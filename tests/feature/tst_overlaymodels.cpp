#include "fakes/FakeBatteryModel.h"
#include "fakes/TestEnvironment.h"
#include "feature/BatteryDashboardModel.h"
#include "feature/BatteryOverlayModel.h"
#include "settings/Settings.h"
#include "settings/SettingsChangeWatch.h"

#include <QFile>
#include <QSaveFile>
#include <QtTest>

Q_DECLARE_METATYPE(BatteryLevels)

class TestOverlayModels : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void alertFlags_data();
    void alertFlags();
    void hudOffDoesNotAskTheBattery();
    void alertRecordFromDefaults();
    void alertRecordFromEmptyFile();
    void alertReadsItsStoreOnlyAfterAChange();
    void alertSeesAWriteOfThisProcessAtOnce();
    void alertSeesTheFileChangedOnDisk_data();
    void alertSeesTheFileChangedOnDisk();
    void dashboardRecordIsFixed();

private:
    static void setValue(const QString &key, const QVariant &value);
    std::unique_ptr<TestEnvironment> m_env;
};

void TestOverlayModels::initTestCase()
{
    m_env = std::make_unique<TestEnvironment>();
    TestEnvironment::setProgramIdentity();
    createSettingsFactory();
}

void TestOverlayModels::init()
{
    QFile::remove(TestEnvironment::settingsFile());
    openSettings().reset(); // a fresh file with every default
}

void TestOverlayModels::setValue(const QString &key, const QVariant &value)
{
    openSettings()->setValue(key, value);
}

void TestOverlayModels::alertFlags_data()
{
    QTest::addColumn<BatteryLevels>("levels");
    QTest::addColumn<QString>("warning");
    QTest::addColumn<QString>("critical");
    QTest::addColumn<bool>("visible");
    QTest::addColumn<bool>("permanent");

    // Levels are left, right, center, aggregate.
    QTest::newRow("all above warning") << FakeBatteryModel::levels(50, 60, 70, 65) << "40"
                                       << "20" << false << false;
    QTest::newRow("center at 35") << FakeBatteryModel::levels(50, 50, 35, 45) << "40"
                                  << "20" << true << false;
    QTest::newRow("exactly at warning") << FakeBatteryModel::levels(40, 50, 50, 50) << "40"
                                        << "20" << true << false;
    QTest::newRow("right at 15") << FakeBatteryModel::levels(50, 15, 70, 60) << "40"
                                 << "20" << true << true;
    QTest::newRow("exactly at critical") << FakeBatteryModel::levels(50, 50, 50, 20) << "40"
                                         << "20" << true << true;
    QTest::newRow("aggregate alone is low") << FakeBatteryModel::levels(90, 90, 90, 30) << "40"
                                            << "20" << true << false;
    QTest::newRow("absent battery reads 0") << FakeBatteryModel::levels(0, 90, 90, 90) << "40"
                                            << "20" << true << true;
    QTest::newRow("critical above warning") << FakeBatteryModel::levels(45, 90, 90, 90) << "30"
                                            << "50" << false << true;
    // A fraction is no whole number: the threshold reads as 0.
    QTest::newRow("fractional warning") << FakeBatteryModel::levels(35, 90, 90, 90) << "37.5"
                                        << "20" << false << false;
    QTest::newRow("negative warning") << FakeBatteryModel::levels(0, 0, 0, 0) << "-1"
                                      << "-1" << false << false;
}

void TestOverlayModels::alertFlags()
{
    QFETCH(BatteryLevels, levels);
    QFETCH(QString, warning);
    QFETCH(QString, critical);
    QFETCH(bool, visible);
    QFETCH(bool, permanent);

    setValue(QStringLiteral("Alerts/Battery/WarningThreshold"), warning);
    setValue(QStringLiteral("Alerts/Battery/CriticalThreshold"), critical);
    auto battery = std::make_shared<FakeBatteryModel>(levels);
    BatteryOverlayModel model(battery);

    const OverlaySettings settings = model.getSettings();
    QCOMPARE(settings.isVisible, visible);
    QCOMPARE(settings.isPermanent, permanent);
    QCOMPARE(battery->readCount(), 2); // one snapshot per threshold
}

void TestOverlayModels::hudOffDoesNotAskTheBattery()
{
    setValue(QStringLiteral("Alerts/Battery/EnableHUD"), false);
    auto battery = std::make_shared<FakeBatteryModel>(FakeBatteryModel::levels(5, 5, 5, 5));
    BatteryOverlayModel model(battery);

    const OverlaySettings settings = model.getSettings();
    QCOMPARE(settings.isVisible, false);
    QCOMPARE(settings.isPermanent, false);
    QCOMPARE(battery->readCount(), 0);
}

void TestOverlayModels::alertRecordFromDefaults()
{
    BatteryOverlayModel model(std::make_shared<FakeBatteryModel>(FakeBatteryModel::levels(90, 90, 90, 90)));
    const OverlaySettings settings = model.getSettings();

    QCOMPARE(settings.duration, 5.0f);
    QCOMPARE(settings.fadeOutDuration, 1.0f);
    QCOMPARE(settings.maxAlpha, 1.0f);
    QCOMPARE(settings.interpolationSpeed, 128.0f);
    QCOMPARE(settings.xPos, 0.85f);
    QCOMPARE(settings.yPos, 0.25f);
    QCOMPARE(settings.distance, 0.3f);
    QCOMPARE(settings.scale, 0.05f);
    QCOMPARE(settings.pixelWidth, 1043);
    QCOMPARE(settings.pixelHeight, 537);
    QCOMPARE(settings.updateIntervalMs, 20.0f);

    // Unchanged settings and levels give an equal record.
    QVERIFY(model.getSettings() == settings);
}

void TestOverlayModels::alertRecordFromEmptyFile()
{
    // A file without any keys: flags false and numbers 0, but the fixed
    // size and tick stay what the panel needs.
    QFile file(TestEnvironment::settingsFile());
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.close();

    BatteryOverlayModel model(std::make_shared<FakeBatteryModel>(FakeBatteryModel::levels(5, 5, 5, 5)));
    const OverlaySettings settings = model.getSettings();
    QCOMPARE(settings.isVisible, false);
    QCOMPARE(settings.duration, 0.0f);
    QCOMPARE(settings.scale, 0.0f);
    QCOMPARE(settings.pixelWidth, 1043);
    QCOMPARE(settings.updateIntervalMs, 20.0f);
}

void TestOverlayModels::alertReadsItsStoreOnlyAfterAChange()
{
    auto battery = std::make_shared<FakeBatteryModel>(FakeBatteryModel::levels(30, 90, 90, 90));
    BatteryOverlayModel model(battery);
    const OverlaySettings first = model.getSettings();
    for (int i = 0; i < 20; ++i)
        QVERIFY(model.getSettings() == first);
    QCOMPARE(model.settingsReads(), 1u);

    // The levels are still taken on every call: a battery crossing the
    // threshold shows at once, with no settings read.
    QVERIFY(first.isVisible);
    battery->setLevels(FakeBatteryModel::levels(90, 90, 90, 90));
    QVERIFY(!model.getSettings().isVisible);
    battery->setLevels(FakeBatteryModel::levels(15, 90, 90, 90));
    QVERIFY(model.getSettings().isPermanent);
    QCOMPARE(model.settingsReads(), 1u);
}

void TestOverlayModels::alertSeesAWriteOfThisProcessAtOnce()
{
    auto battery = std::make_shared<FakeBatteryModel>(FakeBatteryModel::levels(45, 90, 90, 90));
    BatteryOverlayModel model(battery);
    QVERIFY(!model.getSettings().isVisible);

    // What the dashboard's slider does: a store of its own, written, and
    // the alert told; the next call answers with it, before any event loop
    // turn could have brought the file along.
    const std::shared_ptr<IOxaSettings> dashboard = openSettings();
    dashboard->setValue(QStringLiteral("Alerts/Battery/WarningThreshold"), 50.0);
    SettingsChangeWatch::noteWrite();
    QVERIFY(model.getSettings().isVisible);
    dashboard->setValue(QStringLiteral("Alerts/Battery/EnableHUD"), false);
    SettingsChangeWatch::noteWrite();
    QVERIFY(!model.getSettings().isVisible);
    QCOMPARE(model.settingsReads(), 3u);
}

void TestOverlayModels::alertSeesTheFileChangedOnDisk_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("edited in place") << "in place";
    QTest::newRow("replaced by a rename, as editors save") << "rename";
    QTest::newRow("removed, then written anew") << "remove";
}

void TestOverlayModels::alertSeesTheFileChangedOnDisk()
{
    QFETCH(QString, how);

    auto battery = std::make_shared<FakeBatteryModel>(FakeBatteryModel::levels(90, 90, 90, 90));
    BatteryOverlayModel model(battery);
    const OverlaySettings before = model.getSettings();
    QCOMPARE(before.distance, 0.3f);

    // The whole file as another program writes it, distance and scale changed.
    QFile current(TestEnvironment::settingsFile());
    QVERIFY(current.open(QIODevice::ReadOnly));
    QByteArray text = current.readAll();
    current.close();
    text.replace("Distance=0.3", "Distance=0.45").replace("Scale=0.05", "Scale=0.125");

    const QString path = TestEnvironment::settingsFile();
    if (how == QLatin1String("in place")) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(text);
    } else if (how == QLatin1String("rename")) {
        QSaveFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(text);
        QVERIFY(file.commit());
    } else {
        QVERIFY(QFile::remove(path));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(text);
    }

    QTRY_COMPARE_WITH_TIMEOUT(model.getSettings().distance, 0.45f, 5000);
    QCOMPARE(model.getSettings().scale, 0.125f);
    // What a model that opens a new store would answer.
    QVERIFY(model.getSettings() == BatteryOverlayModel(battery).getSettings());

    // The watch outlives the replacement: a second edit is seen too.
    text.replace("Distance=0.45", "Distance=0.5");
    QSaveFile again(path);
    QVERIFY(again.open(QIODevice::WriteOnly));
    again.write(text);
    QVERIFY(again.commit());
    QTRY_COMPARE_WITH_TIMEOUT(model.getSettings().distance, 0.5f, 5000);
}

void TestOverlayModels::dashboardRecordIsFixed()
{
    setValue(QStringLiteral("Alerts/Battery/EnableHUD"), false);
    BatteryDashboardModel model;
    const OverlaySettings settings = model.getSettings();

    QCOMPARE(settings.isVisible, true);
    QCOMPARE(settings.isPermanent, true);
    QCOMPARE(settings.duration, 0.0f);
    QCOMPARE(settings.maxAlpha, 1.0f);
    QCOMPARE(settings.pixelWidth, 1920);
    QCOMPARE(settings.pixelHeight, 945);
    QCOMPARE(settings.scale, 3.0f);
    QCOMPARE(settings.updateIntervalMs, 20.0f);
    QVERIFY(model.getSettings() == settings);
}

QTEST_GUILESS_MAIN(TestOverlayModels)
#include "tst_overlaymodels.moc"
