#pragma once

#include "battery/IBatteryPlatform.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <memory>

class PowerSupplyPass;

// One battery entry of the kernel's power-supply class, read afresh on every
// call: a battery can be unplugged between two reports. While the reading pass
// that found it lasts, it reports what that pass read of it.
class LinuxBattery : public IPlatformBattery
{
public:
    LinuxBattery(QString root, QString name, std::weak_ptr<PowerSupplyPass> pass = {});

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
    // Only while the pass lasts; afterwards the battery reads afresh.
    std::weak_ptr<PowerSupplyPass> m_pass;
    // The entry's folder in the file system's encoding, as the reads take it.
    QByteArray m_folder;
};
