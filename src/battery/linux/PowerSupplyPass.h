#pragma once

#include "battery/IBatteryPlatform.h"

#include <QHash>
#include <QString>
#include <QStringList>

// What one reading pass has read of the power-supply class: the battery
// entries its enumeration found, and each battery's report, read the first
// time the pass asks for it. A pass asks for every battery twice, for the
// aggregate and for the battery itself; reading it once halves the pass's
// system calls and gives both the same answer.
class PowerSupplyPass
{
public:
    // Enumerates the battery entries under root.
    explicit PowerSupplyPass(QString root);

    // In name order.
    const QStringList &names() const { return m_names; }
    bool contains(const QString &name) const { return m_names.contains(name); }
    // As the battery was when this pass first asked.
    BatteryReport report(const QString &name);

private:
    QString m_root;
    QStringList m_names;
    QHash<QString, BatteryReport> m_reports;
};
