// Renders both panels in many states to PNG files, one file a state, through
// the same texture view the VR side uses. Run it before and after a change to
// the documents and compare the two folders (tools/compare-panel-pictures):
// a document rewritten for its own sake must not move a single pixel.

#include "fakes/IsolatedSettings.h"
#include "render/PanelHarness.h"

#include <QDir>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QHash>
#include <QQuickStyle>

#include <cstdio>
#include <functional>

namespace {
// Waits, within a limit, until the panel shows the wanted level and has
// stopped rendering: a control's animation (the switch's handle, say) keeps
// asking for frames until it ends.
template<typename P>
bool settle(P &panel, const char *levelProperty, int level)
{
    QElapsedTimer clock;
    clock.start();
    QElapsedTimer quiet;
    quiet.start();
    quint64 renders = panel.view->renderCount();
    while (clock.elapsed() < 10000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        if (panel.view->renderCount() != renders || panel.renderPending()) {
            renders = panel.view->renderCount();
            quiet.restart();
        }
        if (panel.root()->property(levelProperty).toInt() == level && renders > 0 && quiet.elapsed() > 600)
            return true;
    }
    return false;
}

struct Thresholds
{
    const char *warning;
    const char *critical;
    const char *hud;
};

// What happens to a loaded dashboard before it is pictured; false when it
// could not be done, so that a lost control is not pictured as an unchanged one.
using Action = std::function<bool(DashboardPanel &)>;

// A control's click, without the pointer: no press ripple to wait out.
bool click(DashboardPanel &panel, const char *button, int times = 1)
{
    QQuickItem *target = findItem(panel.root(), QString::fromLatin1(button));
    if (!target) {
        std::fprintf(stderr, "no control named %s\n", button);
        return false;
    }
    for (int i = 0; i < times; ++i)
        QMetaObject::invokeMethod(target, "clicked");
    return true;
}

struct DashboardState
{
    const char *name;
    int left, center, right;
    Thresholds stored;
    Action action;
};

bool saveFrame(QImage frame, const QDir &output, const QString &name)
{
    const QString path = output.filePath(name + QStringLiteral(".png"));
    if (frame.isNull() || !frame.save(path)) {
        std::fprintf(stderr, "could not write %s\n", qPrintable(path));
        return false;
    }
    return true;
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

    IsolatedSettings settings;
    QQuickStyle::setStyle(QStringLiteral("Material"));
    TextureReader reader;

    const Thresholds defaults {"40", "20", "true"};
    const DashboardState dashboards[] = {
        {"dashboard-default", 3, 74, 6, defaults, {}},
        {"dashboard-levels-0-100-50", 0, 100, 50, defaults, {}},
        {"dashboard-levels-39-40-80", 39, 40, 80, defaults, {}},
        {"dashboard-levels-59-60-79", 59, 60, 79, defaults, {}},
        {"dashboard-levels-100-0-100", 100, 0, 100, defaults, {}},
        {"dashboard-stored-60-10-hud-off", 3, 74, 6, {"60", "10", "false"}, {}},
        {"dashboard-stored-equal", 3, 74, 6, {"35", "35", "true"}, {}},
        // The window may announce any pair; only the wearer's moves are kept in order.
        {"dashboard-announced-critical-above-warning", 3, 74, 6, defaults,
            [](DashboardPanel &panel) {
                emit panel.window->updateSettings(25.0, 50.0, true);
                return true;
            }},
        {"dashboard-announced-hud-off", 3, 74, 6, defaults,
            [](DashboardPanel &panel) {
                emit panel.window->updateSettings(55.0, 15.0, false);
                return true;
            }},
        {"dashboard-minus-at-the-minimum", 3, 74, 6, {"10", "10", "true"},
            [](DashboardPanel &panel) { return click(panel, "criticalDown") && click(panel, "warningDown"); }},
        {"dashboard-critical-up-pulls-warning", 3, 74, 6, defaults,
            [](DashboardPanel &panel) { return click(panel, "criticalUp", 12); }},
        {"dashboard-warning-down-pulls-critical", 3, 74, 6, defaults,
            [](DashboardPanel &panel) { return click(panel, "warningDown", 12); }},
        {"dashboard-plus-at-the-maximum", 3, 74, 6, {"60", "55", "true"},
            [](DashboardPanel &panel) { return click(panel, "warningUp", 2) && click(panel, "criticalUp", 2); }},
        {"dashboard-reset", 3, 74, 6, {"55", "30", "false"},
            [](DashboardPanel &panel) { return click(panel, "resetButton"); }},
    };
    for (const DashboardState &state : dashboards) {
        IsolatedSettings::restoreDefaults();
        {
            std::shared_ptr<IOxaSettings> store = openSettings();
            store->setValue(
                QStringLiteral("Alerts/Battery/WarningThreshold"), QString::fromLatin1(state.stored.warning));
            store->setValue(
                QStringLiteral("Alerts/Battery/CriticalThreshold"), QString::fromLatin1(state.stored.critical));
            store->setValue(QStringLiteral("Alerts/Battery/EnableHUD"), QString::fromLatin1(state.stored.hud));
        }
        std::unique_ptr<DashboardPanel> dashboard = makeDashboardPanel(state.left, state.center, state.right);
        if (!settle(*dashboard, "midBatteryPercent", state.center))
            return 1;
        if (state.action) {
            if (!state.action(*dashboard) || !settle(*dashboard, "midBatteryPercent", state.center))
                return 1;
        }
        if (!saveFrame(dashboard->frame(reader), output, QString::fromLatin1(state.name)))
            return 1;
    }

    for (int level : {0, 1, 30, 39, 40, 50, 59, 60, 79, 80, 99, 100}) {
        std::unique_ptr<AlertPanel> alert = makeAlertPanel(level);
        if (!settle(*alert, "lowestBatteryPercent", level))
            return 1;
        if (!saveFrame(alert->frame(reader), output, QStringLiteral("alert-%1").arg(level, 3, 10, QLatin1Char('0'))))
            return 1;
    }
    return 0;
}
