#include "SocketPath.h"

#include <QtTest>

// The client library finds the runtime without Qt; the runtime and the command line are Qt
// programs. All three must agree on the socket, whatever the environment.
class TestSocketPath : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void resolution_data();
    void resolution();
    void fallbackMatchesQtRuntimeLocation();

private:
    QByteArray m_savedRuntime;
    QByteArray m_savedSocket;
};

void TestSocketPath::init()
{
    m_savedRuntime = qgetenv("XDG_RUNTIME_DIR");
    m_savedSocket = qgetenv("VRSIM_SOCKET");
}

void TestSocketPath::cleanup()
{
    qputenv("XDG_RUNTIME_DIR", m_savedRuntime);
    qputenv("VRSIM_SOCKET", m_savedSocket);
}

void TestSocketPath::resolution_data()
{
    QTest::addColumn<QByteArray>("runtimeDir");
    QTest::addColumn<QByteArray>("override");
    QTest::addColumn<QString>("expected");

    QTest::newRow("runtime dir") << QByteArray("/run/user/1000") << QByteArray()
                                 << QStringLiteral("/run/user/1000/vrsim/runtime.sock");
    QTest::newRow("override wins") << QByteArray("/run/user/1000") << QByteArray("/tmp/x/my.sock")
                                   << QStringLiteral("/tmp/x/my.sock");
    QTest::newRow("override without runtime dir")
        << QByteArray() << QByteArray("/tmp/x/my.sock") << QStringLiteral("/tmp/x/my.sock");
}

void TestSocketPath::resolution()
{
    QFETCH(QByteArray, runtimeDir);
    QFETCH(QByteArray, override);
    QFETCH(QString, expected);

    qputenv("XDG_RUNTIME_DIR", runtimeDir);
    qputenv("VRSIM_SOCKET", override);
    QCOMPARE(QString::fromStdString(vrsim::socketPath()), expected);
}

void TestSocketPath::fallbackMatchesQtRuntimeLocation()
{
    qunsetenv("XDG_RUNTIME_DIR");
    qunsetenv("VRSIM_SOCKET");
    const QString qtLocation = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    QVERIFY(!qtLocation.isEmpty());
    QCOMPARE(QString::fromStdString(vrsim::runtimeDirectory()), qtLocation);
    QCOMPARE(QString::fromStdString(vrsim::socketPath()), qtLocation + QStringLiteral("/vrsim/runtime.sock"));
}

QTEST_GUILESS_MAIN(TestSocketPath)
#include "tst_socketpath.moc"
