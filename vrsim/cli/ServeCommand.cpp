#include "ServeCommand.h"

#include "RuntimeServer.h"
#include "ServerOptions.h"
#include "SignalWatcher.h"
#include "SocketPath.h"

#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>
#include <QTextStream>

#include <cmath>

namespace vrsim {

namespace {

int usageError(const QString &message)
{
    QTextStream(stderr) << "vrsim serve: " << message << '\n';
    return 2;
}

bool parsePositive(const QString &text, bool allowZero, double *value)
{
    bool ok = false;
    const double parsed = text.toDouble(&ok);
    if (!ok || !std::isfinite(parsed) || parsed < 0 || (!allowZero && parsed == 0))
        return false;
    *value = parsed;
    return true;
}

} // namespace

int runServe(const QStringList &arguments, const ViewerOpener &openViewer)
{
    ServerOptions options;
    options.socketPath = QString::fromStdString(socketPath());
    options.defaultSocket = qEnvironmentVariableIsEmpty("VRSIM_SOCKET");
    options.stateDir
        = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QStringLiteral("/vrsim");
    for (int i = 0; i < arguments.size(); ++i) {
        const QString &argument = arguments[i];
        const bool hasValue = i + 1 < arguments.size();
        if (argument == QLatin1String("--headless")) {
            options.headless = true;
        } else if (argument == QLatin1String("--no-hmd")) {
            options.noHmd = true;
        } else if (argument == QLatin1String("--state") && hasValue) {
            options.stateDir = QDir(arguments[++i]).absolutePath();
        } else if (argument == QLatin1String("--hz") && hasValue) {
            if (!parsePositive(arguments[++i], false, &options.hz))
                return usageError(QStringLiteral("--hz wants a frequency above 0, not %1").arg(arguments[i]));
        } else if (argument == QLatin1String("--photons") && hasValue) {
            if (!parsePositive(arguments[++i], true, &options.secondsFromVsyncToPhotons))
                return usageError(QStringLiteral("--photons wants seconds, 0 or more, not %1").arg(arguments[i]));
        } else {
            return usageError(QStringLiteral("unexpected argument %1").arg(argument));
        }
    }
    // Watching before listening: whoever sees the socket may already send a signal.
    SignalWatcher watcher;
    QObject::connect(&watcher, &SignalWatcher::terminationRequested, qApp, &QCoreApplication::quit);
    RuntimeServer server(options);
    QString error;
    if (!server.start(&error)) {
        QTextStream(stderr) << "vrsim serve: " << error << '\n';
        return 1;
    }
    QObject::connect(&server, &RuntimeServer::stopRequested, qApp, &QCoreApplication::quit, Qt::QueuedConnection);
    std::unique_ptr<QObject> viewer;
    if (!options.headless && openViewer)
        viewer = openViewer(server.runtime());
    return QCoreApplication::exec();
}

} // namespace vrsim
