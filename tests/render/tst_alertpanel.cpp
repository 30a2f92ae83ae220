#include "fakes/IsolatedSettings.h"
#include "fakes/MessageCatcher.h"
#include "render/PanelHarness.h"

#include <QQuickStyle>
#include <QtTest>

// The alert panel as the VR side receives it: rendered through the texture
// view and read back from the texture.
class TestAlertPanel : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void barFollowsLowestLevel_data();
    void barFollowsLowestLevel();

private:
    std::unique_ptr<IsolatedSettings> m_settings;
    std::unique_ptr<TextureReader> m_reader;
    std::unique_ptr<AlertPanel> m_panel;
    std::unique_ptr<MessageCatcher> m_messages;
    QImage m_picture;
};

namespace {
// The bar's area inside the picture's window.
const QRect fillArea(150, 150, 643, 237);
const int barRow = 268;
} // namespace

void TestAlertPanel::initTestCase()
{
    m_settings = std::make_unique<IsolatedSettings>();
    QQuickStyle::setStyle(QStringLiteral("Material"));
    m_messages = std::make_unique<MessageCatcher>();
    m_reader = std::make_unique<TextureReader>();
    m_panel = makeAlertPanel();
    m_picture = QImage(QStringLiteral(":/oxa/Resources/AlertBattery.png")).convertToFormat(QImage::Format_ARGB32);
    QVERIFY(!m_picture.isNull());
}

void TestAlertPanel::cleanupTestCase()
{
    m_panel.reset();
    QVERIFY2(m_messages->warnings().isEmpty(), qPrintable(m_messages->warnings().join(QLatin1Char('\n'))));
    m_messages.reset();
}

void TestAlertPanel::barFollowsLowestLevel_data()
{
    QTest::addColumn<int>("level");
    QTest::addColumn<double>("barLength");

    QTest::newRow("0: no bar") << 0 << 0.0;
    QTest::newRow("39: red") << 39 << 643 * 0.39;
    QTest::newRow("40: orange") << 40 << 643 * 0.40;
    QTest::newRow("50: half, orange") << 50 << 321.5;
    QTest::newRow("59: orange") << 59 << 643 * 0.59;
    QTest::newRow("60: yellow") << 60 << 643 * 0.60;
    QTest::newRow("79: yellow") << 79 << 643 * 0.79;
    QTest::newRow("80: green") << 80 << 643 * 0.80;
    QTest::newRow("100: whole area, green") << 100 << 643.0;
}

void TestAlertPanel::barFollowsLowestLevel()
{
    QFETCH(int, level);
    QFETCH(double, barLength);

    // One battery at the level, the others fuller: the bar shows the lowest.
    m_panel->battery->setLevels(qMin(level + 20, 100), level, 100);
    QTRY_COMPARE(m_panel->root()->property("lowestBatteryPercent").toInt(), level);
    const QImage frame = m_panel->frame(*m_reader);
    QCOMPARE(frame.size(), QSize(1043, 537));

    // Along the middle row: the bar's colour from the area's left edge to its
    // length, then nothing but the see-through window.
    const QRgb colour = levelColour(level);
    int coloured = 0;
    for (int x = fillArea.left(); x <= fillArea.right(); ++x) {
        const QRgb pixel = frame.pixel(x, barRow);
        if (qAlpha(pixel) == 255 && colourDistance(pixel, colour) < 12)
            ++coloured;
        else if (x < fillArea.left() + barLength - 1)
            QFAIL(qPrintable(QStringLiteral("gap in the bar at x %1: %2").arg(x).arg(pixel, 8, 16)));
    }
    QVERIFY2(qAbs(coloured - barLength) <= 1.0, qPrintable(QStringLiteral("bar %1 px long").arg(coloured)));

    // The bar keeps the area's rounded corners: its first column is cut at the top.
    if (level > 0)
        QVERIFY(qAlpha(frame.pixel(fillArea.left(), fillArea.top())) < 128);

    // Everywhere else the picture is drawn one to one, and what it leaves
    // see-through stays see-through: nothing else may cover the wearer's view.
    const int barEnd = fillArea.left() + int(std::ceil(barLength));
    for (int y = 0; y < frame.height(); ++y) {
        for (int x = 0; x < frame.width(); ++x) {
            if (fillArea.contains(x, y) && x < barEnd)
                continue;
            const QRgb expected = m_picture.pixel(x, y);
            const QRgb pixel = frame.pixel(x, y);
            if (qAlpha(expected) == 0) {
                if (qAlpha(pixel) != 0)
                    QFAIL(qPrintable(QStringLiteral("%1,%2 should be clear: %3").arg(x).arg(y).arg(pixel, 8, 16)));
            } else if (qAlpha(expected) == 255 && (qAlpha(pixel) != 255 || colourDistance(pixel, expected) > 6)) {
                QFAIL(qPrintable(QStringLiteral("%1,%2 is %3, the picture has %4")
                                     .arg(x)
                                     .arg(y)
                                     .arg(pixel, 8, 16)
                                     .arg(expected, 8, 16)));
            }
        }
    }
}

QTEST_MAIN(TestAlertPanel)
#include "tst_alertpanel.moc"
