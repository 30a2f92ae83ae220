#include "ProgramSession.h"

#include <QDeadlineTimer>
#include <QSettings>
#include <QtTest>

std::unique_ptr<VoltaroProcess> ProgramSession::launchProgram() const
{
    auto started = std::make_unique<VoltaroProcess>(runtime, machine.tree.root());
    const QDeadlineTimer deadline(30000);
    while (!deadline.hasExpired() && started->isRunning()) {
        const QJsonObject status = runtime.status();
        if (!VrsimRuntime::overlayIn(status, hudKey()).isEmpty()
            && !VrsimRuntime::overlayIn(status, dashboardKey()).isEmpty())
            return started;
        QTest::qWait(50);
    }
    qWarning().noquote() << started->output();
    return nullptr;
}

QImage ProgramSession::snapshot(const QString &key) const
{
    const QString file = runtime.filePath(key + QStringLiteral(".png"));
    const auto result
        = runtime.run({QStringLiteral("snapshot"), key, file, QStringLiteral("--timeout"), QStringLiteral("10")});
    if (result.exitCode != 0)
        qWarning().noquote() << result.output();
    return QImage(file).convertToFormat(QImage::Format_RGBA8888);
}

void ProgramSession::input(const QStringList &arguments) const
{
    const auto result = runtime.run(QStringList {QStringLiteral("input"), dashboardKey()} + arguments);
    QVERIFY2(result.exitCode == 0, qPrintable(result.output()));
}

void ProgramSession::click(int x, int y) const
{
    input({QStringLiteral("move"), QString::number(x), QString::number(y)});
    input({QStringLiteral("down"), QStringLiteral("left")});
    input({QStringLiteral("up"), QStringLiteral("left")});
}

QVariant ProgramSession::storedSetting(const QString &key) const
{
    return QSettings(runtime.settingsFile(), QSettings::IniFormat).value(key);
}
