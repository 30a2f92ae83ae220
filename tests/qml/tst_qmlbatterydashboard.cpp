#include "PolledWindowFixture.h"
#include "fakes/IsolatedSettings.h"
#include "feature/BatteryOverlayModel.h"
#include "qml/QmlBatteryDashboard.h"
#include "qml/QmlBatteryDashboardModel.h"

#include <QMetaMethod>
#include <QtTest>

#include <memory>

Q_DECLARE_METATYPE(BatteryLevels)

class TestQmlBatteryDashboard
    : public QObject
    , PolledWindowFixture<QmlBatteryDashboard, QmlBatteryDashboardModel>
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void windowModel();
    void metaObjectOrder_data();
    void metaObjectOrder();
    void metaObjectHasNothingElse();

    void pollReadsEveryTwentyMilliseconds();
    void pollSendsOnlyChangedLevels_data();
    void pollSendsOnlyChangedLevels();
    void loadSendsLevelsAgain();
    void newBatteryLevelsPutsCenterBeforeRight_data();
    void newBatteryLevelsPutsCenterBeforeRight();

    void currentValuesReadTheSettings();
    void slotsWriteTheirKeys_data();
    void slotsWriteTheirKeys();
    void resetRestoresStoredDefaults_data();
    void resetRestoresStoredDefaults();
    void sliderReachesTheAlertOnItsNextTick_data();
    void sliderReachesTheAlertOnItsNextTick();

private:
    std::unique_ptr<IsolatedSettings> m_settings;
};

void TestQmlBatteryDashboard::initTestCase()
{
    m_settings = std::make_unique<IsolatedSettings>();
    QVERIFY(m_settings->isValid());
}

void TestQmlBatteryDashboard::init()
{
    closeWindow();
    IsolatedSettings::restoreDefaults();
    openWindow();
}

void TestQmlBatteryDashboard::windowModel()
{
    const QmlWindowSettings settings = QmlBatteryDashboardModel().windowSettings();
    QCOMPARE(settings.width, 1920);
    QCOMPARE(settings.height, 945);
    QCOMPARE(settings.url, std::string("qrc:///oxa/Resources/main/DashboardOverlay.qml"));
    QCOMPARE(settings.contextName, std::string("batteryDashboardWindow"));
}

void TestQmlBatteryDashboard::metaObjectOrder_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QByteArray>("signature");
    QTest::addColumn<QByteArray>("parameterNames");
    QTest::addColumn<QByteArray>("returnType");

    const int signal = QMetaMethod::Signal;
    const int slot = QMetaMethod::Slot;
    QTest::newRow("0") << 0 << signal << QByteArray("newBatteryLevels(int,int,int,int)")
                       << QByteArray("left,center,right,remainingTimeSeconds") << QByteArray("void");
    QTest::newRow("1") << 1 << signal << QByteArray("updateSettings(double,double,bool)")
                       << QByteArray("warning,critical,hud") << QByteArray("void");
    QTest::newRow("2") << 2 << slot << QByteArray("resetButtonPressed()") << QByteArray() << QByteArray("void");
    QTest::newRow("3") << 3 << slot << QByteArray("enableHUDPressed(bool)") << QByteArray("value")
                       << QByteArray("void");
    QTest::newRow("4") << 4 << slot << QByteArray("warningSliderMoved(double)") << QByteArray("value")
                       << QByteArray("void");
    QTest::newRow("5") << 5 << slot << QByteArray("criticalSliderMoved(double)") << QByteArray("value")
                       << QByteArray("void");
    QTest::newRow("6") << 6 << slot << QByteArray("currentWarningThreshold()") << QByteArray() << QByteArray("float");
    QTest::newRow("7") << 7 << slot << QByteArray("currentCriticalThreshold()") << QByteArray() << QByteArray("float");
    QTest::newRow("8") << 8 << slot << QByteArray("currentEnableHUD()") << QByteArray() << QByteArray("bool");
    QTest::newRow("9") << 9 << slot << QByteArray("currentSlidersMin()") << QByteArray() << QByteArray("int");
    QTest::newRow("10") << 10 << slot << QByteArray("currentSlidersMax()") << QByteArray() << QByteArray("int");
    QTest::newRow("11") << 11 << slot << QByteArray("currentSlidersStep()") << QByteArray() << QByteArray("int");
    QTest::newRow("12") << 12 << slot << QByteArray("currentVersion()") << QByteArray() << QByteArray("QString");
}

