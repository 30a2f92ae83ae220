#pragma once

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

// A simulated VR runtime of the test's own: `vrsim serve` with its own home,
// state, config, data and runtime folders and socket, so nothing on the
// machine (or another test) is shared, and the command line to drive it.
// Stopped, or killed if it will not stop, when the object goes.
class VrsimRuntime
{
public:
    struct Result
    {
        // -1 when the process did not start, did not finish or crashed.
        int exitCode = -1;
        bool finished = false;
        QByteArray out;
        QByteArray err;
        // Both channels, for failure messages and for lines that may go to either.
        QString output() const { return QString::fromUtf8(out + err); }
    };

    // Where the runtime listens: at VRSIM_SOCKET, or where it goes by default when that is unset.
    enum class Socket {
        Override,
        Default,
    };

    // Makes the folders; the runtime itself starts with start().
    explicit VrsimRuntime(Socket socket = Socket::Override);
    ~VrsimRuntime();

    VrsimRuntime(const VrsimRuntime &) = delete;
    VrsimRuntime &operator=(const VrsimRuntime &) = delete;

    bool isValid() const { return m_dir.isValid(); }
    QString filePath(const QString &name) const;
    QString socketPath() const;
    QString stateDir() const;
    QString runtimeDir() const;
    // Where the program's settings file lands for a child started with environment().
    QString settingsFile() const;
    QProcessEnvironment environment() const;
    // A file in the program's folder: the program, its manifest, openvr_api and vrsim.
    static QString binary(const QString &name);

    // Points this process's client library at this runtime.
    void useInThisProcess() const;

    // Starts `vrsim serve --headless` and waits until it accepts connections.
    bool start(const QStringList &extraArguments = {});
    // The same without --headless, in `environment` (environment() with changes, say to DISPLAY).
    bool startWithViewer(const QProcessEnvironment &environment);
    // Serves again over the same folders (registry, socket, runtime folder), as a
    // runtime started again on the same machine does.
    bool restart(const QStringList &extraArguments = {});
    // Asks the runtime to stop; true when it ended cleanly.
    bool stop();
    // Ends the runtime at once, as a crash does: no quit, no goodbye.
    void kill();
    QProcess *server() const { return m_server.get(); }
    qint64 pid() const { return m_server ? m_server->processId() : 0; }

    // A command of the control CLI against this runtime.
    Result run(const QStringList &arguments, int timeoutMs = 20000) const;
    // Any program in `environment`, its two channels merged into `out` in the order written.
    static Result runProgram(const QString &program, const QStringList &arguments,
        const QProcessEnvironment &environment, int timeoutMs = 20000);

    // `vrsim status`, or an empty object when it fails.
    QJsonObject status() const;
    // The overlay of that key in `vrsim status`, or an empty object.
    QJsonObject overlay(const QString &key) const { return overlayIn(status(), key); }
    // The same in a status taken before.
    static QJsonObject overlayIn(const QJsonObject &status, const QString &key);
    // The registered application of that key in `vrsim status`, or an empty object.
    QJsonObject application(const QString &key) const;
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
