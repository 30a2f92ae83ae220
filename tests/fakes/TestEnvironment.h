#pragma once

#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <memory>

// Points every per-user folder of this process (and of any child it starts) at
// a fresh temporary home, so no test ever sees or touches the real settings.
class TestEnvironment
{
public:
    TestEnvironment()
        : m_home(std::make_unique<QTemporaryDir>())
    {
        QStandardPaths::setTestModeEnabled(true);
        const QString root = m_home->path();
        for (const char *sub : {"config", "data", "cache", "runtime"})
            QDir(root).mkpath(QString::fromLatin1(sub));
        QFile::setPermissions(root + QStringLiteral("/runtime"),
            QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        qputenv("HOME", root.toLocal8Bit());
        qputenv("XDG_CONFIG_HOME", (root + QStringLiteral("/config")).toLocal8Bit());
        qputenv("XDG_DATA_HOME", (root + QStringLiteral("/data")).toLocal8Bit());
        qputenv("XDG_CACHE_HOME", (root + QStringLiteral("/cache")).toLocal8Bit());
        qputenv("XDG_RUNTIME_DIR", (root + QStringLiteral("/runtime")).toLocal8Bit());
    }

    QString home() const { return m_home->path(); }

    // Where the program's settings file lands for the organisation and
    // application names set on QCoreApplication.
    static QString settingsFile()
    {
        return QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation)
            + QStringLiteral("/OxaSettings.ini");
    }

    static void setProgramIdentity()
    {
        QCoreApplication::setOrganizationName(QStringLiteral("Tarvix"));
        QCoreApplication::setApplicationName(QStringLiteral("Voltaro"));
    }

private:
    std::unique_ptr<QTemporaryDir> m_home;
};
