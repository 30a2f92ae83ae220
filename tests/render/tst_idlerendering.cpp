#include "fakes/IsolatedSettings.h"
#include "render/PanelHarness.h"

#include <QQuickStyle>
#include <QtTest>

// Both panels sit in VR for hours while the batteries barely change: a panel
// whose scene holds still must not cost a single frame, and its window, which
// reads the levels 50 times a second, sends the document nothing new.
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
    const int dashboardReads = dashboard->battery->readCount();
    const int alertReads = alert->battery->readCount();

    // Nothing to wait for: the point is that nothing happens.
    QTest::qWait(10000);

    qInfo("over ten idle seconds: frames dashboard %llu, alert %llu; readings dashboard %d, alert %d; levels sent "
          "dashboard %d, alert %d",
        dashboard->view->renderCount() - dashboardFrames, alert->view->renderCount() - alertFrames,
        dashboard->battery->readCount() - dashboardReads, alert->battery->readCount() - alertReads,
        dashboardPolls.count(), alertPolls.count());
    QCOMPARE(dashboard->view->renderCount(), dashboardFrames);
    QCOMPARE(alert->view->renderCount(), alertFrames);
    // Still polling, and sending nothing.
    QVERIFY(dashboard->battery->readCount() > dashboardReads + 10);
    QVERIFY(alert->battery->readCount() > alertReads + 10);
    QCOMPARE(dashboardPolls.count(), 0);
    QCOMPARE(alertPolls.count(), 0);

    // A real change still gets its frame.
    dashboard->battery->setLevels(55, 79, 65);
    alert->battery->setLevels(54, 54, 54);
    QTRY_VERIFY(dashboard->view->renderCount() > dashboardFrames);
    QTRY_VERIFY(alert->view->renderCount() > alertFrames);
}

QTEST_MAIN(TestIdleRendering)
#include "tst_idlerendering.moc"
