#include "qml/QmlBatteryAlert.h"

#include "app/TimerPhase.h"
#include "battery/IBatteryModel.h"

#include <QTimer>

namespace {
constexpr int pollIntervalMs = 20;
} // namespace

QmlBatteryAlert::QmlBatteryAlert(std::shared_ptr<IQTWindowModel> model, std::shared_ptr<IBatteryModel> battery)
    : QmlWindow(std::move(model))
    , m_battery(std::move(battery))
{
    m_pollTimer = std::make_unique<QTimer>();
    m_pollTimer->setInterval(pollIntervalMs);
    m_pollTimer->setSingleShot(false);
    connect(m_pollTimer.get(), &QTimer::timeout, this, &QmlBatteryAlert::pollBattery);
    // The first tick needs the event loop, and by then the document is loaded.
    TimerPhase::start(m_pollTimer.get());
}

QmlBatteryAlert::~QmlBatteryAlert()
{
    m_pollTimer.reset();
    m_battery.reset();
}

void QmlBatteryAlert::load()
{
    QmlWindow::load();
    // A new document knows no level yet. It gets it now rather than on the
    // next tick: its first picture is rendered before then, and the HUD may
    // be shown with that one.
    m_sentLevel.reset();
    pollBattery();
}

void QmlBatteryAlert::pollBattery()
{
    const BatteryLevels levels = m_battery->currentLevels();
    // Starting from 100 caps readings that overshoot: the bar never grows past the picture.
    int lowestLevel = 100;
    if (levels.center < lowestLevel)
        lowestLevel = levels.center;
    if (levels.right < lowestLevel)
        lowestLevel = levels.right;
    if (levels.left < lowestLevel)
        lowestLevel = levels.left;
    // The document sees the same values as before, without a binding pass
    // on every tick for an unchanged one; the first poll after a load always sends.
    if (m_sentLevel && *m_sentLevel == lowestLevel)
        return;
    m_sentLevel = lowestLevel;
    emit newBatteryLevel(lowestLevel);
}
