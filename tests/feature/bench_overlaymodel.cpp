#include "fakes/FakeBatteryModel.h"
#include "fakes/TestEnvironment.h"
#include "feature/BatteryOverlayModel.h"
#include "settings/Settings.h"

#include <QtTest>

// The alert model runs on every 20 ms controller tick; with its settings
// unchanged it only takes the battery levels. This keeps an eye on what that costs.
class TestOverlayModelBench : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        m_env = std::make_unique<TestEnvironment>();
        TestEnvironment::setProgramIdentity();
        createSettingsFactory();
        openSettings().reset();
    }

    void getSettings()
    {
        BatteryOverlayModel model(std::make_shared<FakeBatteryModel>(FakeBatteryModel::levels(35, 80, 90, 70)));
        OverlaySettings settings;
        QBENCHMARK
        {
            settings = model.getSettings();
        }
        QVERIFY(settings.isVisible);
    }

private:
    std::unique_ptr<TestEnvironment> m_env;
};

QTEST_GUILESS_MAIN(TestOverlayModelBench)
#include "bench_overlaymodel.moc"
