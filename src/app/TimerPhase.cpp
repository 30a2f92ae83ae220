#include "app/TimerPhase.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QTimer>

#include <algorithm>
#include <vector>

namespace {

// Only the GUI thread starts these timers, and it has one list of timers, so
// one group serves the process.
struct Group
{
    std::vector<QPointer<QTimer>> members;
    QElapsedTimer sinceAlignment;
    quint64 alignments = 0;
    bool pending = false;
};

Group &group()
{
    static Group instance;
    return instance;
}

} // namespace

void TimerPhase::start(QTimer *timer)
{
    if (!timer)
        return;
    timer->start();

    std::vector<QPointer<QTimer>> &members = group().members;
    members.erase(std::remove_if(members.begin(), members.end(), [](const QPointer<QTimer> &t) { return t.isNull(); }),
        members.end());
    if (std::find(members.begin(), members.end(), timer) == members.end())
        members.emplace_back(timer);
    alignSoon();
}

void TimerPhase::alignSoon()
{
    Group &g = group();
    if (g.pending)
        return;
    g.pending = true;
    // Restarting at once would push back the members still due in this pass.
    const qint64 wait = g.sinceAlignment.isValid() ? minAlignmentGapMs - g.sinceAlignment.elapsed() : 0;
    QTimer::singleShot(static_cast<int>(std::max<qint64>(wait, 0)), Qt::PreciseTimer, [] { align(); });
}

void TimerPhase::align()
{
    Group &g = group();
    g.pending = false;
    g.sinceAlignment.start();
    ++g.alignments;
    for (const QPointer<QTimer> &timer : g.members) {
        if (timer && timer->isActive())
            timer->start();
    }
}

quint64 TimerPhase::alignments()
{
    return group().alignments;
}
