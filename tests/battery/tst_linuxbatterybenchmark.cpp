#include "battery/WinRTBatteryModel.h"
#include "battery/linux/LinuxBatteryPlatform.h"
#include "fakes/FakeBatteryPlatform.h"
#include "fakes/PowerSupplyTree.h"

#include <QtTest/QtTest>

// One reading pass runs on the GUI thread every 1500 ms; it should take well
// under 1 % of that (15 ms) over a machine's usual three batteries.
class TestLinuxBatteryBench : public QObject
{
    Q_OBJECT

private slots:
    void readLevelsOverThreeBatteries()
    {
        PowerSupplyTree tree;
        tree.addEntry("AC", PowerSupplyTree::supply("Mains"));
        tree.addEntry("BAT0", PowerSupplyTree::energyBattery("1", "Discharging", 50000000, 40000000));
        tree.addEntry("BAT1", PowerSupplyTree::chargeBattery("2", "Discharging", 2000000, 1000000, 20000000));
        tree.addEntry("BAT2", PowerSupplyTree::energyBattery("3", "Discharging", 20000000, 5000000));
        tree.addEntry("ucsi-source-psy-USBC000:001", PowerSupplyTree::supply("USB"));
        WinRTBatteryModel model(std::make_shared<LinuxBatteryPlatform>(tree.root()));

        BatteryLevels levels;
        QBENCHMARK
        {
            levels = model.readLevels();
        }
        // A pass that read nothing would be fast for the wrong reason.
        QCOMPARE(levels.center, 80);
        QCOMPARE(levels.left, 50);
        QCOMPARE(levels.right, 25);
        QCOMPARE(levels.aggregate, 59);
    }
};

QTEST_GUILESS_MAIN(TestLinuxBatteryBench)
#include "tst_linuxbatterybenchmark.moc"
