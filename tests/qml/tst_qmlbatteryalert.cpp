#include "fakes/FakeBatteryModel.h"
#include "qml/QmlBatteryAlert.h"
#include "qml/QmlBatteryAlertModel.h"

#include <QElapsedTimer>
#include <QMetaMethod>
#include <QtTest>

#include <algorithm>
#include <memory>

class TestQmlBatteryAlert : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void windowModel();
    void metaObjectHoldsOneSignal();
    void lowestLevel_data();
    void lowestLevel();
    void pollEmitsEveryTwentyMilliseconds();

private:
    std::shared_ptr<FakeBatteryModel> m_battery;
    std::unique_ptr<QmlBatteryAlert> m_window;
};

void TestQmlBatteryAlert::init()
{
    m_window.reset();
    m_battery = std::make_shared<FakeBatteryModel>();
    m_window = std::make_unique<QmlBatteryAlert>(std::make_shared<QmlBatteryAlertModel>(), m_battery);
}

void TestQmlBatteryAlert::windowModel()
{
    const QmlWindowSettings settings = QmlBatteryAlertModel().windowSettings();
    QCOMPARE(settings.width, 1043);
    QCOMPARE(settings.height, 537);
    QCOMPARE(settings.url, std::string("qrc:///oxa/Resources/main/AlertOverlay.qml"));
    QCOMPARE(settings.contextName, std::string("batteryAlertWindow"));
}

void TestQmlBatteryAlert::metaObjectHoldsOneSignal()
{
    const QMetaObject &meta = QmlBatteryAlert::staticMetaObject;
    QCOMPARE(meta.superClass(), &QQuickWindow::staticMetaObject);
    QCOMPARE(meta.methodCount() - meta.methodOffset(), 1);
    QCOMPARE(meta.propertyCount() - meta.propertyOffset(), 0);
    const QMetaMethod signal = meta.method(meta.methodOffset());
    QCOMPARE(signal.methodType(), QMetaMethod::Signal);
    QCOMPARE(signal.access(), QMetaMethod::Public);
    QCOMPARE(signal.methodSignature(), QByteArray("newBatteryLevel(int)"));
    QCOMPARE(signal.parameterNames(), QList<QByteArray>({"lowestLevel"}));
}

void TestQmlBatteryAlert::lowestLevel_data()
{
    QTest::addColumn<int>("left");
    QTest::addColumn<int>("center");
    QTest::addColumn<int>("right");
    QTest::addColumn<int>("lowest");

    QTest::newRow("left lowest") << 55 << 90 << 80 << 55;
    QTest::newRow("right lowest") << 70 << 90 << 12 << 12;
    QTest::newRow("center lowest") << 70 << 41 << 80 << 41;
    QTest::newRow("all above 100 are capped") << 120 << 150 << 130 << 100;
    QTest::newRow("left empty") << 0 << 90 << 80 << 0;
    QTest::newRow("center empty") << 55 << 0 << 80 << 0;
    QTest::newRow("right empty") << 55 << 90 << 0 << 0;
}

void TestQmlBatteryAlert::lowestLevel()
{
    QFETCH(int, left);
    QFETCH(int, center);
    QFETCH(int, right);
    QFETCH(int, lowest);

    m_battery->setLevels(left, center, right);
    QSignalSpy spy(m_window.get(), &QmlBatteryAlert::newBatteryLevel);
    QVERIFY(spy.wait(1000));
    QCOMPARE(spy.first().first().toInt(), lowest);
}

void TestQmlBatteryAlert::pollEmitsEveryTwentyMilliseconds()
{
    m_battery->setLevels(30, 30, 30);
    QElapsedTimer clock;
    QVector<qint64> stamps;
    connect(m_window.get(), &QmlBatteryAlert::newBatteryLevel, this, [&] { stamps << clock.elapsed(); });
    clock.start();

    // Unchanged levels are sent on every tick as well.
    QTRY_VERIFY_WITH_TIMEOUT(stamps.size() >= 11, 5000);
    QVector<qint64> gaps;
    for (int i = 1; i < stamps.size(); ++i)
        gaps << stamps[i] - stamps[i - 1];
    std::sort(gaps.begin(), gaps.end());
    const qint64 median = gaps[gaps.size() / 2];
    qInfo("median gap %lld ms", median);
    // A timer never fires much before its time, but a busy machine can hold it back a good
    // while: the upper bound only tells a 20 ms poll from a much slower one.
    QVERIFY2(median >= 18 && median < 100, qPrintable(QStringLiteral("median gap %1 ms").arg(median)));
}

QTEST_MAIN(TestQmlBatteryAlert)
#include "tst_qmlbatteryalert.moc"
