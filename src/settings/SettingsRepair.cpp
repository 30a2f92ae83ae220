#include "settings/SettingsRepair.h"

#include "settings/SettingsKeys.h"

#include <QDebug>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStringList>

namespace {

QString backupPath(const QString &filePath)
{
    return filePath + QStringLiteral(".bak");
}

// A copy of what the user had, before the settings library rewrites it.
void backUp(const QString &filePath)
{
    const QFileInfo info(filePath);
    if (!info.isFile() || info.size() == 0)
        return;
    const QString backup = backupPath(filePath);
    if (QFileInfo::exists(backup) && !QFile::remove(backup)) {
        qWarning() << "Could not replace the settings backup" << backup;
        return;
    }
    if (!QFile::copy(filePath, backup))
        qWarning() << "Could not back up the settings file to" << backup;
}

} // namespace

int fillMissingSettings(QSettings &store)
{
    QStringList missing;
    QStringList defaults;
    for (std::size_t i = 0; i < SettingsKeys::count; ++i) {
        const QString key = QString::fromLatin1(SettingsKeys::keys[i]);
        if (!store.contains(key)) {
            missing.append(key);
            defaults.append(QString::fromLatin1(SettingsKeys::defaults[i]));
        }
    }
    if (missing.isEmpty())
        return 0;

    // Only the file's own content is worth keeping: a store over a file that
    // does not exist yet already holds every default and never gets here.
    backUp(store.fileName());
    qWarning().nospace() << "Settings file lacked " << missing.size() << " of " << SettingsKeys::count
                         << " keys; writing their defaults";
    for (int i = 0; i < missing.size(); ++i)
        store.setValue(missing.at(i), QVariant(defaults.at(i)));
    return missing.size();
}
