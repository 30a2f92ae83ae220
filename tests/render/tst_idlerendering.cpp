#include "fakes/IsolatedSettings.h"
#include "render/PanelHarness.h"

#include <QQuickStyle>
#include <QtTest>

// Both panels sit in VR for hours while the batteries barely change: a panel
// whose scene holds still must not cost a single frame, though its window
// keeps sending the same levels 50 times a second.
class TestIdleRendering : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void unchangedLevelsRenderNothing();

private:
    std::unique_ptr<IsolatedSettings> m_settings;
};

void TestIdleRendering::initTestCase()
{
    m_settings = std::make_unique<IsolatedSettings>();
    QQuickStyle::setStyle(QStringLiteral("Material"));
}

void TestIdleRendering::unchangedLevelsRenderNothing()
{
    std::unique_ptr<DashboardPanel> dashboard = makeDashboardPanel(55, 80, 65);
    std::unique_ptr<AlertPanel> alert = makeAlertPanel(55);
    QTRY_VERIFY(dashboard->root()->property("midBatteryPercent").toInt() == 80 && dashboard->view->renderCount() > 0
        && !dashboard->renderPending());
    QTRY_VERIFY(alert->root()->property("lowestBatteryPercent").toInt() == 55 && alert->view->renderCount() > 0
        && !alert->renderPending());

    const quint64 dashboardFrames = dashboard->view->renderCount();
    const quint64 alertFrames = alert->view->renderCount();
    QSignalSpy dashboardPolls(dashboard->window.get(), &QmlBatteryDashboard::newBatteryLevels);
    QSignalSpy alertPolls(alert->window.get(), &QmlBatteryAlert::newBatteryLevel);

    // Nothing to wait for: the point is that nothing happens.
    QTest::qWait(10000);

    qInfo("frames over ten idle seconds: dashboard %llu, alert %llu; polls: dashboard %d, alert %d",
        dashboard->view->renderCount() - dashboardFrames, alert->view->renderCount() - alertFrames,
        dashboardPolls.count(), alertPolls.count());
    QCOMPARE(dashboard->view->renderCount(), dashboardFrames);
    QCOMPARE(alert->view->renderCount(), alertFrames);
    QVERIFY(dashboardPolls.count() > 250);
    QVERIFY(alertPolls.count() > 250);

    // A real change still gets its frame.
    dashboard->battery->setLevels(55, 79, 65);
    alert->battery->setLevels(54, 54, 54);
    QTRY_VERIFY(dashboard->view->renderCount() > dashboardFrames);
    QTRY_VERIFY(alert->view->renderCount() > alertFrames);
}

QTEST_MAIN(TestIdleRendering)
#include "tst_idlerendering.moc"
