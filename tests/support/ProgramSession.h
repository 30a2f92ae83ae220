#pragma once

#include "support/BatteryMachine.h"
#include "support/VoltaroProcess.h"
#include "support/VrsimRuntime.h"

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
