#include "Commands.h"
#include "ServeCommand.h"

#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
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
        return vrsim::runServe(arguments);
    return vrsim::runCommand(command, arguments);
}
