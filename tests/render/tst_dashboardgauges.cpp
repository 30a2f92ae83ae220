#include "fakes/IsolatedSettings.h"
#include "fakes/MessageCatcher.h"
#include "render/PanelHarness.h"

#include <QQuickStyle>
#include <QtTest>

// The dashboard's gauges and labels as the VR side receives them: rendered
// through the texture view and read back from the texture.
class TestDashboardGauges : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void layout_data();
    void layout();
    void gaugesFillToTheirLevels_data();
    void gaugesFillToTheirLevels();

private:
    std::unique_ptr<IsolatedSettings> m_settings;
    std::unique_ptr<MessageCatcher> m_messages;
    std::unique_ptr<TextureReader> m_reader;
    std::unique_ptr<DashboardPanel> m_panel;
};

void TestDashboardGauges::initTestCase()
{
    m_settings = std::make_unique<IsolatedSettings>();
    QQuickStyle::setStyle(QStringLiteral("Material"));
    m_messages = std::make_unique<MessageCatcher>();
    m_reader = std::make_unique<TextureReader>();
    m_panel = makeDashboardPanel();
    QTRY_VERIFY(m_panel->view->renderCount() > 0);
}

void TestDashboardGauges::cleanupTestCase()
{
    m_panel.reset();
    QVERIFY2(m_messages->warnings().isEmpty(), qPrintable(m_messages->warnings().join(QLatin1Char('\n'))));
    m_messages.reset();
}

void TestDashboardGauges::layout_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRectF>("rect");

    // Scene rectangles at 1920 x 945: a title bar 191.9 high, two boxes of
    // 958 with a gap of 4, the gauges standing on one line 44.1 above the
    // label row, which ends on the divider at 66 % of the box.
    QTest::newRow("battery box") << "batteryBox" << QRectF(0, 191.86, 958, 753.14);
    QTest::newRow("settings box") << "settingsBox" << QRectF(962, 191.86, 958, 753.14);
    QTest::newRow("left gauge") << "leftGauge" << QRectF(97.72, 569.51 - 127.60, 114.96, 127.60);
    QTest::newRow("center gauge") << "centerGauge" << QRectF(356.38, 569.51 - 333.54, 245.25, 333.54);
    QTest::newRow("right gauge") << "rightGauge" << QRectF(745.33, 569.51 - 127.60, 114.96, 127.60);
    QTest::newRow("left label") << "leftLabel" << QRectF(97.72, 613.62, 114.96, 75.31);
    QTest::newRow("center label") << "centerLabel" << QRectF(356.38, 613.62, 245.25, 75.31);
    QTest::newRow("right label") << "rightLabel" << QRectF(745.33, 613.62, 114.96, 75.31);
    QTest::newRow("version") << "versionText" << QRectF(16, 905, 86, 24);
}

void TestDashboardGauges::layout()
{
    QFETCH(QString, name);
    QFETCH(QRectF, rect);

    QQuickItem *item = findItem(m_panel->root(), name);
    QVERIFY(item);
    const QRectF scene = item->mapRectToScene(QRectF(0, 0, item->width(), item->height()));
    const qreal tolerance = 0.1;
    QVERIFY2(qAbs(scene.x() - rect.x()) < tolerance && qAbs(scene.y() - rect.y()) < tolerance
            && qAbs(scene.width() - rect.width()) < tolerance && qAbs(scene.height() - rect.height()) < tolerance,
        qPrintable(QStringLiteral("%1,%2 %3x%4").arg(scene.x()).arg(scene.y()).arg(scene.width()).arg(scene.height())));
}

void TestDashboardGauges::gaugesFillToTheirLevels_data()
{
    QTest::addColumn<int>("left");
    QTest::addColumn<int>("center");
    QTest::addColumn<int>("right");

    QTest::newRow("levels before the first reading") << 3 << 74 << 6;
    QTest::newRow("empty, half, full") << 0 << 50 << 100;
    QTest::newRow("39, 60, 80: red, yellow, green") << 39 << 60 << 80;
    QTest::newRow("40, 79, 59: orange, yellow, orange") << 40 << 79 << 59;
}

void TestDashboardGauges::gaugesFillToTheirLevels()
{
    QFETCH(int, left);
    QFETCH(int, center);
    QFETCH(int, right);

    m_panel->battery->setLevels(left, center, right);
    QTRY_VERIFY(m_panel->root()->property("leftBatteryPercent").toInt() == left
        && m_panel->root()->property("midBatteryPercent").toInt() == center
        && m_panel->root()->property("rightBatteryPercent").toInt() == right);
    const QImage frame = m_panel->frame(*m_reader);
    QCOMPARE(frame.size(), QSize(1920, 945));

    const QRgb emptyGauge = qRgb(0x09, 0x40, 0x68);
    const struct
    {
        const char *gauge;
        const char *label;
        QString text;
        int level;
    } gauges[] = {
        {"leftGauge", "leftLabel", QStringLiteral("LEFT: %1%").arg(left), left},
        {"centerGauge", "centerLabel", QStringLiteral("INTERNAL: %1%").arg(center), center},
        {"rightGauge", "rightLabel", QStringLiteral("RIGHT: %1%").arg(right), right},
    };
    for (const auto &gauge : gauges) {
        QQuickItem *item = findItem(m_panel->root(), QString::fromLatin1(gauge.gauge));
        QVERIFY(item);
        const QRectF box = item->mapRectToScene(QRectF(0, 0, item->width(), item->height()));
        // The fill is the shape again, at 90 % and centred.
        const QRectF fill(
            box.x() + box.width() * 0.05, box.y() + box.height() * 0.05, box.width() * 0.9, box.height() * 0.9);
        const int column = int(fill.center().x());
        const double expected = fill.height() * gauge.level / 100.0;

        // Up the middle of the gauge: the level's colour from the bottom up to
        // the level, the empty gauge above it.
        const QRgb colour = levelColour(gauge.level);
        int filled = 0;
        for (int y = int(fill.bottom()); y >= int(fill.top()); --y) {
            if (colourDistance(frame.pixel(column, y), colour) < 30)
                ++filled;
        }
        QVERIFY2(qAbs(filled - expected) <= 2.0,
            qPrintable(QStringLiteral("%1: %2 px filled, %3 expected").arg(gauge.gauge).arg(filled).arg(expected)));
        if (gauge.level > 0)
            QVERIFY(colourDistance(frame.pixel(column, int(fill.bottom() - qMin(3.0, expected / 2))), colour) < 12);
        if (gauge.level < 90)
            QCOMPARE(frame.pixel(column, int(fill.bottom() - expected) - 4), emptyGauge);

        QQuickItem *label = findItem(m_panel->root(), QString::fromLatin1(gauge.label));
        QVERIFY(label);
        QCOMPARE(label->property("text").toString(), gauge.text);
    }
}

QTEST_MAIN(TestDashboardGauges)
#include "tst_dashboardgauges.moc"
