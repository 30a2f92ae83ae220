#include "fakes/IsolatedSettings.h"
#include "render/PanelHarness.h"

#include <QQuickStyle>
#include <QtTest>

// What one frame of each panel costs. Each round changes a level, so the
// scene really has to be drawn again, and waits for OpenGL to finish, so the
// time is the frame's and not just the time to queue it.
class TestRenderBench : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void dashboardFrame();
    void alertFrame();

private:
    template<typename P>
    static void renderChanged(P &panel, const char *property, int round);

    std::unique_ptr<IsolatedSettings> m_settings;
};

void TestRenderBench::initTestCase()
{
    m_settings = std::make_unique<IsolatedSettings>();
    QQuickStyle::setStyle(QStringLiteral("Material"));
}

template<typename P>
void TestRenderBench::renderChanged(P &panel, const char *property, int round)
{
    panel.root()->setProperty(property, round % 2 ? 35 : 65);
    panel.view->renderFrame();
    SharedOpenGLContext::instance().context()->functions()->glFinish();
}

void TestRenderBench::dashboardFrame()
{
    std::unique_ptr<DashboardPanel> panel = makeDashboardPanel();
    QTRY_VERIFY(panel->view->renderCount() > 0);
    int round = 0;
    QBENCHMARK
    {
        renderChanged(*panel, "midBatteryPercent", ++round);
    }
}

void TestRenderBench::alertFrame()
{
    std::unique_ptr<AlertPanel> panel = makeAlertPanel();
    QTRY_VERIFY(panel->view->renderCount() > 0);
    int round = 0;
    QBENCHMARK
    {
        renderChanged(*panel, "lowestBatteryPercent", ++round);
    }
}

QTEST_MAIN(TestRenderBench)
#include "tst_renderbench.moc"
