#include "support/VrsimRuntime.h"

#include <QJsonArray>
#include <QtTest>

// The display variables a child gets; an empty value removes the variable.
using DisplayVariables = QMap<QString, QString>;

// The real program started where it cannot reach a display: from a plain
// terminal, a remote shell or with a display that is gone. Registration needs
// no window and works; a normal run ends with one critical line, never with
// Qt's abort.
class TestNoDisplay : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void installAndUninstall_data() { environments(); }
    void installAndUninstall();
    void normalRun_data() { environments(); }
    void normalRun();

private:
    void environments();
    static VrsimRuntime::Result voltaro(
        const VrsimRuntime &server, const QStringList &arguments, const DisplayVariables &display);
    static QJsonObject app(const VrsimRuntime &server);

    QString m_deadDisplay;
    QTemporaryDir m_dir;
};

void TestNoDisplay::initTestCase()
{
    // A display number no server answers on: neither its socket nor its lock file exists.
    for (int number = 4711; number < 4800 && m_deadDisplay.isEmpty(); ++number) {
        if (!QFileInfo::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(number))
            && !QFileInfo::exists(QStringLiteral("/tmp/.X%1-lock").arg(number)))
            m_deadDisplay = QStringLiteral(":%1").arg(number);
    }
    QVERIFY(!m_deadDisplay.isEmpty());
    QVERIFY(m_dir.isValid());
}

void TestNoDisplay::environments()
{
    QTest::addColumn<DisplayVariables>("display");
    const QString none;
    const auto row = [](const QString &display, const QString &wayland, const QString &platform) {
        return DisplayVariables {{QStringLiteral("DISPLAY"), display}, {QStringLiteral("WAYLAND_DISPLAY"), wayland},
            {QStringLiteral("QT_QPA_PLATFORM"), platform}};
    };
    QTest::newRow("no display variables") << row(none, none, none);
    QTest::newRow("display gone") << row(m_deadDisplay, none, none);
    QTest::newRow("X platform named, display gone") << row(m_deadDisplay, none, QStringLiteral("xcb"));
    QTest::newRow("Wayland socket nobody serves") << row(none, m_dir.filePath(QStringLiteral("wayland-gone")), none);
    QTest::newRow("platform list, nothing reachable")
        << row(m_deadDisplay, m_dir.filePath(QStringLiteral("wayland-gone")), QStringLiteral("wayland;xcb"));
}

VrsimRuntime::Result TestNoDisplay::voltaro(
    const VrsimRuntime &server, const QStringList &arguments, const DisplayVariables &display)
{
    QProcessEnvironment env = server.environment();
    for (auto it = display.cbegin(); it != display.cend(); ++it) {
        if (it.value().isEmpty())
            env.remove(it.key());
        else
            env.insert(it.key(), it.value());
    }
    // A crash or an abort is no exit status at all (-1).
    return VrsimRuntime::runProgram(VrsimRuntime::binary(QStringLiteral("voltaro")), arguments, env, 30000);
}

QJsonObject TestNoDisplay::app(const VrsimRuntime &server)
{
    return server.application(QStringLiteral("Tarvix.BatteryMonitor"));
}

void TestNoDisplay::installAndUninstall()
{
    QFETCH(DisplayVariables, display);

    VrsimRuntime server;
    QVERIFY(server.start());

    const auto installed = voltaro(server, {QStringLiteral("--install")}, display);
    QVERIFY2(installed.finished, qPrintable(installed.output()));
    QCOMPARE(installed.exitCode, 0);
    QVERIFY2(!installed.output().contains(QLatin1String("Cannot open a display")), qPrintable(installed.output()));
    QCOMPARE(app(server).value(QStringLiteral("manifest")).toString(),
        QDir::cleanPath(VrsimRuntime::binary(QStringLiteral("Ampora.vrmanifest"))));

    const auto uninstalled = voltaro(server, {QStringLiteral("--uninstall")}, display);
    QVERIFY2(uninstalled.finished, qPrintable(uninstalled.output()));
    QCOMPARE(uninstalled.exitCode, 0);
    QVERIFY2(app(server).isEmpty(), qPrintable(uninstalled.output()));
}

void TestNoDisplay::normalRun()
{
    QFETCH(DisplayVariables, display);

    VrsimRuntime server;
    QVERIFY(server.start());

    const auto result = voltaro(server, {}, display);
    QVERIFY2(result.finished, qPrintable(result.output()));
    QCOMPARE(result.exitCode, 255);
    QVERIFY2(
        result.output().contains(QLatin1String("Cannot open a display: the panels are drawn with OpenGL and need one")),
        qPrintable(result.output()));
    QVERIFY2(!result.output().contains(QLatin1String("platform plugin")), qPrintable(result.output()));
    // It ends before it connects: the runtime never saw it.
    QVERIFY(server.status().value(QStringLiteral("overlays")).toArray().isEmpty());
}

QTEST_GUILESS_MAIN(TestNoDisplay)
#include "tst_nodisplay.moc"