void TestQmlBatteryDashboard::metaObjectOrder()
{
    QFETCH(int, index);
    QFETCH(int, kind);
    QFETCH(QByteArray, signature);
    QFETCH(QByteArray, parameterNames);
    QFETCH(QByteArray, returnType);

    const QMetaObject &meta = QmlBatteryDashboard::staticMetaObject;
    const QMetaMethod method = meta.method(meta.methodOffset() + index);
    QCOMPARE(method.methodSignature(), signature);
    QCOMPARE(int(method.methodType()), kind);
    QCOMPARE(method.access(), QMetaMethod::Public);
    QCOMPARE(method.parameterNames().join(','), parameterNames);
    QCOMPARE(QByteArray(method.typeName()), returnType);
}

void TestQmlBatteryDashboard::metaObjectHasNothingElse()
{
    const QMetaObject &meta = QmlBatteryDashboard::staticMetaObject;
    QCOMPARE(meta.superClass(), &QQuickWindow::staticMetaObject);
    QCOMPARE(meta.methodCount() - meta.methodOffset(), 13);
    QCOMPARE(meta.propertyCount() - meta.propertyOffset(), 0);
}

void TestQmlBatteryDashboard::pollReadsEveryTwentyMilliseconds()
{
    verifyReadsEveryTwentyMilliseconds();
}

void TestQmlBatteryDashboard::pollSendsOnlyChangedLevels_data()
{
    QTest::addColumn<BatteryLevels>("next");
    QTest::addColumn<bool>("sent");

    const BatteryLevels start = FakeBatteryModel::levels(50, 70, 60, 55);
    BatteryLevels next = start;
    QTest::newRow("nothing changed") << next << false;
    next.aggregate = 10;
    QTest::newRow("only the aggregate, which the document does not show") << next << false;
    next = start;
    next.left = 49;
    QTest::newRow("left") << next << true;
    next = start;
    next.center = 71;
    QTest::newRow("center") << next << true;
    next = start;
    next.right = 0;
    QTest::newRow("right") << next << true;
    next = start;
    next.remainingTimeSeconds = 3600;
    QTest::newRow("remaining time") << next << true;
}

void TestQmlBatteryDashboard::pollSendsOnlyChangedLevels()
{
    QFETCH(BatteryLevels, next);
    QFETCH(bool, sent);

    m_battery->setLevels(FakeBatteryModel::levels(50, 70, 60, 55));
    QSignalSpy spy(m_window.get(), &QmlBatteryDashboard::newBatteryLevels);
    QVERIFY(spy.wait(1000));
    spy.clear();

    m_battery->setLevels(next);
    const int reads = m_battery->readCount();
    QTRY_VERIFY(m_battery->readCount() >= reads + 5);
    QCOMPARE(spy.count(), sent ? 1 : 0);
    if (sent) {
        QCOMPARE(spy.first(), QVariantList({next.left, next.center, next.right, next.remainingTimeSeconds}));
    }
}

void TestQmlBatteryDashboard::loadSendsLevelsAgain()
{
    m_battery->setLevels(50, 60, 70);
    QSignalSpy spy(m_window.get(), &QmlBatteryDashboard::newBatteryLevels);
    QVERIFY(spy.wait(1000));
    spy.clear();

    // A document loaded anew knows nothing yet: it gets the levels, changed or
    // not, before its first picture is rendered.
    m_window->load();
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.first(), QVariantList({50, 60, 70, -1}));
    const int reads = m_battery->readCount();
    QTRY_VERIFY(m_battery->readCount() >= reads + 5);
    QCOMPARE(spy.count(), 1);
}

