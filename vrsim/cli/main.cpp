#include "Commands.h"
#include "ServeCommand.h"

#ifdef VRSIM_WITH_VIEWER
#include "DisplayProbe.h"
#include "ViewerWindow.h"

#include <QApplication>
#include <QGuiApplication>
#endif
#include <QCoreApplication>
#include <QTextStream>

#include <memory>

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

} // namespace

int main(int argc, char *argv[])
{
    // Decided before the application exists: a GUI one without a display ends the process.
    bool withViewer = false;
    const auto headless = [&] {
        for (int i = 2; i < argc; ++i) {
            if (qstrcmp(argv[i], "--headless") == 0)
                return true;
        }
        return false;
    };
    if (argc > 1 && qstrcmp(argv[1], "serve") == 0 && !headless()) {
#ifdef VRSIM_WITH_VIEWER
        withViewer = vrsim::displayAvailable();
        if (!withViewer)
            QTextStream(stderr) << "vrsim serve: no display, so no viewer window\n";
#else
        QTextStream(stderr) << "vrsim serve: built without the viewer, so no viewer window\n";
#endif
    }
    std::unique_ptr<QCoreApplication> app;
#ifdef VRSIM_WITH_VIEWER
    if (withViewer) {
        app = openOnDisplay(argc, argv);
        withViewer = QGuiApplication::platformName() != QLatin1String("offscreen");
        if (!withViewer)
            QTextStream(stderr) << "vrsim serve: the display did not answer, so no viewer window\n";
        // Closing the viewer leaves the runtime serving; `vrsim stop` ends it.
        QApplication::setQuitOnLastWindowClosed(false);
    }
#endif
    if (!app)
        app = std::make_unique<QCoreApplication>(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("vrsim"));
    QStringList arguments = QCoreApplication::arguments().mid(1);
    if (arguments.isEmpty()) {
        QTextStream(stderr) << "vrsim: no command given (try vrsim --help)\n";
        return 2;
    }
    const QString command = arguments.takeFirst();
    if (command == QLatin1String("--help") || command == QLatin1String("-h") || command == QLatin1String("help")) {
        vrsim::printUsage();
        return 0;
    }
    if (command == QLatin1String("serve"))
#ifdef VRSIM_WITH_VIEWER
        return vrsim::runServe(arguments, withViewer ? vrsim::ViewerOpener(openViewer) : vrsim::ViewerOpener());
#else
        return vrsim::runServe(arguments);
#endif
    return vrsim::runCommand(command, arguments);
}
