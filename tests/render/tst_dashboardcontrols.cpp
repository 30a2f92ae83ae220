#include "fakes/IsolatedSettings.h"
#include "fakes/MessageCatcher.h"
#include "render/PanelHarness.h"

#include <QQuickStyle>
#include <QtTest>

#include <cmath>

// The dashboard's controls, worked the way the VR side works them: mouse
// events injected into the texture view. What the window hears is read from
// its call log, what it keeps from the settings file on disk.
class TestDashboardControls : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void draggingASlider_data();
    void draggingASlider();
    void stepButtonsAtTheEnds_data();
    void stepButtonsAtTheEnds();
    void thresholdsStayOnTheGrid();
    void resetRestoresDefaultsAndReportsThem();
    void switchReportsItsNewState();

private:
    void openPanel(const QString &warning = QStringLiteral("40"), const QString &critical = QStringLiteral("20"),
        const QString &hud = QStringLiteral("true"));
    QQuickItem *item(const char *name) const;
    double sliderValue(const char *name) const;
    QString labelText(const char *name) const;
    QPointF sliderPoint(const char *name, double value) const;
    QPointF centreOf(const char *name) const;
    void inject(uint32_t kind, const QPointF &at);
    void click(const char *name);
    void drag(const char *slider, double toValue);

    std::unique_ptr<IsolatedSettings> m_settings;
    std::unique_ptr<MessageCatcher> m_messages;
    std::unique_ptr<DashboardPanel> m_panel;
};

void TestDashboardControls::initTestCase()
{
    m_settings = std::make_unique<IsolatedSettings>();
    QQuickStyle::setStyle(QStringLiteral("Material"));
    m_messages = std::make_unique<MessageCatcher>();
}

void TestDashboardControls::cleanupTestCase()
{
    QVERIFY2(m_messages->warnings().isEmpty(), qPrintable(m_messages->warnings().join(QLatin1Char('\n'))));
    m_messages.reset();
}

void TestDashboardControls::init()
{
    IsolatedSettings::restoreDefaults();
}

void TestDashboardControls::cleanup()
{
    m_panel.reset();
}

void TestDashboardControls::openPanel(const QString &warning, const QString &critical, const QString &hud)
{
    {
        std::shared_ptr<IOxaSettings> settings = openSettings();
        settings->setValue(QStringLiteral("Alerts/Battery/WarningThreshold"), warning);
        settings->setValue(QStringLiteral("Alerts/Battery/CriticalThreshold"), critical);
        settings->setValue(QStringLiteral("Alerts/Battery/EnableHUD"), hud);
    }
    m_panel = makeDashboardPanel();
    // The VR side only points at a panel it has shown.
    QTRY_VERIFY(m_panel->view->renderCount() > 0);
}

QQuickItem *TestDashboardControls::item(const char *name) const
{
    return findItem(m_panel->root(), QString::fromLatin1(name));
}

double TestDashboardControls::sliderValue(const char *name) const
{
    return item(name)->property("value").toDouble();
}

QString TestDashboardControls::labelText(const char *name) const
{
    return item(name)->property("text").toString();
}

// Where a slider's handle sits for a value, in the panel's pixels.
QPointF TestDashboardControls::sliderPoint(const char *name, double value) const
{
    QQuickItem *slider = item(name);
    const auto *handle = slider->property("handle").value<QQuickItem *>();
    const double from = slider->property("from").toDouble();
    const double to = slider->property("to").toDouble();
    const double position = (value - from) / (to - from);
    const double x = slider->property("leftPadding").toDouble() + handle->width() / 2
        + position * (slider->property("availableWidth").toDouble() - handle->width());
    const double y = slider->property("topPadding").toDouble() + slider->property("availableHeight").toDouble() / 2;
    return slider->mapToScene(QPointF(x, y));
}

QPointF TestDashboardControls::centreOf(const char *name) const
{
    QQuickItem *target = item(name);
    return target->mapToScene(QPointF(target->width() / 2, target->height() / 2));
}

void TestDashboardControls::inject(uint32_t kind, const QPointF &at)
{
    OverlayMouseEvent event;
    event.kind = kind;
    event.x = float(at.x());
    event.y = float(at.y());
    event.button = 0;
    m_panel->view->injectMouseEvent(event);
}

void TestDashboardControls::click(const char *name)
{
    const QPointF at = centreOf(name);
    inject(0, at);
    inject(2, at);
    inject(1, at);
}