void TestQmlBatteryDashboard::newBatteryLevelsPutsCenterBeforeRight_data()
{
    QTest::addColumn<BatteryLevels>("levels");
    QTest::addColumn<QVariantList>("arguments");

    BatteryLevels levels;
    levels.left = 12;
    levels.right = 80;
    levels.center = 95;
    levels.aggregate = 33;
    levels.remainingTimeSeconds = -1;
    QTest::newRow("left 12, right 80, center 95") << levels << QVariantList({12, 95, 80, -1});
    levels = BatteryLevels();
    levels.left = 0;
    levels.right = 1;
    levels.center = 100;
    levels.aggregate = 50;
    levels.remainingTimeSeconds = 9240;
    QTest::newRow("remaining time passed on") << levels << QVariantList({0, 100, 1, 9240});
}

void TestQmlBatteryDashboard::newBatteryLevelsPutsCenterBeforeRight()
{
    QFETCH(BatteryLevels, levels);
    QFETCH(QVariantList, arguments);

    m_battery->setLevels(levels.left, levels.center, levels.right, levels.remainingTimeSeconds);
    QSignalSpy spy(m_window.get(), &QmlBatteryDashboard::newBatteryLevels);
    QVERIFY(spy.wait(1000));
    QCOMPARE(spy.first(), arguments);
}

void TestQmlBatteryDashboard::currentValuesReadTheSettings()
{
    QCOMPARE(m_window->currentWarningThreshold(), 40.0f);
    QCOMPARE(m_window->currentCriticalThreshold(), 20.0f);
    QCOMPARE(m_window->currentEnableHUD(), true);
    QCOMPARE(m_window->currentSlidersMin(), 10);
    QCOMPARE(m_window->currentSlidersMax(), 60);
    QCOMPARE(m_window->currentSlidersStep(), 5);
    QCOMPARE(m_window->currentVersion(), QStringLiteral("1.0.0.4"));

    // A key that is missing from an existing file reads as nothing, not as its default.
    openSettings()->remove(QStringLiteral("Alerts/Battery/CriticalThreshold"));
    QCOMPARE(m_window->currentCriticalThreshold(), 0.0f);
}

void TestQmlBatteryDashboard::slotsWriteTheirKeys_data()
{
    QTest::addColumn<QString>("slot");
    QTest::addColumn<QVariant>("argument");
    QTest::addColumn<QString>("key");

    QTest::newRow("warning 35") << "warningSliderMoved" << QVariant(35.0) << "Alerts/Battery/WarningThreshold";
    QTest::newRow("warning with a fraction")
        << "warningSliderMoved" << QVariant(37.5) << "Alerts/Battery/WarningThreshold";
    // The order of the thresholds is the document's business, not the window's.
    QTest::newRow("critical 45 above warning 40")
        << "criticalSliderMoved" << QVariant(45.0) << "Alerts/Battery/CriticalThreshold";
    // Nor is the slider range.
    QTest::newRow("critical 3, off the slider")
        << "criticalSliderMoved" << QVariant(3.0) << "Alerts/Battery/CriticalThreshold";
    QTest::newRow("HUD off") << "enableHUDPressed" << QVariant(false) << "Alerts/Battery/EnableHUD";
}

void TestQmlBatteryDashboard::slotsWriteTheirKeys()
{
    QFETCH(QString, slot);
    QFETCH(QVariant, argument);
    QFETCH(QString, key);

    QSignalSpy updates(m_window.get(), &QmlBatteryDashboard::updateSettings);
    QVariant readBack;
    if (slot == QLatin1String("warningSliderMoved")) {
        m_window->warningSliderMoved(argument.toDouble());
        readBack = double(m_window->currentWarningThreshold());
    } else if (slot == QLatin1String("criticalSliderMoved")) {
        m_window->criticalSliderMoved(argument.toDouble());
        readBack = double(m_window->currentCriticalThreshold());
    } else {
        m_window->enableHUDPressed(argument.toBool());
        readBack = m_window->currentEnableHUD();
    }
    QCOMPARE(readBack, argument);

    // What the alert side will read: the file itself.
    const QVariant onDisk = IsolatedSettings::valueOnDisk(key);
    if (argument.type() == QVariant::Bool)
        QCOMPARE(onDisk.toBool(), argument.toBool());
    else
        QCOMPARE(onDisk.toDouble(), argument.toDouble());
    QCOMPARE(updates.count(), 0);
}

