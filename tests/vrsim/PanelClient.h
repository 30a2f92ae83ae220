#pragma once

#include <QProcess>
#include <QSize>
#include <QStringList>

#include <functional>

// Drives one vrsim_panel_client. Its waits run the event loop, so a runtime living in the test's
// own process goes on serving meanwhile.
class PanelClient
{
public:
    explicit PanelClient(const QProcessEnvironment &environment);
    ~PanelClient();

    // Starts it and waits until its overlay is set up.
    bool start(const QString &key, const QSize &size, const QStringList &options = {});
    // Sends one stdin command and waits until the client has made the call.
    bool command(const QString &line);
    // The next mouse event it printed ("move X Y", "down B", "up B"), or empty after 10 s.
    QString nextEvent();

private:
    bool waitFor(const std::function<bool()> &condition);
    void readLines();

    QProcess m_process;
    QStringList m_events;
    int m_acknowledged = 0;
    bool m_ready = false;
};
