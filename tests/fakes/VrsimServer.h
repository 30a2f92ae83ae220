#pragma once

#include <QDeadlineTimer>
#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>
#include <QTemporaryDir>
#include <QThread>

// A simulated VR runtime of the test's own: `vrsim serve --headless` with its
// own state, config, data and runtime folders, so nothing on the machine (or
// another test) is shared. Stopped when the object goes.
class VrsimServer
{
public:
    explicit VrsimServer(const QStringList &serveArguments = {})
    {
        const QString root = m_dir.path();
        for (const char *sub : {"state", "config", "data", "runtime"})
            QDir(root).mkpath(QString::fromLatin1(sub));
        QFile::setPermissions(root + QStringLiteral("/runtime"),
            QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);

        m_env = QProcessEnvironment::systemEnvironment();
        m_env.insert(QStringLiteral("HOME"), root);
        m_env.insert(QStringLiteral("XDG_CONFIG_HOME"), root + QStringLiteral("/config"));
        m_env.insert(QStringLiteral("XDG_DATA_HOME"), root + QStringLiteral("/data"));
        m_env.insert(QStringLiteral("XDG_RUNTIME_DIR"), root + QStringLiteral("/runtime"));
        m_env.insert(QStringLiteral("VRSIM_SOCKET"), root + QStringLiteral("/runtime/vrsim.sock"));

        m_server.setProcessEnvironment(m_env);
        m_server.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        startServing(serveArguments);
    }

    ~VrsimServer() { stop(); }

    // Ends the runtime at once, as a crash does: no quit, no goodbye.
    void kill()
    {
        if (m_server.state() == QProcess::NotRunning)
            return;
        m_server.kill();
        m_server.waitForFinished(5000);
    }

    // Serves again over the same folders (registry, socket, runtime folder),
    // as a runtime started again on the same machine does.
    bool restart(const QStringList &serveArguments = {})
    {
        stop();
        startServing(serveArguments);
        return m_started;
    }

    qint64 pid() const { return m_server.processId(); }

    bool isReady() const { return m_started; }
    QString root() const { return m_dir.path(); }
    QProcessEnvironment environment() const { return m_env; }
    QString socketPath() const { return m_env.value(QStringLiteral("VRSIM_SOCKET")); }
    // Where the program's settings file lands for a child started with environment().
    QString settingsFile() const { return root() + QStringLiteral("/data/Tarvix/Voltaro/OxaSettings.ini"); }

    static QString binary(const QString &name) { return QStringLiteral(VOLTARO_BIN_DIR "/") + name; }

    struct Result
    {
        int exitCode = -1;
        bool finished = false;
        QString output; // stdout and stderr together
    };

    // Runs a command of the control CLI against this server.
    Result cli(const QStringList &arguments, int timeoutMs = 10000) const
    {
        return run(binary(QStringLiteral("vrsim")), arguments, timeoutMs);
    }

    QJsonObject status() const
    {
        const Result result = cli({QStringLiteral("status")});
        return QJsonDocument::fromJson(result.output.toUtf8()).object();
    }

    // Runs any program with this server's environment (plus `extra`).
    Result run(const QString &program, const QStringList &arguments, int timeoutMs = 20000,
        const QProcessEnvironment &extra = {}) const
    {
        QProcess process;
        QProcessEnvironment env = m_env;
        for (const QString &key : extra.keys())
            env.insert(key, extra.value(key));
        process.setProcessEnvironment(env);
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.start(program, arguments);
        Result result;
        if (!process.waitForStarted(5000))
            return result;
        result.finished = process.waitForFinished(timeoutMs);
        if (!result.finished) {
            process.kill();
            process.waitForFinished(2000);
        }
        result.exitCode = process.exitCode();
        result.output = QString::fromUtf8(process.readAll());
        return result;
    }

    void stop()
    {
        if (m_server.state() == QProcess::NotRunning)
            return;
        cli({QStringLiteral("stop")}, 3000);
        if (!m_server.waitForFinished(5000)) {
            m_server.kill();
            m_server.waitForFinished(2000);
        }
    }

private:
    void startServing(const QStringList &serveArguments)
    {
        m_server.start(binary(QStringLiteral("vrsim")),
            QStringList {QStringLiteral("serve"), QStringLiteral("--headless"), QStringLiteral("--state"),
                root() + QStringLiteral("/state")}
                + serveArguments);
        m_started = m_server.waitForStarted(5000) && waitUntilReady();
    }

    bool waitUntilReady()
    {
        QDeadlineTimer deadline(10000);
        while (!deadline.hasExpired()) {
            if (m_server.state() != QProcess::Running)
                return false;
            if (cli({QStringLiteral("status")}, 2000).exitCode == 0)
                return true;
            QThread::msleep(20);
        }
        return false;
    }

    QTemporaryDir m_dir;
    QProcessEnvironment m_env;
    QProcess m_server;
    bool m_started = false;
};
