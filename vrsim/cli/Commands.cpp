#include "Commands.h"

#include "ControlClient.h"
#include "SocketPath.h"

#include <openvr.h>

#include <QCommandLineParser>
#include <QFile>
#include <QImage>
#include <QTextStream>

#include <cmath>

namespace vrsim {

namespace {

constexpr int kReplyTimeoutMs = 10000;

struct CommandError
{
    QString message;
    int exitCode;
};

CommandError usage(const QString &message)
{
    return {message, 2};
}

double number(const QString &text, const QString &what)
{
    bool ok = false;
    const double value = text.toDouble(&ok);
    if (!ok || !std::isfinite(value))
        throw usage(QStringLiteral("%1 must be a number, not %2").arg(what, text));
    return value;
}

qint64 integer(const QString &text, const QString &what)
{
    bool ok = false;
    const qint64 value = text.toLongLong(&ok);
    if (!ok)
        throw usage(QStringLiteral("%1 must be a whole number, not %2").arg(what, text));
    return value;
}

void expectCount(const QStringList &arguments, int count, const char *synopsis)
{
    if (arguments.size() != count)
        throw usage(QStringLiteral("usage: vrsim %1").arg(QLatin1String(synopsis)));
}

// One request and its reply; throws when there is no runtime, it refused or it did not answer.
template<class Request>
typename Request::Reply ask(const Request &request, int timeoutMs = kReplyTimeoutMs)
{
    ControlClient client;
    QString error;
    if (!client.connectToRuntime(QString::fromStdString(socketPath()), &error))
        throw CommandError {error, 1};
    std::optional<typename Request::Reply> reply = client.request(request, timeoutMs, &error);
    if (!reply)
        throw CommandError {error, 1};
    return std::move(*reply);
}

void printJson(const Bytes &json)
{
    QFile out;
    out.open(stdout, QIODevice::WriteOnly);
    out.write(reinterpret_cast<const char *>(json.data()), static_cast<qint64>(json.size()));
}

void snapshot(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption timeout(QStringLiteral("timeout"), QString(), QStringLiteral("S"), QStringLiteral("5"));
    parser.addOption(timeout);
    // The parser skips the first argument as the program's name.
    if (!parser.parse(QStringList(QStringLiteral("snapshot")) + arguments))
        throw usage(parser.errorText());
    const double seconds = number(parser.value(timeout), QStringLiteral("--timeout"));
    if (seconds < 0)
        throw usage(QStringLiteral("--timeout wants seconds, 0 or more"));
    const QStringList positional = parser.positionalArguments();
    expectCount(positional, 2, "snapshot KEY FILE.png [--timeout S]");
    msg::Snapshot request;
    request.key = positional[0].toStdString();
    request.timeoutMs = static_cast<int64_t>(seconds * 1000.0);
    const QString &file = positional[1];
    const msg::SnapshotReply reply
        = ask(request, static_cast<int>(std::min<int64_t>(request.timeoutMs + kReplyTimeoutMs, INT32_MAX)));
    if (reply.width <= 0 || reply.height <= 0
        || reply.pixels.size() != static_cast<size_t>(reply.width) * static_cast<size_t>(reply.height) * 4)
        throw CommandError {QStringLiteral("the runtime sent a malformed frame"), 1};
    const QImage image(reply.pixels.data(), reply.width, reply.height, reply.width * 4, QImage::Format_RGBA8888);
    if (!image.save(file, "PNG"))
        throw CommandError {QStringLiteral("cannot write %1").arg(file), 1};
}

msg::Input input(const QStringList &arguments)
{
    if (arguments.size() < 2)
        throw usage(QStringLiteral("usage: vrsim input KEY move X Y | down BUTTON | up BUTTON"));
    msg::Input request;
    request.key = arguments[0].toStdString();
    const QString &action = arguments[1];
    if (action == QLatin1String("move")) {
        expectCount(arguments, 4, "input KEY move X Y");
        request.action = InputAction::Move;
        request.x = number(arguments[2], QStringLiteral("X"));
        request.y = number(arguments[3], QStringLiteral("Y"));
        return request;
    }
    if (action != QLatin1String("down") && action != QLatin1String("up"))
        throw usage(QStringLiteral("input action must be move, down or up, not %1").arg(action));
    expectCount(arguments, 3, "input KEY down|up left|right|middle");
    if (arguments[2] == QLatin1String("left"))
        request.button = vr::VRMouseButton_Left;
    else if (arguments[2] == QLatin1String("right"))
        request.button = vr::VRMouseButton_Right;
    else if (arguments[2] == QLatin1String("middle"))
        request.button = vr::VRMouseButton_Middle;
    else
        throw usage(QStringLiteral("button must be left, right or middle, not %1").arg(arguments[2]));
    request.action = action == QLatin1String("down") ? InputAction::Down : InputAction::Up;
    return request;
}

// Read by hand: a code may be negative, and QCommandLineParser would take "-5" for an option.
msg::Fail fail(const QStringList &arguments)
{
    QStringList positional = arguments;
    msg::Fail request;
    request.count = 1;
    const int option = positional.indexOf(QStringLiteral("--count"));
    if (option >= 0) {
        if (option + 1 >= positional.size())
            throw usage(QStringLiteral("--count wants a number"));
        request.count = integer(positional[option + 1], QStringLiteral("--count"));
        positional.erase(positional.begin() + option, positional.begin() + option + 2);
    }
    expectCount(positional, 2, "fail METHOD CODE [--count N]");
    request.method = positional[0].toStdString();
    request.code = integer(positional[1], QStringLiteral("CODE"));
    return request;
}

void run(const QString &command, const QStringList &arguments)
{
    if (command == QLatin1String("status")) {
        expectCount(arguments, 0, "status");
        printJson(ask(msg::Status()).json);
    } else if (command == QLatin1String("counters")) {
        expectCount(arguments, 0, "counters");
        printJson(ask(msg::Counters()).json);
    } else if (command == QLatin1String("snapshot")) {
        snapshot(arguments);
    } else if (command == QLatin1String("input")) {
        ask(input(arguments));
    } else if (command == QLatin1String("dashboard")) {
        expectCount(arguments, 1, "dashboard open|close");
        if (arguments[0] != QLatin1String("open") && arguments[0] != QLatin1String("close"))
            throw usage(QStringLiteral("usage: vrsim dashboard open|close"));
        msg::Dashboard request;
        request.open = arguments[0] == QLatin1String("open");
        ask(request);
    } else if (command == QLatin1String("fail")) {
        ask(fail(arguments));
    } else if (command == QLatin1String("quit")) {
        expectCount(arguments, 0, "quit");
        ask(msg::Quit());
    } else if (command == QLatin1String("stop")) {
        expectCount(arguments, 0, "stop");
        ask(msg::Stop());
    } else {
        throw usage(QStringLiteral("unknown command %1 (try vrsim --help)").arg(command));
    }
}

} // namespace

int runCommand(const QString &command, const QStringList &arguments)
{
    try {
        run(command, arguments);
        return 0;
    } catch (const CommandError &error) {
        QTextStream(stderr) << "vrsim " << command << ": " << error.message << '\n';
        return error.exitCode;
    }
}

void printUsage()
{
    QTextStream(stdout) << "usage: vrsim COMMAND [ARGUMENTS]\n"
                           "\n"
                           "  serve [--headless] [--state DIR] [--hz F] [--photons S] [--no-hmd]\n"
                           "  status\n"
                           "  snapshot KEY FILE.png [--timeout S]\n"
                           "  input KEY move X Y\n"
                           "  input KEY down|up left|right|middle\n"
                           "  dashboard open|close\n"
                           "  quit\n"
                           "  fail METHOD CODE [--count N]\n"
                           "  stop\n"
                           "  counters\n";
}

} // namespace vrsim
