#include "app/TerminationSignals.h"

#include <QTest>
#include <QTimer>

#include <csignal>
#include <unistd.h>

class TestTerminationSignals : public QObject
{
    Q_OBJECT

private slots:
    void signalEndsTheEventLoop_data();
    void signalEndsTheEventLoop();
    void previousHandlingComesBack();
};

namespace {

// The loop's result: 0 when a signal quit it, 1 when the deadline did.
int runLoopAfterSignal(int signal, int deadlineMs = 10000)
{
    QTimer::singleShot(0, [signal] { ::kill(::getpid(), signal); });
    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, [] { QCoreApplication::exit(1); });
    deadline.start(deadlineMs);
    return QCoreApplication::exec();
}

} // namespace

void TestTerminationSignals::signalEndsTheEventLoop_data()
{
    QTest::addColumn<int>("signal");
    QTest::newRow("SIGTERM") << int(SIGTERM);
    QTest::newRow("SIGINT") << int(SIGINT);
}

void TestTerminationSignals::signalEndsTheEventLoop()
{
    QFETCH(int, signal);
    // A second lifetime hears them as the first did.
    for (int lifetime = 0; lifetime < 2; ++lifetime) {
        const TerminationSignals terminationSignals;
        QCOMPARE(runLoopAfterSignal(signal), 0);
    }
}

void TestTerminationSignals::previousHandlingComesBack()
{
    struct sigaction ignore = {};
    ignore.sa_handler = SIG_IGN;
    struct sigaction original = {};
    QCOMPARE(sigaction(SIGTERM, &ignore, &original), 0);

    {
        const TerminationSignals terminationSignals;
        struct sigaction during = {};
        sigaction(SIGTERM, nullptr, &during);
        QVERIFY(during.sa_handler != SIG_IGN);
    }
    struct sigaction after = {};
    sigaction(SIGTERM, nullptr, &after);
    const bool ignoredAgain = after.sa_handler == SIG_IGN;
    // An ignored signal now leaves the loop running until its deadline.
    const int result = ignoredAgain ? runLoopAfterSignal(SIGTERM, 200) : -1;
    sigaction(SIGTERM, &original, nullptr);
    QVERIFY(ignoredAgain);
    QCOMPARE(result, 1);
}

QTEST_GUILESS_MAIN(TestTerminationSignals)
#include "tst_terminationsignals.moc"
