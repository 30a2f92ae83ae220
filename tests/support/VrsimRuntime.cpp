#include "VrsimRuntime.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QLocalSocket>
#include <QThread>

namespace {

QJsonObject entryWithKey(const QJsonArray &entries, const QString &key)
{
    for (const QJsonValue &entry : entries) {
        if (entry.toObject().value(QStringLiteral("key")).toString() == key)
            return entry.toObject();
    }
    return QJsonObject();
}

} // namespace

VrsimRuntime::VrsimRuntime(Socket socket)
    : m_socket(socket)
{
    for (const char *sub : {"state", "config", "data", "runtime"})
        QDir(m_dir.path()).mkpath(QString::fromLatin1(sub));
    QFile::setPermissions(runtimeDir(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

VrsimRuntime::~VrsimRuntime()
{
    if (m_server && m_server->state() != QProcess::NotRunning && !stop())
        kill();
}

QString VrsimRuntime::filePath(const QString &name) const
{
    return m_dir.filePath(name);
}

QString VrsimRuntime::runtimeDir() const
{
    return m_dir.filePath(QStringLiteral("runtime"));
}

QString VrsimRuntime::socketPath() const
{
    if (m_socket == Socket::Default)
        return runtimeDir() + QStringLiteral("/vrsim/runtime.sock");
    return m_dir.filePath(QStringLiteral("sock/runtime.sock"));
}

QString VrsimRuntime::stateDir() const
{
    return m_dir.filePath(QStringLiteral("state"));
}

QString VrsimRuntime::settingsFile() const
{
    return m_dir.filePath(QStringLiteral("data/Tarvix/Voltaro/OxaSettings.ini"));
}

QProcessEnvironment VrsimRuntime::environment() const
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HOME"), m_dir.path());
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), m_dir.filePath(QStringLiteral("config")));
    environment.insert(QStringLiteral("XDG_DATA_HOME"), m_dir.filePath(QStringLiteral("data")));
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtimeDir());
    if (m_socket == Socket::Override)
        environment.insert(QStringLiteral("VRSIM_SOCKET"), socketPath());
    else
        environment.remove(QStringLiteral("VRSIM_SOCKET"));
    return environment;
}

QString VrsimRuntime::binary(const QString &name)
{
    return QStringLiteral(VOLTARO_BIN_DIR "/") + name;
}

void VrsimRuntime::useInThisProcess() const
{
    if (m_socket == Socket::Override) {
        qputenv("VRSIM_SOCKET", QFile::encodeName(socketPath()));
    } else {
        qunsetenv("VRSIM_SOCKET");
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtimeDir()));
    }
}

bool VrsimRuntime::start(const QStringList &extraArguments)
{
    return launch(QStringList {QStringLiteral("--headless")} + extraArguments, environment());
}

bool VrsimRuntime::startWithViewer(const QProcessEnvironment &environment)
{
    return launch({}, environment);
}

bool VrsimRuntime::restart(const QStringList &extraArguments)
{
    if (!stop())
        kill();
    return start(extraArguments);
}

bool VrsimRuntime::launch(const QStringList &arguments, const QProcessEnvironment &environment)
{
    m_server = std::make_unique<QProcess>();
    m_server->setProcessEnvironment(environment);
    // The runtime's warnings belong in the test's log.
    m_server->setProcessChannelMode(QProcess::ForwardedChannels);
    m_server->start(binary(QStringLiteral("vrsim")),
        QStringList {QStringLiteral("serve"), QStringLiteral("--state"), stateDir()} + arguments);
    if (!m_server->waitForStarted(10000))
        return false;
    const QDeadlineTimer deadline(15000);
    while (!deadline.hasExpired()) {
        if (m_server->state() != QProcess::Running)
            return false;
        QLocalSocket probe;
        probe.connectToServer(socketPath());
        if (probe.waitForConnected(200))
            return true;
        QThread::msleep(10);
    }
    return false;
}

bool VrsimRuntime::stop()
{
    if (!m_server || m_server->state() == QProcess::NotRunning)
        return true;
    run({QStringLiteral("stop")});
    return m_server->waitForFinished(10000) && m_server->exitStatus() == QProcess::NormalExit
        && m_server->exitCode() == 0;
}

void VrsimRuntime::kill()
{
    if (!m_server || m_server->state() == QProcess::NotRunning)
        return;
    m_server->kill();
    m_server->waitForFinished(10000);
}

VrsimRuntime::Result VrsimRuntime::run(const QStringList &arguments, int timeoutMs) const
{
    QProcess process;
    process.setProcessEnvironment(environment());
    process.start(binary(QStringLiteral("vrsim")), arguments);
    Result result;
    result.finished = process.waitForFinished(timeoutMs);
    if (!result.finished) {
        process.kill();
        process.waitForFinished();
        result.err = "vrsim did not finish in time";
        return result;
    }
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.out = process.readAllStandardOutput();
    result.err = process.readAllStandardError();
    return result;
}

VrsimRuntime::Result VrsimRuntime::runProgram(
    const QString &program, const QStringList &arguments, const QProcessEnvironment &environment, int timeoutMs)
{
    QProcess process;
    process.setProcessEnvironment(environment);
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
    if (result.finished && process.exitStatus() == QProcess::NormalExit)
        result.exitCode = process.exitCode();
    result.out = process.readAll();
    return result;
}

QJsonObject VrsimRuntime::status() const
{
    const Result result = run({QStringLiteral("status")});
    if (result.exitCode != 0)
        return QJsonObject();
    return QJsonDocument::fromJson(result.out).object();
}

qint64 VrsimRuntime::counter(const QString &name) const
{
    const Result result = run({QStringLiteral("counters")});
    if (result.exitCode != 0)
        return -1;
    return QJsonDocument::fromJson(result.out).object().value(name).toVariant().toLongLong();
}

QJsonObject VrsimRuntime::overlayIn(const QJsonObject &status, const QString &key)
{
    return entryWithKey(status.value(QStringLiteral("overlays")).toArray(), key);
}

QJsonObject VrsimRuntime::application(const QString &key) const
{
    return entryWithKey(status().value(QStringLiteral("apps")).toArray(), key);
}
