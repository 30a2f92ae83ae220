#pragma once

#include "support/VrsimRuntime.h"

#include <QProcess>
#include <QStringList>

#include <unistd.h>

// The real program, started against a test's own simulated runtime. Its
// batteries come from a fixture power-supply tree that is bind-mounted over
// /sys/class/power_supply in a private mount namespace, so the program reads
// them exactly as it reads a machine's own (it has no test switch).
class VoltaroProcess
{
public:
    VoltaroProcess(const VrsimRuntime &server, const QString &powerSupplyRoot, const QStringList &arguments = {})
    {
        m_process.setProcessEnvironment(server.environment());
        m_process.setProcessChannelMode(QProcess::MergedChannels);
        const QString script = QStringLiteral("mount --bind \"$0\" /sys/class/power_supply && exec \"$@\"");
        m_process.start(QStringLiteral("unshare"),
            QStringList {QStringLiteral("--mount"), QStringLiteral("--propagation"), QStringLiteral("private"),
                QStringLiteral("sh"), QStringLiteral("-c"), script, powerSupplyRoot,
                VrsimRuntime::binary(QStringLiteral("voltaro"))}
                + arguments);
        m_process.waitForStarted(5000);
    }

    ~VoltaroProcess()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
    }

    // A private mount namespace needs root (as CI has).
    static bool canMountFixtures() { return ::geteuid() == 0; }

    QProcess &process() { return m_process; }
    bool isRunning() const { return m_process.state() == QProcess::Running; }
    qint64 pid() const { return m_process.processId(); }

    QString output()
    {
        m_output += QString::fromUtf8(m_process.readAll());
        return m_output;
    }

    bool waitForExit(int timeoutMs)
    {
        const bool finished = m_process.state() == QProcess::NotRunning || m_process.waitForFinished(timeoutMs);
        output();
        return finished;
    }
    int exitCode() const { return m_process.exitCode(); }
    QProcess::ExitStatus exitStatus() const { return m_process.exitStatus(); }

private:
    QProcess m_process;
    QString m_output;
};