void TestDashboardControls::drag(const char *slider, double toValue)
{
    const QPointF from = sliderPoint(slider, sliderValue(slider));
    const QPointF to = sliderPoint(slider, toValue);
    inject(0, from);
    inject(2, from);
    inject(0, to);
    inject(1, to);
}

void TestDashboardControls::draggingASlider_data()
{
    QTest::addColumn<QString>("slider");
    QTest::addColumn<double>("target");
    QTest::addColumn<QStringList>("calls");
    QTest::addColumn<double>("warning");
    QTest::addColumn<double>("critical");

    // Starting from the defaults, warning 40 and critical 20.
    QTest::newRow("critical above warning pulls warning up")
        << "criticalSlider" << 50.0 << QStringList {"warningSliderMoved(50)", "criticalSliderMoved(50)"} << 50.0
        << 50.0;
    QTest::newRow("warning below critical pulls critical down")
        << "warningSlider" << 15.0 << QStringList {"criticalSliderMoved(15)", "warningSliderMoved(15)"} << 15.0 << 15.0;
    QTest::newRow("critical up to warning leaves warning alone")
        << "criticalSlider" << 40.0 << QStringList {"criticalSliderMoved(40)"} << 40.0 << 40.0;
    QTest::newRow("warning down to critical leaves critical alone")
        << "warningSlider" << 20.0 << QStringList {"warningSliderMoved(20)"} << 20.0 << 20.0;
    QTest::newRow("critical within its room")
        << "criticalSlider" << 30.0 << QStringList {"criticalSliderMoved(30)"} << 40.0 << 30.0;
}

void TestDashboardControls::draggingASlider()
{
    QFETCH(QString, slider);
    QFETCH(double, target);
    QFETCH(QStringList, calls);
    QFETCH(double, warning);
    QFETCH(double, critical);

    openPanel();
    drag(qPrintable(slider), target);

    QCOMPARE(m_panel->window->calls, calls);
    QCOMPARE(sliderValue("warningSlider"), warning);
    QCOMPARE(sliderValue("criticalSlider"), critical);
    QCOMPARE(labelText("warningValueLabel"), QStringLiteral("%1%").arg(warning));
    QCOMPARE(labelText("criticalValueLabel"), QStringLiteral("%1%").arg(critical));
    QCOMPARE(IsolatedSettings::valueOnDisk(QStringLiteral("Alerts/Battery/WarningThreshold")).toDouble(), warning);
    QCOMPARE(IsolatedSettings::valueOnDisk(QStringLiteral("Alerts/Battery/CriticalThreshold")).toDouble(), critical);
}

void TestDashboardControls::stepButtonsAtTheEnds_data()
{
    QTest::addColumn<QString>("warning");
    QTest::addColumn<QString>("critical");
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("slider");
    QTest::addColumn<QStringList>("calls");
    QTest::addColumn<double>("value");

    // At the end of the range the value stays, but the window still hears it.
    QTest::newRow("critical - at the minimum") << "40"
                                               << "10"
                                               << "criticalDown"
                                               << "criticalSlider" << QStringList {"criticalSliderMoved(10)"} << 10.0;
    QTest::newRow("warning + at the maximum") << "60"
                                              << "20"
                                              << "warningUp"
                                              << "warningSlider" << QStringList {"warningSliderMoved(60)"} << 60.0;
    QTest::newRow("critical + one step") << "40"
                                         << "20"
                                         << "criticalUp"
                                         << "criticalSlider" << QStringList {"criticalSliderMoved(25)"} << 25.0;
    QTest::newRow("warning - one step onto critical")
        << "25"
        << "20"
        << "warningDown"
        << "warningSlider" << QStringList {"warningSliderMoved(20)"} << 20.0;
    QTest::newRow("warning - one step below critical")
        << "20"
        << "20"
        << "warningDown"
        << "warningSlider" << QStringList {"criticalSliderMoved(15)", "warningSliderMoved(15)"} << 15.0;
}

void TestDashboardControls::stepButtonsAtTheEnds()
{
    QFETCH(QString, warning);
    QFETCH(QString, critical);
    QFETCH(QString, button);
    QFETCH(QString, slider);
    QFETCH(QStringList, calls);
    QFETCH(double, value);

    openPanel(warning, critical);
    click(qPrintable(button));

    QCOMPARE(m_panel->window->calls, calls);
    QCOMPARE(sliderValue(qPrintable(slider)), value);
    QCOMPARE(labelText(slider == QLatin1String("warningSlider") ? "warningValueLabel" : "criticalValueLabel"),
        QStringLiteral("%1%").arg(value));
}

