#pragma once

#include "fakes/PowerSupplyTree.h"

// A machine on mains with an internal battery (BAT0) and two packs (BAT1 the
// left, BAT2 the right), levels in percent, as the program's fixture
// power-supply tree.
struct BatteryMachine
{
    BatteryMachine(int center, int left, int right)
    {
        tree.addEntry(QStringLiteral("AC"), PowerSupplyTree::supply("Mains"));
        tree.addEntry(QStringLiteral("BAT0"), battery("1", center));
        tree.addEntry(QStringLiteral("BAT1"), battery("2", left));
        tree.addEntry(QStringLiteral("BAT2"), battery("3", right));
    }

    void setLeft(int percent) { tree.setAttribute(QStringLiteral("BAT1"), QStringLiteral("energy_now"), now(percent)); }

    static PowerSupplyTree::Attributes battery(const QByteArray &uid, int percent)
    {
        return PowerSupplyTree::energyBattery(uid, "Discharging", full, qint64(percent) * full / 100);
    }
    static QByteArray now(int percent) { return QByteArray::number(qint64(percent) * full / 100) + '\n'; }

    static constexpr qint64 full = 50000000;
    PowerSupplyTree tree;
};
