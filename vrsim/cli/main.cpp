#include "Commands.h"
#include "ServeCommand.h"

#ifdef VRSIM_WITH_VIEWER
#include "DisplayProbe.h"
#include "ViewerWindow.h"

#include <QApplication>
#include <QGuiApplication>
#endif
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTextStream>

#include <memory>
#include <optional>

namespace {

#ifdef VRSIM_WITH_VIEWER
std::unique_ptr<QObject> openViewer(vrsim::Runtime &runtime)
{
    auto window = std::make_unique<vrsim::ViewerWindow>(runtime);
    window->show();
    return window;
}

QtMessageHandler g_previousHandler = nullptr;

// Qt's own account of a platform that would not start, which the fallback makes moot.
void dropPlatformMessages(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (type != QtFatalMsg && context.category && qstrncmp(context.category, "qt.qpa", 6) == 0)
        return;
    g_previousHandler(type, context, message);
}

// A display that answered the probe can still refuse the application's own connection a moment
// later (an X server that resets when its last client leaves does, for a while). Qt aborts
// the process when no platform starts, so offscreen stands behind the display's platform, and
// the runtime goes on serving without a window.
std::unique_ptr<QCoreApplication> openOnDisplay(int &argc, char *argv[])
{
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    qputenv("QT_QPA_PLATFORM", (platform.isEmpty() ? QByteArrayLiteral("xcb") : platform) + ";offscreen");
    g_previousHandler = qInstallMessageHandler(dropPlatformMessages);
    auto app = std::make_unique<QApplication>(argc, argv);
    qInstallMessageHandler(g_previousHandler);
    if (platform.isEmpty())
        qunsetenv("QT_QPA_PLATFORM");
    else
        qputenv("QT_QPA_PLATFORM", platform);
    return app;
}
#endif

// Which application object `serve` runs under, and whether it opens the viewer: decided here
// alone, before the object exists, since a GUI one without a display ends the process.
std::unique_ptr<QCoreApplication> serveApplication(
    const vrsim::ServeArguments &serve, int &argc, char *argv[], bool *withViewer)
{
    *withViewer = false;
    if (serve.headless)
        return std::make_unique<QCoreApplication>(argc, argv);
#ifdef VRSIM_WITH_VIEWER
    if (!vrsim::displayAvailable()) {
        QTextStream(stderr) << "vrsim serve: no display, so no viewer window\n";
        return std::make_unique<QCoreApplication>(argc, argv);
    }
    std::unique_ptr<QCoreApplication> app = openOnDisplay(argc, argv);
    *withViewer = QGuiApplication::platformName() != QLatin1String("offscreen");
    if (!*withViewer)
        QTextStream(stderr) << "vrsim serve: the display did not answer, so no viewer window\n";
    // Closing the viewer leaves the runtime serving; `vrsim stop` ends it.
    QApplication::setQuitOnLastWindowClosed(false);
    return app;
#else
    QTextStream(stderr) << "vrsim serve: built without the viewer, so no viewer window\n";
    return std::make_unique<QCoreApplication>(argc, argv);
#endif
}

int serve(int &argc, char *argv[], const QStringList &arguments)
{
    QString error;
    const std::optional<vrsim::ServeArguments> serve = vrsim::parseServeArguments(arguments, &error);
    if (!serve) {
        QTextStream(stderr) << "vrsim serve: " << error << '\n';
        return 2;
    }
    bool withViewer = false;
    const std::unique_ptr<QCoreApplication> app = serveApplication(*serve, argc, argv, &withViewer);
    QCoreApplication::setApplicationName(QStringLiteral("vrsim"));
#ifdef VRSIM_WITH_VIEWER
    if (withViewer)
        return vrsim::runServe(serve->server, openViewer);
#endif
    return vrsim::runServe(serve->server);
}

} // namespace

int main(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    QCommandLineParser parser;
    // Everything after the command is the command's own, negative numbers included.
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsPositionalArguments);
    const QCommandLineOption help(QStringList {QStringLiteral("h"), QStringLiteral("help")});
    parser.addOption(help);
    if (!parser.parse(arguments)) {
        QTextStream(stderr) << "vrsim: " << parser.errorText() << " (try vrsim --help)\n";
        return 2;
    }
    QStringList positional = parser.positionalArguments();
    if (parser.isSet(help) || positional.value(0) == QLatin1String("help")) {
        vrsim::printUsage();
        return 0;
    }
    if (positional.isEmpty()) {
        QTextStream(stderr) << "vrsim: no command given (try vrsim --help)\n";
        return 2;
    }
    const QString command = positional.takeFirst();
    if (command == QLatin1String("serve"))
        return serve(argc, argv, positional);
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("vrsim"));
    return vrsim::runCommand(command, positional);
}