void TestDashboardControls::thresholdsStayOnTheGrid()
{
    openPanel();
    const auto onGrid = [](double value) { return value >= 10 && value <= 60 && std::fmod(value - 10, 5) == 0; };

    // Drags that end between the steps and beyond both ends, and step
    // buttons pressed past the ends.
    const struct
    {
        const char *target;
        double value;
    } drags[] = {
        {"criticalSlider", 23.7},
        {"warningSlider", 47.6},
        {"criticalSlider", 58.1},
        {"warningSlider", 12.4},
        {"criticalSlider", -5.0},
        {"warningSlider", 75.0},
        {"criticalSlider", 33.3},
        {"warningSlider", 31.9},
    };
    for (const auto &action : drags) {
        drag(action.target, action.value);
        const double warning = sliderValue("warningSlider");
        const double critical = sliderValue("criticalSlider");
        QVERIFY2(onGrid(warning) && onGrid(critical) && critical <= warning,
            qPrintable(QStringLiteral("after dragging %1 to %2: warning %3, critical %4")
                           .arg(QLatin1String(action.target))
                           .arg(action.value)
                           .arg(warning)
                           .arg(critical)));
    }
    for (const char *button : {"criticalUp", "warningUp", "criticalDown", "warningDown"}) {
        for (int press = 0; press < 12; ++press) {
            click(button);
            QVERIFY(onGrid(sliderValue("warningSlider")));
            QVERIFY(onGrid(sliderValue("criticalSlider")));
            QVERIFY(sliderValue("criticalSlider") <= sliderValue("warningSlider"));
        }
    }
    QCOMPARE(sliderValue("warningSlider"), 10.0);
    QCOMPARE(sliderValue("criticalSlider"), 10.0);

    // Every value the window heard was on the grid as well.
    QVERIFY(!m_panel->window->calls.isEmpty());
    for (const QString &call : qAsConst(m_panel->window->calls)) {
        const double value = call.section(QLatin1Char('('), 1).chopped(1).toDouble();
        QVERIFY2(onGrid(value), qPrintable(call));
    }
}

void TestDashboardControls::resetRestoresDefaultsAndReportsThem()
{
    openPanel(QStringLiteral("55"), QStringLiteral("30"), QStringLiteral("false"));
    QCOMPARE(item("hudSwitch")->property("checked").toBool(), false);

    click("resetButton");

    QCOMPARE(m_panel->window->calls,
        QStringList({"resetButtonPressed", "criticalSliderMoved(20)", "warningSliderMoved(40)"}));
    QCOMPARE(sliderValue("criticalSlider"), 20.0);
    QCOMPARE(sliderValue("warningSlider"), 40.0);
    QCOMPARE(labelText("criticalValueLabel"), QStringLiteral("20%"));
    QCOMPARE(labelText("warningValueLabel"), QStringLiteral("40%"));
    QCOMPARE(item("hudSwitch")->property("checked").toBool(), true);
    QCOMPARE(IsolatedSettings::valueOnDisk(QStringLiteral("Alerts/Battery/WarningThreshold")).toDouble(), 40.0);
    QCOMPARE(IsolatedSettings::valueOnDisk(QStringLiteral("Alerts/Battery/CriticalThreshold")).toDouble(), 20.0);
    QCOMPARE(
        IsolatedSettings::valueOnDisk(QStringLiteral("Alerts/Battery/EnableHUD")).toString(), QStringLiteral("true"));
}

void TestDashboardControls::switchReportsItsNewState()
{
    openPanel();
    click("hudSwitch");
    QCOMPARE(m_panel->window->calls, QStringList({"enableHUDPressed(false)"}));
    QCOMPARE(item("hudSwitch")->property("checked").toBool(), false);
    QCOMPARE(
        IsolatedSettings::valueOnDisk(QStringLiteral("Alerts/Battery/EnableHUD")).toString(), QStringLiteral("false"));

    click("hudSwitch");
    QCOMPARE(m_panel->window->calls, QStringList({"enableHUDPressed(false)", "enableHUDPressed(true)"}));
    QCOMPARE(
        IsolatedSettings::valueOnDisk(QStringLiteral("Alerts/Battery/EnableHUD")).toString(), QStringLiteral("true"));
}

QTEST_MAIN(TestDashboardControls)
#include "tst_dashboardcontrols.moc"
