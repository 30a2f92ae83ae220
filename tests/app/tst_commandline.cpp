#include "support/VrsimRuntime.h"

#include <QJsonArray>
#include <QTemporaryDir>
#include <QtTest>

// The program's command line, run as the real binary against a simulated
// runtime of the test's own.
class TestCommandLine : public QObject
{
    Q_OBJECT

private slots:
    void installAndUninstallTogetherOnlyInstall();
    void installWithPositionalArgument();
    void uninstallOfUnknownApplicationRegistersThenRemoves();
    void invalidArguments_data();
    void invalidArguments();
    void noRuntime();
    void noHeadset();
    void refusedRegistration();
    void missingManifest();

private:
    static VrsimRuntime::Result voltaro(
        const VrsimRuntime &server, const QStringList &arguments, const QProcessEnvironment &extra = {})
    {
        QProcessEnvironment environment = server.environment();
        for (const QString &key : extra.keys())
            environment.insert(key, extra.value(key));
        return VrsimRuntime::runProgram(VrsimRuntime::binary(QStringLiteral("voltaro")), arguments, environment);
    }
    static QJsonObject app(const VrsimRuntime &server)
    {
        return server.application(QStringLiteral("Tarvix.BatteryMonitor"));
    }
};

void TestCommandLine::installAndUninstallTogetherOnlyInstall()
{
    VrsimRuntime server;
    QVERIFY(server.start());

    const auto result = voltaro(server, {QStringLiteral("--install"), QStringLiteral("--uninstall")});
    QVERIFY2(result.finished, qPrintable(result.output()));
    QCOMPARE(result.exitCode, 0);
    QVERIFY(!result.output().contains(QLatin1String("Uninstalling...")));

    const QJsonObject registered = app(server);
    QVERIFY2(!registered.isEmpty(), qPrintable(result.output()));
    QCOMPARE(registered.value(QStringLiteral("manifest")).toString(),
        QDir::cleanPath(VrsimRuntime::binary(QStringLiteral("Ampora.vrmanifest"))));
    QCOMPARE(registered.value(QStringLiteral("autoLaunch")).toBool(), true);

    // A second install finds the application known.
    const auto again = voltaro(server, {QStringLiteral("--install")});
    QCOMPARE(again.exitCode, 0);
    QVERIFY(!again.output().contains(QLatin1String("Adding manifest file:")));
}

void TestCommandLine::installWithPositionalArgument()
{
    VrsimRuntime server;
    QVERIFY(server.start());
    const auto result = voltaro(server, {QStringLiteral("--install"), QStringLiteral("extra")});
    QCOMPARE(result.exitCode, 0);
    QVERIFY(!app(server).isEmpty());
}

void TestCommandLine::uninstallOfUnknownApplicationRegistersThenRemoves()
{
    VrsimRuntime server;
    QVERIFY(server.start());

    const auto result = voltaro(server, {QStringLiteral("--uninstall")});
    QCOMPARE(result.exitCode, 0);
    const int installing = result.output().indexOf(QLatin1String("Adding manifest file:"));
    const int removing = result.output().indexOf(QLatin1String("Application installed, uninstalling..."));
    QVERIFY2(installing >= 0 && removing > installing, qPrintable(result.output()));
    QVERIFY(app(server).isEmpty());
}

void TestCommandLine::invalidArguments_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("--help") << QStringList {QStringLiteral("--help")};
    QTest::newRow("-h") << QStringList {QStringLiteral("-h")};
    QTest::newRow("-install (a cluster of letters)") << QStringList {QStringLiteral("-install")};
    QTest::newRow("misspelt") << QStringList {QStringLiteral("--instal")};
}

void TestCommandLine::invalidArguments()
{
    QFETCH(QStringList, arguments);

    VrsimRuntime server;
    QVERIFY(server.start());
    const auto result = voltaro(server, arguments);
    QVERIFY(result.finished);
    QCOMPARE(result.exitCode, 255);
    QVERIFY2(result.output().contains(QLatin1String("Invalid Arguments")), qPrintable(result.output()));
    QVERIFY(app(server).isEmpty());

    // The settings file was created before the arguments were even read.
    QFile settings(server.settingsFile());
    QVERIFY2(settings.open(QIODevice::ReadOnly), qPrintable(server.settingsFile()));
    QVERIFY(settings.readAll().contains("Battery\\EnableHUD=true"));
}

