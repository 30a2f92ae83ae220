#pragma once

#include "fakes/TestEnvironment.h"
#include "settings/OxaSettingsFromFile.h"
#include "settings/Settings.h"

#include <QCoreApplication>
#include <QFile>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>

// Points the settings store at a throw-away home folder, so no test reads or
// writes the user's own file. Create one in initTestCase, before anything
// opens a store; it also creates the process's settings factory.
class IsolatedSettings
{
public:
    IsolatedSettings()
    {
        TestEnvironment::setProgramIdentity();
        if (!openSettings())
            createSettingsFactory();
    }

    bool isValid() const { return filePath().startsWith(m_environment.home()); }

    static QString filePath() { return OxaSettingsFromFile::filePath(); }

    // Starts over from the defaults: the next store opened writes them again.
    static void restoreDefaults()
    {
        QFile::remove(filePath());
        openSettings();
    }

    // One value as it stands in the file on disk, after whatever the program's
    // stores hold in memory has been written out.
    static QVariant valueOnDisk(const QString &key)
    {
        {
            QSettings flusher(filePath(), QSettings::IniFormat);
            flusher.sync();
        }
        // A second process would see exactly this; reading the text keeps
        // the in-memory copy that all stores share out of the answer.
        QFile file(filePath());
        if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
            return {};
        const QString section = key.section(QLatin1Char('/'), 0, 0);
        const QString name = key.section(QLatin1Char('/'), 1).replace(QLatin1Char('/'), QLatin1Char('\\'));
        QString current;
        while (!file.atEnd()) {
            const QString line = QString::fromUtf8(file.readLine()).trimmed();
            if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']')))
                current = line.mid(1, line.size() - 2);
            else if (current == section && line.section(QLatin1Char('='), 0, 0) == name)
                return line.section(QLatin1Char('='), 1);
        }
        return {};
    }

private:
    TestEnvironment m_environment;
};
