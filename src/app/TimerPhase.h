#pragma once

#include <QtGlobal>

class QTimer;

// Keeps the GUI thread's tick timers falling due together. Qt keeps a short
// timer's phase from the moment it was started, so timers on one cadence that
// were started at different moments each wake the thread once per period: the
// HUD's frame timer, started when the HUD appears, would add a wake to every
// 20 ms tick. Timers started here are restarted together once the current
// event-loop pass is over, so every timer due in that pass has fired first.
// Meant for timers of 20 ms and less, which Qt runs precisely: it moves
// longer ones by up to 5 % to fall in with whatever else is due.
class TimerPhase
{
public:
    // Restarting delays each timer's next tick by less than its interval; at
    // most one alignment per this long means no tick can be put off for good.
    static constexpr int minAlignmentGapMs = 1000;

    // Starts the timer now and aligns it with the others soon after.
    static void start(QTimer *timer);

    // Asks for the running timers to be restarted together after this pass.
    static void alignSoon();

    // Restarts every running timer that was ever started here, at one moment.
    static void align();

    // Counts the alignments, so a timer can tell its own restart from a late tick.
    static quint64 alignments();
};
