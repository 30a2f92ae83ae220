#pragma once

#include "battery/IBatteryPlatform.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

// One battery entry of the kernel's power-supply class, read afresh on every
// call: a battery can be unplugged between two reports.
class LinuxBattery : public IPlatformBattery
{
public:
    LinuxBattery(QString root, QString name);

    // \\?\ACPI#PNP0C0A#<uid>#<name>: the ACPI unique id lands at byte 17, where
    // the reading logic looks for its placement character, as it does in the
    // identifiers Windows gives the same batteries. Without a uid the
    // identifier has a fixed non-placing character there.
    std::string deviceId() override;
    BatteryReport report() override;

    // The entries under root whose type is Battery, in name order.
    static QStringList entryNames(const QString &root);
    static bool isBatteryEntry(const QString &root, const QString &name);

private:
    static bool isBatteryType(const QByteArray &typePath);

    QByteArray attributePath(const char *attribute) const;
    std::optional<QByteArray> readAttribute(const char *attribute) const;
    std::optional<int64_t> readCount(const char *attribute) const;
    BatteryStatus readStatus() const;
    std::optional<int32_t> fromChargeUnits(const char *chargeAttribute) const;

    QString m_name;
    // The entry's folder in the file system's encoding, as the reads take it.
    QByteArray m_folder;
};
