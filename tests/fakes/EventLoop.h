#pragma once

#include <QCoreApplication>
#include <QTimer>

// Runs the application's event loop until something asks it to return, as the
// program's own loop does, or until `timeoutMs` passes. True when it was asked.
inline bool runEventLoopUntilQuit(int timeoutMs)
{
    QTimer guard;
    guard.setSingleShot(true);
    bool timedOut = false;
    QObject::connect(&guard, &QTimer::timeout, [&timedOut] {
        timedOut = true;
        QCoreApplication::exit(1);
    });
    guard.start(timeoutMs);
    QCoreApplication::exec();
    return !timedOut;
}
