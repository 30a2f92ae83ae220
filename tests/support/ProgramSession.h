#pragma once

#include "support/BatteryMachine.h"
#include "support/VoltaroProcess.h"
#include "support/VrsimRuntime.h"

#include <QColor>
#include <QImage>
#include <QVariant>

#include <memory>

// What an end-to-end case starts from: the real program against a runtime of
// the test's own, reading the batteries of a fixture machine.
class ProgramSession
{
public:
    ProgramSession(int center, int left, int right)
        : machine(center, left, right)
    { }

    // The runtime, then the program, until both of its overlays exist.
    bool start() { return runtime.start() && startProgram(); }
    // The program alone, on a runtime started by the case (say after arming a failure).
    bool startProgram()
    {
        program = launchProgram();
        return program != nullptr;
    }
    // One more copy of the program, once both of its overlays exist; null (its
    // output in the log) when they do not come or it ends first.
    std::unique_ptr<VoltaroProcess> launchProgram() const;

    QJsonObject hud() const { return runtime.overlay(hudKey()); }
    QJsonObject dashboard() const { return runtime.overlay(dashboardKey()); }
    // The overlay's picture as the headset sees it, RGBA; null when the runtime has none.
    QImage snapshot(const QString &key) const;
    // `vrsim input oxaDashboard ...`, which must succeed.
    void input(const QStringList &arguments) const;
    // A left click on the dashboard, in panel pixels.
    void click(int x, int y) const;
    // A value in the program's settings file as it is on disk now.
    QVariant storedSetting(const QString &key) const;

    static QString hudKey() { return QStringLiteral("oxaAlertOverlay"); }
    static QString dashboardKey() { return QStringLiteral("oxaDashboard"); }

    VrsimRuntime runtime;
    BatteryMachine machine;
    std::unique_ptr<VoltaroProcess> program;
};

// What is wrong with the HUD's picture for a battery at `percent` below the
// warning threshold, or an empty text: the picture is the HUD's size, and its
// bar ends in red where the fill area (x 150 to 793) reaches `percent`.
inline QString hudBarProblem(const QImage &alert, int percent)
{
    if (alert.size() != QSize(1043, 537))
        return QStringLiteral("HUD picture of %1x%2").arg(alert.width()).arg(alert.height());
    const int barEnd = 150 + 643 * percent / 100;
    const QColor inside = alert.pixelColor(barEnd - 20, 268);
    if (!(inside.red() > 200 && inside.green() < 40 && inside.alpha() == 255))
        return QStringLiteral("inside the bar: ") + inside.name(QColor::HexArgb);
    const QColor beyond = alert.pixelColor(barEnd + 20, 268);
    if (beyond.red() >= 100)
        return QStringLiteral("beyond the bar: ") + beyond.name(QColor::HexArgb);
    return QString();
}
