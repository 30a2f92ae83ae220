#include "PolledWindowFixture.h"
#include "qml/QmlBatteryAlert.h"
#include "qml/QmlBatteryAlertModel.h"

#include <QMetaMethod>
#include <QtTest>

class TestQmlBatteryAlert
    : public QObject
    , PolledWindowFixture<QmlBatteryAlert, QmlBatteryAlertModel>
{
    Q_OBJECT

private slots:
    void init();
    void windowModel();
    void metaObjectHoldsOneSignal();
    void lowestLevel_data();
    void lowestLevel();
    void pollReadsEveryTwentyMilliseconds();
    void pollSendsOnlyChangedLevels();
};

void TestQmlBatteryAlert::init()
{
    closeWindow();
    openWindow();
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

void TestQmlBatteryAlert::pollReadsEveryTwentyMilliseconds()
{
    verifyReadsEveryTwentyMilliseconds();
}

void TestQmlBatteryAlert::pollSendsOnlyChangedLevels()
{
    m_battery->setLevels(30, 30, 30);
    QSignalSpy spy(m_window.get(), &QmlBatteryAlert::newBatteryLevel);
    QVERIFY(spy.wait(1000));
    QCOMPARE(spy.takeFirst().first().toInt(), 30);

    // Read on every tick, sent only when the lowest level moved: another
    // battery changing above it is no change for this document.
    m_battery->setLevels(30, 50, 45);
    int reads = m_battery->readCount();
    QTRY_VERIFY(m_battery->readCount() >= reads + 5);
    QCOMPARE(spy.count(), 0);

    m_battery->setLevels(29, 50, 45);
    QVERIFY(spy.wait(1000));
    QCOMPARE(spy.takeFirst().first().toInt(), 29);

    // A document loaded anew knows nothing yet: it gets the level, changed or
    // not, before its first picture is rendered.
    m_window->load();
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.takeFirst().first().toInt(), 29);
    reads = m_battery->readCount();
    QTRY_VERIFY(m_battery->readCount() >= reads + 5);
    QCOMPARE(spy.count(), 0);
}

QTEST_MAIN(TestQmlBatteryAlert)
#include "tst_qmlbatteryalert.moc"
