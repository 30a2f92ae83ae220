// The floor the program's resting cost is measured against: a Qt GUI process
// with the program's resting timers and nothing behind them. Whatever the
// program costs above this is work its ticks do.
//
//   voltaro-floor [--hud]    (--hud adds the HUD's frame timer)

#include <QGuiApplication>
#include <QStringList>
#include <QTimer>

#include <memory>
#include <vector>

namespace {

// The battery refresh.
constexpr int slowIntervalMs = 1500;
// The two window polls, the two controller ticks and the runtime connection's event poll.
constexpr int tickIntervalMs = 20;
constexpr int tickTimers = 5;
// Half a display frame at 90 Hz, truncated as the HUD's frame timer is.
constexpr int frameIntervalMs = 5;

void doNothing() { }

} // namespace

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    const bool hud = app.arguments().contains(QStringLiteral("--hud"));

    std::vector<std::unique_ptr<QTimer>> timers;
    auto add = [&timers](int intervalMs) {
        auto timer = std::make_unique<QTimer>();
        timer->setInterval(intervalMs);
        QObject::connect(timer.get(), &QTimer::timeout, &doNothing);
        timer->start();
        timers.push_back(std::move(timer));
    };
    add(slowIntervalMs);
    for (int i = 0; i < tickTimers; ++i)
        add(tickIntervalMs);
    if (hud)
        add(frameIntervalMs);

    return app.exec();
}
