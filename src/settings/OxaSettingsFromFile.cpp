#include "settings/OxaSettingsFromFile.h"

#include "settings/SettingsKeys.h"

#include <QFileInfo>
#include <QStandardPaths>

QString OxaSettingsFromFile::filePath()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation) + QStringLiteral("/")
        + QString::fromLatin1(SettingsKeys::fileName);
}

OxaSettingsFromFile::OxaSettingsFromFile()
    : QSettings(filePath(), QSettings::IniFormat, nullptr)
{
    setFallbacksEnabled(false);

    // An existing file is the user's: never add to it or overwrite what is there.
    if (!QFileInfo(fileName()).isFile())
        writeDefaults();
}

void OxaSettingsFromFile::writeDefaults()
{
    for (std::size_t i = 0; i < SettingsKeys::count; ++i)
        setValue(QString::fromLatin1(SettingsKeys::keys[i]), QVariant(QString::fromLatin1(SettingsKeys::defaults[i])));
}
