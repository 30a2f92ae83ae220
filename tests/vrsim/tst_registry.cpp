#include "support/VrsimRuntime.h"

#include <openvr.h>

#include <QtTest>

namespace {

const char *const kDashboardKey = "Tarvix.Voltaro";

// Manifests as applications ship them, and the ways they go wrong.
const QList<QPair<QString, QByteArray>> kManifests {
    {"voltaro.vrmanifest", R"({"source": "builtin", "applications": [{"app_key": "Tarvix.Voltaro",
        "launch_type": "binary", "binary_path_linux": "voltaro", "is_dashboard_overlay": true,
        "strings": {"en_us": {"name": "Voltaro", "description": "Battery levels"}}}]})"},
    {"plain.vrmanifest", R"({"source": "builtin", "applications": [{"app_key": "Tarvix.Plain",
        "launch_type": "binary", "binary_path_linux": "plain"}]})"},
    {"two.vrmanifest", R"({"source": "builtin", "applications": [{"app_key": "Tarvix.One",
        "is_dashboard_overlay": true}, {"app_key": "Tarvix.Two", "is_dashboard_overlay": true}]})"},
    {"broken.vrmanifest", R"({"source": "builtin", "applications": [)"},
    {"array.vrmanifest", R"([{"app_key": "Tarvix.Array"}])"},
    {"empty.vrmanifest", R"({"source": "builtin", "applications": []})"},
    {"noapps.vrmanifest", R"({"source": "builtin"})"},
    {"nokey.vrmanifest", R"({"source": "builtin", "applications": [{"launch_type": "binary"}]})"},
    {"longkey.vrmanifest", R"({"applications": [{"app_key": ")" + QByteArray(129, 'k') + R"("}]})"},
};

vr::IVRApplications *applications()
{
    return vr::VRApplications();
}

QJsonArray expectedApps(const QList<QPair<QString, bool>> &keysAndAutoLaunch, const QString &manifest)
{
    QJsonArray apps;
    for (const auto &[key, autoLaunch] : keysAndAutoLaunch)
        apps.append(QJsonObject {{"key", key}, {"manifest", manifest}, {"autoLaunch", autoLaunch}});
    return apps;
}

} // namespace

class TestRegistry : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void addManifest_data();
    void addManifest();
    void removeManifest();
    void autoLaunch_data();
    void autoLaunch();
    void registryOutlivesTheRuntime_data();
    void registryOutlivesTheRuntime();

private:
    QString manifest(const QString &name) const { return m_runtime.filePath(name); }

    VrsimRuntime m_runtime;
};

void TestRegistry::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QVERIFY(m_runtime.start());
    for (const auto &[name, content] : kManifests) {
        QFile file(manifest(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
    }
}

void TestRegistry::init()
{
    m_runtime.useInThisProcess();
    vr::EVRInitError error;
    QVERIFY(vr::VR_Init(&error, vr::VRApplication_Utility));
}

void TestRegistry::cleanup()
{
    for (const auto &[name, content] : kManifests)
        applications()->RemoveApplicationManifest(qPrintable(manifest(name)));
    vr::VR_Shutdown();
}

void TestRegistry::addManifest_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("expected");
    QTest::addColumn<QStringList>("keys");

    QTest::newRow("dashboard overlay") << "voltaro.vrmanifest" << int(vr::VRApplicationError_None)
                                       << QStringList {"Tarvix.Voltaro"};
    QTest::newRow("two applications") << "two.vrmanifest" << int(vr::VRApplicationError_None)
                                      << QStringList {"Tarvix.One", "Tarvix.Two"};
    QTest::newRow("relative path") << "./voltaro.vrmanifest" << int(vr::VRApplicationError_None)
                                   << QStringList {"Tarvix.Voltaro"};
    QTest::newRow("missing file") << "missing.vrmanifest" << int(vr::VRApplicationError_NoManifest) << QStringList();
    QTest::newRow("broken JSON") << "broken.vrmanifest" << int(vr::VRApplicationError_InvalidManifest) << QStringList();
    QTest::newRow("JSON array") << "array.vrmanifest" << int(vr::VRApplicationError_InvalidManifest) << QStringList();
    QTest::newRow("empty applications") << "empty.vrmanifest" << int(vr::VRApplicationError_InvalidManifest)
                                        << QStringList();
    QTest::newRow("no applications") << "noapps.vrmanifest" << int(vr::VRApplicationError_InvalidManifest)
                                     << QStringList();
    QTest::newRow("application without key")
        << "nokey.vrmanifest" << int(vr::VRApplicationError_InvalidManifest) << QStringList();
    QTest::newRow("key of 129 bytes") << "longkey.vrmanifest" << int(vr::VRApplicationError_InvalidManifest)
                                      << QStringList();
}

void TestRegistry::addManifest()
{
    QFETCH(QString, file);
    QFETCH(int, expected);
    QFETCH(QStringList, keys);

    const QString previous = QDir::currentPath();
    QDir::setCurrent(m_runtime.filePath(QString()));
    const int error = applications()->AddApplicationManifest(QFile::encodeName(file).constData());
    QDir::setCurrent(previous);
    QCOMPARE(error, expected);

    QList<QPair<QString, bool>> listed;
    for (const QString &key : keys) {
        QVERIFY(applications()->IsApplicationInstalled(qPrintable(key)));
        QVERIFY(!applications()->GetApplicationAutoLaunch(qPrintable(key)));
        listed.append({key, false});
    }
    const QString absolute = QDir::cleanPath(m_runtime.filePath(file));
    QCOMPARE(m_runtime.status().value(QStringLiteral("apps")).toArray(), expectedApps(listed, absolute));
}

