#include "VrsimHarness.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLocalSocket>
#include <QThread>

namespace {

QString vrsimPath()
{
    return QStringLiteral(VOLTARO_BIN_DIR "/vrsim");
}

} // namespace

VrsimHarness::VrsimHarness(Socket socket)
    : m_socket(socket)
{
    QDir(m_dir.path()).mkpath(QStringLiteral("runtime"));
    QDir(m_dir.path()).mkpath(QStringLiteral("config"));
    QFile::setPermissions(runtimeDir(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

VrsimHarness::~VrsimHarness()
{
    if (m_server && m_server->state() != QProcess::NotRunning && !stop())
        kill();
}

QString VrsimHarness::runtimeDir() const
{
    return m_dir.filePath(QStringLiteral("runtime"));
}

QString VrsimHarness::socketPath() const
{
    if (m_socket == Socket::Default)
        return runtimeDir() + QStringLiteral("/vrsim/runtime.sock");
    return m_dir.filePath(QStringLiteral("sock/runtime.sock"));
}

QString VrsimHarness::stateDir() const
{
    return m_dir.filePath(QStringLiteral("state"));
}

QString VrsimHarness::filePath(const QString &name) const
{
    return m_dir.filePath(name);
}

QProcessEnvironment VrsimHarness::environment() const
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtimeDir());
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), m_dir.filePath(QStringLiteral("config")));
    if (m_socket == Socket::Override)
        environment.insert(QStringLiteral("VRSIM_SOCKET"), socketPath());
    else
        environment.remove(QStringLiteral("VRSIM_SOCKET"));
    return environment;
}

void VrsimHarness::useInThisProcess() const
{
    if (m_socket == Socket::Override) {
        qputenv("VRSIM_SOCKET", QFile::encodeName(socketPath()));
    } else {
        qunsetenv("VRSIM_SOCKET");
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtimeDir()));
    }
}

bool VrsimHarness::start(const QStringList &extraArguments)
{
    return launch(QStringList {QStringLiteral("--headless")} + extraArguments, environment());
}

bool VrsimHarness::startWithViewer(const QProcessEnvironment &environment)
{
    return launch({}, environment);
}

bool VrsimHarness::launch(const QStringList &arguments, const QProcessEnvironment &environment)
{
    m_server = std::make_unique<QProcess>();
    m_server->setProcessEnvironment(environment);
    // The runtime's warnings belong in the test's log.
    m_server->setProcessChannelMode(QProcess::ForwardedChannels);
    m_server->start(
        vrsimPath(), QStringList {QStringLiteral("serve"), QStringLiteral("--state"), stateDir()} + arguments);
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

bool VrsimHarness::stop()
{
    if (!m_server || m_server->state() == QProcess::NotRunning)
        return true;
    run({QStringLiteral("stop")});
    return m_server->waitForFinished(10000) && m_server->exitStatus() == QProcess::NormalExit
        && m_server->exitCode() == 0;
}

void VrsimHarness::kill()
{
    if (!m_server)
        return;
    m_server->kill();
    m_server->waitForFinished(10000);
}

VrsimHarness::Result VrsimHarness::run(const QStringList &arguments, int timeoutMs) const
{
    QProcess process;
    process.setProcessEnvironment(environment());
    process.start(vrsimPath(), arguments);
    Result result;
    if (!process.waitForFinished(timeoutMs)) {
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

QJsonObject VrsimHarness::status() const
{
    const Result result = run({QStringLiteral("status")});
    if (result.exitCode != 0)
        return QJsonObject();
    return QJsonDocument::fromJson(result.out).object();
}

qint64 VrsimHarness::counter(const QString &name) const
{
    const Result result = run({QStringLiteral("counters")});
    if (result.exitCode != 0)
        return -1;
    return QJsonDocument::fromJson(result.out).object().value(name).toVariant().toLongLong();
}

QJsonObject VrsimHarness::overlay(const QString &key) const
{
    const QJsonArray overlays = status().value(QStringLiteral("overlays")).toArray();
    for (const QJsonValue &overlay : overlays) {
        if (overlay.toObject().value(QStringLiteral("key")).toString() == key)
            return overlay.toObject();
    }
    return QJsonObject();
}
