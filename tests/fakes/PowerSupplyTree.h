#pragma once

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QTemporaryDir>
#include <QtTest/QTest>

#include <cstdio>
#include <sys/stat.h>

// A power-supply class folder in a temporary directory, laid out as the
// kernel lays it out: each entry of class/power_supply is a symbolic link to
// the device's own folder, which holds the attribute files.
class PowerSupplyTree
{
public:
    using Attributes = QMap<QString, QByteArray>;

    PowerSupplyTree()
    {
        QDir(m_dir.path()).mkpath(QStringLiteral("class/power_supply"));
        QDir(m_dir.path()).mkpath(QStringLiteral("devices"));
    }

    QString root() const { return m_dir.path() + QStringLiteral("/class/power_supply"); }

    // Attribute names may hold a folder ("device/uid").
    void addEntry(const QString &name, const Attributes &attributes)
    {
        const QString device = m_dir.path() + QStringLiteral("/devices/") + name;
        QVERIFY(QDir().mkpath(device));
        QVERIFY(QFile::link(device, root() + QLatin1Char('/') + name));
        for (auto it = attributes.cbegin(); it != attributes.cend(); ++it)
            setAttribute(name, it.key(), it.value());
    }

    void setAttribute(const QString &name, const QString &attribute, const QByteArray &content)
    {
        const QString path = m_dir.path() + QStringLiteral("/devices/") + name + QLatin1Char('/') + attribute;
        QVERIFY(QDir().mkpath(QFileInfo(path).path()));
        // Replaced whole, so a program reading the tree meanwhile never sees
        // a half-written value.
        const QString staged = path + QStringLiteral(".new");
        QFile file(staged);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        QCOMPARE(file.write(content), qint64(content.size()));
        file.close();
        QCOMPARE(std::rename(QFile::encodeName(staged).constData(), QFile::encodeName(path).constData()), 0);
    }

    void removeAttribute(const QString &name, const QString &attribute)
    {
        QFile::remove(m_dir.path() + QStringLiteral("/devices/") + name + QLatin1Char('/') + attribute);
    }

    // An attribute that is no regular file: a FIFO (which blocks an ordinary
    // open until a writer comes), a folder, or a link to a device.
    enum class Odd { Fifo, Folder, ZeroDevice };
    void setOddAttribute(const QString &name, const QString &attribute, Odd kind)
    {
        const QString path = attributePath(name, attribute);
        QFile::remove(path);
        QVERIFY(QDir().mkpath(QFileInfo(path).path()));
        switch (kind) {
        case Odd::Fifo:
            QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
            break;
        case Odd::Folder:
            QVERIFY(QDir().mkdir(path));
            break;
        case Odd::ZeroDevice:
            QVERIFY(QFile::link(QStringLiteral("/dev/zero"), path));
            break;
        }
    }

    QString attributePath(const QString &name, const QString &attribute) const
    {
        return m_dir.path() + QStringLiteral("/devices/") + name + QLatin1Char('/') + attribute;
    }

    void removeEntry(const QString &name)
    {
        QVERIFY(QFile::remove(root() + QLatin1Char('/') + name));
        QVERIFY(QDir(m_dir.path() + QStringLiteral("/devices/") + name).removeRecursively());
    }

    // A battery that reports energy, in µWh, as most laptop batteries do.
    static Attributes energyBattery(
        const QByteArray &uid, const QByteArray &status, qint64 fullMicrowattHours, qint64 nowMicrowattHours)
    {
        Attributes attributes = batteryBase(uid, status);
        attributes.insert(QStringLiteral("energy_full"), QByteArray::number(fullMicrowattHours) + '\n');
        attributes.insert(QStringLiteral("energy_now"), QByteArray::number(nowMicrowattHours) + '\n');
        return attributes;
    }

    // A battery that reports charge, in µAh, with its design voltage in µV.
    static Attributes chargeBattery(const QByteArray &uid, const QByteArray &status, qint64 fullMicroampHours,
        qint64 nowMicroampHours, qint64 microvolts)
    {
        Attributes attributes = batteryBase(uid, status);
        attributes.insert(QStringLiteral("charge_full"), QByteArray::number(fullMicroampHours) + '\n');
        attributes.insert(QStringLiteral("charge_now"), QByteArray::number(nowMicroampHours) + '\n');
        attributes.insert(QStringLiteral("voltage_min_design"), QByteArray::number(microvolts) + '\n');
        return attributes;
    }

    // A battery with a status and no capacity files; a null uid leaves out device/uid.
    static Attributes batteryBase(const QByteArray &uid, const QByteArray &status)
    {
        Attributes attributes {{QStringLiteral("type"), "Battery\n"}, {QStringLiteral("present"), "1\n"},
            {QStringLiteral("status"), status + '\n'}};
        if (!uid.isNull())
            attributes.insert(QStringLiteral("device/uid"), uid + '\n');
        return attributes;
    }

    static Attributes supply(const QByteArray &type)
    {
        return {{QStringLiteral("type"), type + '\n'}, {QStringLiteral("online"), "1\n"}};
    }

private:
    QTemporaryDir m_dir;
};
