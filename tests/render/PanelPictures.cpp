// Renders both panels in their default state to PNG files, through the same
// texture view the VR side uses: tools/render-panel-pictures runs it for the
// pictures in docs/images/.

#include "fakes/IsolatedSettings.h"
#include "render/PanelHarness.h"

#include <QDir>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QHash>
#include <QQuickStyle>

#include <cstdio>

namespace {
// Waits, within a limit, until the panel has shown its first battery reading
// and has no frame pending.
template<typename P>
bool settle(P &panel, const char *levelProperty, int level)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 10000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        if (panel.root()->property(levelProperty).toInt() == level && panel.view->renderCount() > 0
            && !panel.renderPending())
            return true;
    }
    return false;
}
} // namespace

int main(int argc, char *argv[])
{
    // Text is drawn from a glyph cache whose layout follows the order of a
    // hash; with the per-process random seed, antialiased edges of a few
    // hundred text pixels change from one run to the next.
    qSetGlobalQHashSeed(0);
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_FOLDER\n", argv[0]);
        return 2;
    }
    const QDir output(QString::fromLocal8Bit(argv[1]));
    if (!output.exists() && !QDir().mkpath(output.path()))
        return 1;

    // The defaults, not whatever the user has set.
    IsolatedSettings settings;
    QQuickStyle::setStyle(QStringLiteral("Material"));
    TextureReader reader;

    {
        std::unique_ptr<DashboardPanel> dashboard = makeDashboardPanel(3, 74, 6);
        if (!settle(*dashboard, "midBatteryPercent", 74))
            return 1;
        if (!dashboard->frame(reader).save(output.filePath(QStringLiteral("dashboard.png"))))
            return 1;
    }
    {
        std::unique_ptr<AlertPanel> alert = makeAlertPanel(30);
        if (!settle(*alert, "lowestBatteryPercent", 30))
            return 1;
        if (!alert->frame(reader).save(output.filePath(QStringLiteral("alert.png"))))
            return 1;
    }
    return 0;
}
