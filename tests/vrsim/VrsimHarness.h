#pragma once

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

// A private vrsim runtime for one test: its own runtime, config and state folders and socket,
// a `vrsim serve --headless` child process, and the command line to drive it.
class VrsimHarness
{
public:
    struct Result
    {
        int exitCode = -1;
        QByteArray out;
        QByteArray err;
    };

    // Where the runtime listens: at VRSIM_SOCKET, or where it goes by default when that is unset.
    enum class Socket {
        Override,
        Default,
    };

    explicit VrsimHarness(Socket socket = Socket::Override);
    ~VrsimHarness();

    bool isValid() const { return m_dir.isValid(); }
    QString socketPath() const;
    QString stateDir() const;
    QString runtimeDir() const;
    QString filePath(const QString &name) const;
    QProcessEnvironment environment() const;

    // Points this process's client library at this runtime.
    void useInThisProcess() const;

    // Starts the runtime and waits until it accepts connections.
    bool start(const QStringList &extraArguments = {});
    // The same without --headless, in `environment` (environment() with changes, say to DISPLAY).
    bool startWithViewer(const QProcessEnvironment &environment);
    bool stop();
    void kill();
    QProcess *server() const { return m_server.get(); }

    Result run(const QStringList &arguments, int timeoutMs = 20000) const;
    QJsonObject status() const;
    // The overlay of that key in `vrsim status`, or an empty object.
    QJsonObject overlay(const QString &key) const;
    // One figure of `vrsim counters` ("applicationMessages", "framesReceived"), or -1.
    qint64 counter(const QString &name) const;

private:
    bool launch(const QStringList &arguments, const QProcessEnvironment &environment);

    QTemporaryDir m_dir;
    Socket m_socket;
    std::unique_ptr<QProcess> m_server;
};

// JSON in failure messages, compact.
namespace QTest {
template<>
inline char *toString(const QJsonObject &object)
{
    return qstrdup(QJsonDocument(object).toJson(QJsonDocument::Compact).constData());
}

template<>
inline char *toString(const QJsonArray &array)
{
    return qstrdup(QJsonDocument(array).toJson(QJsonDocument::Compact).constData());
}

template<>
inline char *toString(const QJsonValue &value)
{
    return qstrdup(QJsonDocument(QJsonArray {value}).toJson(QJsonDocument::Compact).constData());
}
} // namespace QTest
