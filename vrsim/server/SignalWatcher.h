#pragma once

#include <QObject>

class QSocketNotifier;

namespace vrsim {

// Turns SIGINT and SIGTERM into a Qt signal, so the runtime ends through its event loop and
// removes its socket on the way out.
class SignalWatcher : public QObject
{
    Q_OBJECT

public:
    explicit SignalWatcher(QObject *parent = nullptr);
    ~SignalWatcher() override;

signals:
    void terminationRequested();

private:
    static void handleSignal(int signal);
    static int s_pipe[2];
    QSocketNotifier *m_notifier = nullptr;
};

} // namespace vrsim
