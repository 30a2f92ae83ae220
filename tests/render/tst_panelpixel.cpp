#include "render/PanelPixel.h"

#include <QtTest>

#include <limits>

Q_DECLARE_METATYPE(std::optional<int>)

class TestPanelPixel : public QObject
{
    Q_OBJECT

private slots:
    void pixel_data();
    void pixel();
};

void TestPanelPixel::pixel_data()
{
    QTest::addColumn<float>("coordinate");
    QTest::addColumn<std::optional<int>>("expected");

    const float inf = std::numeric_limits<float>::infinity();
    const std::optional<int> none;

    QTest::newRow("inside") << 10.7f << std::optional<int>(10);
    QTest::newRow("zero") << 0.0f << std::optional<int>(0);
    QTest::newRow("negative zero") << -0.0f << std::optional<int>(0);
    QTest::newRow("small negative toward zero") << -0.9f << std::optional<int>(0);
    QTest::newRow("negative") << -12.5f << std::optional<int>(-12);
    QTest::newRow("largest kept") << 1048575.0f << std::optional<int>(1048575);
    QTest::newRow("limit") << 1048576.0f << std::optional<int>(maxPanelCoordinate);
    QTest::newRow("beyond int") << 3e9f << std::optional<int>(maxPanelCoordinate);
    QTest::newRow("huge") << 1e30f << std::optional<int>(maxPanelCoordinate);
    QTest::newRow("largest float") << std::numeric_limits<float>::max() << std::optional<int>(maxPanelCoordinate);
    QTest::newRow("infinity") << inf << std::optional<int>(maxPanelCoordinate);
    QTest::newRow("below int") << -3e9f << std::optional<int>(-maxPanelCoordinate);
    QTest::newRow("lowest float") << std::numeric_limits<float>::lowest() << std::optional<int>(-maxPanelCoordinate);
    QTest::newRow("minus infinity") << -inf << std::optional<int>(-maxPanelCoordinate);
    QTest::newRow("quiet NaN") << std::numeric_limits<float>::quiet_NaN() << none;
    QTest::newRow("negative NaN") << -std::numeric_limits<float>::quiet_NaN() << none;
    QTest::newRow("signalling NaN") << std::numeric_limits<float>::signaling_NaN() << none;
    QTest::newRow("denormal") << std::numeric_limits<float>::denorm_min() << std::optional<int>(0);
}

void TestPanelPixel::pixel()
{
    QFETCH(float, coordinate);
    QFETCH(std::optional<int>, expected);
    QCOMPARE(panelPixel(coordinate), expected);
}

QTEST_GUILESS_MAIN(TestPanelPixel)
#include "tst_panelpixel.moc"