void TestQmlBatteryDashboard::resetRestoresStoredDefaults_data()
{
    QTest::addColumn<QString>("warningDefault");
    QTest::addColumn<QString>("criticalDefault");
    QTest::addColumn<double>("warning");
    QTest::addColumn<double>("critical");

    QTest::newRow("shipped defaults") << QString() << QString() << 40.0 << 20.0;
    QTest::newRow("changed defaults 50 and 15") << "50"
                                                << "15" << 50.0 << 15.0;
}

void TestQmlBatteryDashboard::resetRestoresStoredDefaults()
{
    QFETCH(QString, warningDefault);
    QFETCH(QString, criticalDefault);
    QFETCH(double, warning);
    QFETCH(double, critical);

    if (!warningDefault.isEmpty()) {
        std::shared_ptr<IOxaSettings> settings = openSettings();
        settings->setValue(QStringLiteral("Alerts/Battery/WarningThresholdDefault"), warningDefault);
        settings->setValue(QStringLiteral("Alerts/Battery/CriticalThresholdDefault"), criticalDefault);
    }
    m_window->warningSliderMoved(55.0);
    m_window->criticalSliderMoved(30.0);
    m_window->enableHUDPressed(false);

    QSignalSpy updates(m_window.get(), &QmlBatteryDashboard::updateSettings);
    m_window->resetButtonPressed();

    QCOMPARE(updates.count(), 1);
    QCOMPARE(updates.first(), QVariantList({warning, critical, true}));
    QCOMPARE(m_window->currentWarningThreshold(), float(warning));
    QCOMPARE(m_window->currentCriticalThreshold(), float(critical));
    QCOMPARE(m_window->currentEnableHUD(), true);
    QCOMPARE(IsolatedSettings::valueOnDisk(QStringLiteral("Alerts/Battery/WarningThreshold")).toDouble(), warning);
    QCOMPARE(IsolatedSettings::valueOnDisk(QStringLiteral("Alerts/Battery/CriticalThreshold")).toDouble(), critical);
    QCOMPARE(IsolatedSettings::valueOnDisk(QStringLiteral("Alerts/Battery/EnableHUD")).toBool(), true);
}

void TestQmlBatteryDashboard::sliderReachesTheAlertOnItsNextTick_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<bool>("visible");
    QTest::addColumn<bool>("permanent");

    // The alert's battery is at 35: below the default warning of 40, above the critical 20.
    QTest::newRow("warning slider down to 30") << "warning" << false << false;
    QTest::newRow("critical slider up to 35") << "critical" << true << true;
    QTest::newRow("HUD switched off") << "hud" << false << false;
    QTest::newRow("reset after the switch") << "reset" << true << false;
}

void TestQmlBatteryDashboard::sliderReachesTheAlertOnItsNextTick()
{
    QFETCH(QString, control);
    QFETCH(bool, visible);
    QFETCH(bool, permanent);

    // The two live in one process; the alert keeps what it read.
    BatteryOverlayModel alert(std::make_shared<FakeBatteryModel>(FakeBatteryModel::levels(35, 90, 90, 90)));
    QVERIFY(alert.getSettings().isVisible);
    QVERIFY(!alert.getSettings().isPermanent);

    if (control == QLatin1String("warning")) {
        m_window->warningSliderMoved(30.0);
    } else if (control == QLatin1String("critical")) {
        m_window->criticalSliderMoved(35.0);
    } else if (control == QLatin1String("hud")) {
        m_window->enableHUDPressed(false);
    } else {
        m_window->enableHUDPressed(false);
        QVERIFY(!alert.getSettings().isVisible);
        m_window->resetButtonPressed();
    }

    // No event loop turn in between: the very next call answers with it.
    const OverlaySettings next = alert.getSettings();
    QCOMPARE(next.isVisible, visible);
    QCOMPARE(next.isPermanent, permanent);
}

QTEST_MAIN(TestQmlBatteryDashboard)
#include "tst_qmlbatterydashboard.moc"