void TestCommandLine::noRuntime()
{
    VrsimRuntime server;
    QProcessEnvironment elsewhere;
    elsewhere.insert(QStringLiteral("VRSIM_SOCKET"), server.filePath(QStringLiteral("runtime/nobody.sock")));

    for (const QStringList &arguments : {QStringList {}, QStringList {QStringLiteral("--install")}}) {
        const auto result = voltaro(server, arguments, elsewhere);
        QVERIFY(result.finished);
        QCOMPARE(result.exitCode, 255);
        QVERIFY2(result.output().contains(QLatin1String("Error Initializing HMD: 301")), qPrintable(result.output()));
    }
}

void TestCommandLine::noHeadset()
{
    VrsimRuntime server;
    QVERIFY(server.start({QStringLiteral("--no-hmd")}));
    const auto result = voltaro(server, {QStringLiteral("--install")});
    QCOMPARE(result.exitCode, 255);
    QVERIFY2(result.output().contains(QLatin1String("Error Initializing HMD: 108")), qPrintable(result.output()));
}

void TestCommandLine::refusedRegistration()
{
    VrsimRuntime server;
    QVERIFY(server.start());

    QCOMPARE(
        server.run({QStringLiteral("fail"), QStringLiteral("AddApplicationManifest"), QStringLiteral("107")}).exitCode,
        0);
    auto result = voltaro(server, {QStringLiteral("--install")});
    QCOMPARE(result.exitCode, 0);
    QVERIFY2(result.output().contains(QLatin1String("Error installing manifest: 107")), qPrintable(result.output()));
    QVERIFY(app(server).isEmpty());

    QCOMPARE(server.run({QStringLiteral("fail"), QStringLiteral("SetApplicationAutoLaunch"), QStringLiteral("104")})
                 .exitCode,
        0);
    result = voltaro(server, {QStringLiteral("--install")});
    QVERIFY2(result.output().contains(QLatin1String("Failed to set application auto launch: 104")),
        qPrintable(result.output()));
    QVERIFY(!app(server).isEmpty());

    QCOMPARE(server.run({QStringLiteral("fail"), QStringLiteral("RemoveApplicationManifest"), QStringLiteral("105")})
                 .exitCode,
        0);
    result = voltaro(server, {QStringLiteral("--uninstall")});
    QCOMPARE(result.exitCode, 0);
    QVERIFY2(result.output().contains(QLatin1String("Failed to remove application manifest: 105")),
        qPrintable(result.output()));
    QVERIFY(!app(server).isEmpty());
}

void TestCommandLine::missingManifest()
{
    VrsimRuntime server;
    QVERIFY(server.start());

    // The program and the openvr_api it loads from beside itself, without its manifest.
    QTemporaryDir alone;
    const QString program = alone.filePath(QStringLiteral("voltaro"));
    QVERIFY(QFile::copy(VrsimRuntime::binary(QStringLiteral("voltaro")), program));
    QVERIFY(QFile::copy(
        VrsimRuntime::binary(QStringLiteral("libopenvr_api.so")), alone.filePath(QStringLiteral("libopenvr_api.so"))));

    const auto result = VrsimRuntime::runProgram(program, {QStringLiteral("--install")}, server.environment());
    QCOMPARE(result.exitCode, 0);
    const QString expected = QStringLiteral("Failed to find manifest file: \"%1\"")
                                 .arg(QDir::cleanPath(alone.path() + QStringLiteral("/Ampora.vrmanifest")));
    QVERIFY2(result.output().contains(expected), qPrintable(result.output()));
    QVERIFY(app(server).isEmpty());
}

QTEST_GUILESS_MAIN(TestCommandLine)
#include "tst_commandline.moc"
