#include "app/TimerPhase.h"

#include <QElapsedTimer>
#include <QTest>
#include <QTimer>

#include <memory>

class TestTimerPhase : public QObject
{
    Q_OBJECT

private slots:
    void timersStartedApartFallDueTogether();
    void stoppedAndDeletedTimersAreLeftOut();
    void requestsWithoutPauseNeverStarveATick();
};

namespace {

void waitForAlignment(quint64 before)
{
    QTRY_VERIFY_WITH_TIMEOUT(TimerPhase::alignments() > before, 2 * TimerPhase::minAlignmentGapMs + 5000);
}

} // namespace

void TestTimerPhase::timersStartedApartFallDueTogether()
{
    // Longer than the program's, to measure them; precise, as Qt makes those of 20 ms and less.
    QTimer tick;
    tick.setInterval(200);
    tick.setTimerType(Qt::PreciseTimer);
    QTimer frame;
    frame.setInterval(50);
    frame.setTimerType(Qt::PreciseTimer);

    TimerPhase::start(&tick);
    // The frame timer comes in well into the tick's period, as the HUD's does.
    QTRY_VERIFY(tick.remainingTime() <= 120);
    const quint64 before = TimerPhase::alignments();
    TimerPhase::start(&frame);
    waitForAlignment(before);

    QVERIFY(tick.isActive());
    QVERIFY(frame.isActive());
    QCOMPARE(tick.interval(), 200);
    QCOMPARE(frame.interval(), 50);
    // Both periods began at one moment: the tick falls due with a frame.
    const int tickDue = tick.remainingTime();
    const int frameDue = frame.remainingTime();
    const int apart = (tickDue - frameDue + 50) % 50;
    QVERIFY2(apart <= 3 || apart >= 47,
        qPrintable(QStringLiteral("tick in %1 ms, frame in %2 ms").arg(tickDue).arg(frameDue)));
}

void TestTimerPhase::stoppedAndDeletedTimersAreLeftOut()
{
    QTimer stopped;
    stopped.setInterval(20);
    auto deleted = std::make_unique<QTimer>();
    deleted->setInterval(20);
    QTimer running;
    running.setInterval(20);

    quint64 before = TimerPhase::alignments();
    TimerPhase::start(&stopped);
    TimerPhase::start(deleted.get());
    TimerPhase::start(&running);
    waitForAlignment(before);

    stopped.stop();
    deleted.reset();
    before = TimerPhase::alignments();
    TimerPhase::alignSoon();
    waitForAlignment(before);

    // An alignment restarts only what runs, and does not touch a timer that is gone.
    QVERIFY(!stopped.isActive());
    QVERIFY(running.isActive());
}

void TestTimerPhase::requestsWithoutPauseNeverStarveATick()
{
    // A machine so loaded that every frame comes late asks for an alignment
    // on every frame. Each alignment restarts the tick; were they not spaced,
    // the tick would never come, and with it neither the alert.
    QTimer tick;
    tick.setInterval(20);
    int ticks = 0;
    connect(&tick, &QTimer::timeout, this, [&ticks] { ++ticks; });
    TimerPhase::start(&tick);

    QTimer lateFrames;
    lateFrames.setInterval(5);
    connect(&lateFrames, &QTimer::timeout, this, [] { TimerPhase::alignSoon(); });
    lateFrames.start();

    const quint64 before = TimerPhase::alignments();
    QTRY_VERIFY_WITH_TIMEOUT(ticks >= 100 && TimerPhase::alignments() >= before + 2, 20000);
}

QTEST_GUILESS_MAIN(TestTimerPhase)
#include "tst_timerphase.moc"
