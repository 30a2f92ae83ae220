#include "ServeCommand.h"

#include "RuntimeServer.h"
#include "SignalWatcher.h"
#include "SocketPath.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>
#include <QTextStream>

#include <cmath>

namespace vrsim {

namespace {

bool parsePositive(const QString &text, bool allowZero, double *value)
{
    bool ok = false;
    const double parsed = text.toDouble(&ok);
    if (!ok || !std::isfinite(parsed) || parsed < 0 || (!allowZero && parsed == 0))
        return false;
    *value = parsed;
    return true;
}

// The argument as it was written, for the parser gives only the option's name.
QString writtenAs(const QStringList &arguments, const QString &name)
{
    for (const QString &argument : arguments) {
        if (argument.startsWith(QLatin1Char('-')) && argument.section(QLatin1Char('='), 0, 0).endsWith(name))
            return argument;
    }
    return name;
}

} // namespace

std::optional<ServeArguments> parseServeArguments(const QStringList &arguments, QString *error)
{
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption headless(QStringLiteral("headless"));
    const QCommandLineOption noHmd(QStringLiteral("no-hmd"));
    const QCommandLineOption state(QStringLiteral("state"), QString(), QStringLiteral("DIR"));
    const QCommandLineOption hz(QStringLiteral("hz"), QString(), QStringLiteral("F"));
    const QCommandLineOption photons(QStringLiteral("photons"), QString(), QStringLiteral("S"));
    parser.addOptions({headless, noHmd, state, hz, photons});
    // The parser skips the first argument as the program's name.
    if (!parser.parse(QStringList(QStringLiteral("serve")) + arguments)) {
        const QStringList unknown = parser.unknownOptionNames();
        *error = unknown.isEmpty() ? parser.errorText()
                                   : QStringLiteral("unexpected argument %1").arg(writtenAs(arguments, unknown[0]));
        return std::nullopt;
    }
    if (!parser.positionalArguments().isEmpty()) {
        *error = QStringLiteral("unexpected argument %1").arg(parser.positionalArguments()[0]);
        return std::nullopt;
    }
    ServeArguments parsed;
    parsed.headless = parser.isSet(headless);
    parsed.server.noHmd = parser.isSet(noHmd);
    if (parser.isSet(state))
        parsed.server.stateDir = QDir(parser.value(state)).absolutePath();
    if (parser.isSet(hz) && !parsePositive(parser.value(hz), false, &parsed.server.hz)) {
        *error = QStringLiteral("--hz wants a frequency above 0, not %1").arg(parser.value(hz));
        return std::nullopt;
    }
    if (parser.isSet(photons)
        && !parsePositive(parser.value(photons), true, &parsed.server.secondsFromVsyncToPhotons)) {
        *error = QStringLiteral("--photons wants seconds, 0 or more, not %1").arg(parser.value(photons));
        return std::nullopt;
    }
    return parsed;
}

int runServe(ServerOptions options, const ViewerOpener &openViewer)
{
    options.socketPath = QString::fromStdString(socketPath());
    options.defaultSocket = qEnvironmentVariableIsEmpty("VRSIM_SOCKET");
    if (options.stateDir.isEmpty()) {
        options.stateDir
            = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QStringLiteral("/vrsim");
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
    if (openViewer)
        viewer = openViewer(server.runtime());
    return QCoreApplication::exec();
}

} // namespace vrsim