void TestRegistry::removeManifest()
{
    QCOMPARE(
        applications()->AddApplicationManifest(qPrintable(manifest("two.vrmanifest"))), vr::VRApplicationError_None);
    QCOMPARE(applications()->AddApplicationManifest(qPrintable(manifest("voltaro.vrmanifest"))),
        vr::VRApplicationError_None);

    QCOMPARE(
        applications()->RemoveApplicationManifest(qPrintable(manifest("two.vrmanifest"))), vr::VRApplicationError_None);
    QVERIFY(!applications()->IsApplicationInstalled("Tarvix.One"));
    QVERIFY(!applications()->IsApplicationInstalled("Tarvix.Two"));
    QVERIFY(applications()->IsApplicationInstalled(kDashboardKey));
    QCOMPARE(m_runtime.status().value(QStringLiteral("apps")).toArray(),
        expectedApps({{kDashboardKey, false}}, manifest("voltaro.vrmanifest")));

    QCOMPARE(applications()->RemoveApplicationManifest(qPrintable(manifest("two.vrmanifest"))),
        vr::VRApplicationError_NoManifest);
}

void TestRegistry::autoLaunch_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<int>("expected");
    QTest::addColumn<bool>("launches");

    QTest::newRow("dashboard overlay") << kDashboardKey << int(vr::VRApplicationError_None) << true;
    QTest::newRow("unknown application") << "Tarvix.Unknown" << int(vr::VRApplicationError_UnknownApplication) << false;
    QTest::newRow("not a dashboard overlay") << "Tarvix.Plain" << int(vr::VRApplicationError_InvalidManifest) << false;
}

void TestRegistry::autoLaunch()
{
    QFETCH(QString, key);
    QFETCH(int, expected);
    QFETCH(bool, launches);

    QCOMPARE(applications()->AddApplicationManifest(qPrintable(manifest("voltaro.vrmanifest"))),
        vr::VRApplicationError_None);
    QCOMPARE(
        applications()->AddApplicationManifest(qPrintable(manifest("plain.vrmanifest"))), vr::VRApplicationError_None);

    QCOMPARE(applications()->SetApplicationAutoLaunch(qPrintable(key), true), expected);
    QCOMPARE(applications()->GetApplicationAutoLaunch(qPrintable(key)), launches);
    if (!launches)
        return;
    // Installing again, as `--install` run twice does, keeps the user's choice.
    QCOMPARE(applications()->AddApplicationManifest(qPrintable(manifest("voltaro.vrmanifest"))),
        vr::VRApplicationError_None);
    QVERIFY(applications()->GetApplicationAutoLaunch(qPrintable(key)));
    QCOMPARE(applications()->SetApplicationAutoLaunch(qPrintable(key), false), vr::VRApplicationError_None);
    QVERIFY(!applications()->GetApplicationAutoLaunch(qPrintable(key)));
}

void TestRegistry::registryOutlivesTheRuntime_data()
{
    QTest::addColumn<bool>("killed");
    QTest::newRow("stopped") << false;
    QTest::newRow("killed") << true;
}

void TestRegistry::registryOutlivesTheRuntime()
{
    QFETCH(bool, killed);

    vr::VR_Shutdown();
    VrsimRuntime restarted;
    QVERIFY(restarted.start());
    restarted.useInThisProcess();
    vr::EVRInitError error;
    QVERIFY(vr::VR_Init(&error, vr::VRApplication_Utility));
    QCOMPARE(applications()->AddApplicationManifest(qPrintable(manifest("voltaro.vrmanifest"))),
        vr::VRApplicationError_None);
    QCOMPARE(applications()->SetApplicationAutoLaunch(kDashboardKey, true), vr::VRApplicationError_None);
    QCOMPARE(applications()->AddApplicationManifest(qPrintable(manifest("two.vrmanifest")), true),
        vr::VRApplicationError_None);
    QVERIFY(applications()->IsApplicationInstalled("Tarvix.One"));

    if (killed)
        restarted.kill();
    else
        QVERIFY(restarted.stop());
    QVERIFY(restarted.start());
    // The temporary manifest is gone, the installed one and its auto-launch stay.
    QCOMPARE(restarted.status().value(QStringLiteral("apps")).toArray(),
        expectedApps({{kDashboardKey, true}}, manifest("voltaro.vrmanifest")));
    QVERIFY(vr::VR_Init(&error, vr::VRApplication_Utility));
    QVERIFY(applications()->IsApplicationInstalled(kDashboardKey));
    QVERIFY(applications()->GetApplicationAutoLaunch(kDashboardKey));
    QVERIFY(!applications()->IsApplicationInstalled("Tarvix.One"));
    vr::VR_Shutdown();
    m_runtime.useInThisProcess();
    QVERIFY(vr::VR_Init(&error, vr::VRApplication_Utility));
}

QTEST_GUILESS_MAIN(TestRegistry)
#include "tst_registry.moc"
