#include "Commands.h"

#include "ControlClient.h"
#include "SocketPath.h"

#include <openvr.h>

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

struct Request
{
    Message message;
    int timeoutMs = kReplyTimeoutMs;
    QString outputFile;
};

Message requestFor(const QString &command, const QStringList &arguments, Request *request)
{
    if (command == QLatin1String("status")) {
        expectCount(arguments, 0, "status");
        return Message(MessageType::Status);
    }
    if (command == QLatin1String("snapshot")) {
        double seconds = 5.0;
        QStringList positional = arguments;
        const int option = positional.indexOf(QStringLiteral("--timeout"));
        if (option >= 0) {
            if (option + 1 >= positional.size())
                throw usage(QStringLiteral("--timeout wants seconds"));
            seconds = number(positional[option + 1], QStringLiteral("--timeout"));
            if (seconds < 0)
                throw usage(QStringLiteral("--timeout wants seconds, 0 or more"));
            positional.erase(positional.begin() + option, positional.begin() + option + 2);
        }
        expectCount(positional, 2, "snapshot KEY FILE.png [--timeout S]");
        const auto timeout = static_cast<int64_t>(seconds * 1000.0);
        request->timeoutMs = static_cast<int>(std::min<int64_t>(timeout + kReplyTimeoutMs, INT32_MAX));
        request->outputFile = positional[1];
        return Message(MessageType::Snapshot) << positional[0].toStdString() << timeout;
    }
    if (command == QLatin1String("input")) {
        if (arguments.size() < 2)
            throw usage(QStringLiteral("usage: vrsim input KEY move X Y | down BUTTON | up BUTTON"));
        Message input(MessageType::Input);
        input << arguments[0].toStdString();
        const QString &action = arguments[1];
        if (action == QLatin1String("move")) {
            expectCount(arguments, 4, "input KEY move X Y");
            input << static_cast<int64_t>(InputAction::Move) << number(arguments[2], QStringLiteral("X"))
                  << number(arguments[3], QStringLiteral("Y")) << 0;
            return input;
        }
        if (action != QLatin1String("down") && action != QLatin1String("up"))
            throw usage(QStringLiteral("input action must be move, down or up, not %1").arg(action));
        expectCount(arguments, 3, "input KEY down|up left|right|middle");
        int button = 0;
        if (arguments[2] == QLatin1String("left"))
            button = vr::VRMouseButton_Left;
        else if (arguments[2] == QLatin1String("right"))
            button = vr::VRMouseButton_Right;
        else if (arguments[2] == QLatin1String("middle"))
            button = vr::VRMouseButton_Middle;
        else
            throw usage(QStringLiteral("button must be left, right or middle, not %1").arg(arguments[2]));
        input << static_cast<int64_t>(action == QLatin1String("down") ? InputAction::Down : InputAction::Up) << 0.0
              << 0.0 << button;
        return input;
    }
    if (command == QLatin1String("dashboard")) {
        expectCount(arguments, 1, "dashboard open|close");
        if (arguments[0] != QLatin1String("open") && arguments[0] != QLatin1String("close"))
            throw usage(QStringLiteral("usage: vrsim dashboard open|close"));
        return Message(MessageType::Dashboard) << (arguments[0] == QLatin1String("open"));
    }
    if (command == QLatin1String("fail")) {
        QStringList positional = arguments;
        qint64 count = 1;
        const int option = positional.indexOf(QStringLiteral("--count"));
        if (option >= 0) {
            if (option + 1 >= positional.size())
                throw usage(QStringLiteral("--count wants a number"));
            count = integer(positional[option + 1], QStringLiteral("--count"));
            positional.erase(positional.begin() + option, positional.begin() + option + 2);
        }
        expectCount(positional, 2, "fail METHOD CODE [--count N]");
        return Message(MessageType::Fail)
            << positional[0].toStdString() << static_cast<int64_t>(integer(positional[1], QStringLiteral("CODE")))
            << static_cast<int64_t>(count);
    }
    if (command == QLatin1String("quit") || command == QLatin1String("stop") || command == QLatin1String("counters")) {
        expectCount(arguments, 0, command.toLatin1().constData());
        if (command == QLatin1String("quit"))
            return Message(MessageType::Quit);
        return Message(command == QLatin1String("stop") ? MessageType::Stop : MessageType::Counters);
    }
    throw usage(QStringLiteral("unknown command %1 (try vrsim --help)").arg(command));
}

void writeSnapshot(const Message &reply, const QString &file)
{
    MessageReader reader(reply);
    const int64_t width = reader.integer();
    const int64_t height = reader.integer();
    const Bytes &pixels = reader.bytes();
    if (!reader.ok() || width <= 0 || height <= 0 || pixels.size() != static_cast<size_t>(width * height * 4))
        throw CommandError {QStringLiteral("the runtime sent a malformed frame"), 1};
    const QImage image(pixels.data(), static_cast<int>(width), static_cast<int>(height), static_cast<int>(width * 4),
        QImage::Format_RGBA8888);
    if (!image.save(file, "PNG"))
        throw CommandError {QStringLiteral("cannot write %1").arg(file), 1};
}

} // namespace

int runCommand(const QString &command, const QStringList &arguments)
{
    try {
        Request request;
        request.message = requestFor(command, arguments, &request);
        ControlClient client;
        QString error;
        if (!client.connectToRuntime(QString::fromStdString(socketPath()), &error))
            throw CommandError {error, 1};
        const std::optional<Message> reply = client.request(request.message, request.timeoutMs, &error);
        if (!reply)
            throw CommandError {error, 1};
        if (request.message.type == MessageType::Snapshot) {
            writeSnapshot(*reply, request.outputFile);
        } else if (request.message.type == MessageType::Status || request.message.type == MessageType::Counters) {
            MessageReader reader(*reply);
            const Bytes &json = reader.bytes();
            QFile out;
            out.open(stdout, QIODevice::WriteOnly);
            out.write(reinterpret_cast<const char *>(json.data()), static_cast<qint64>(json.size()));
        }
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
