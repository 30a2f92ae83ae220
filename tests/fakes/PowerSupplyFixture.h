#pragma once

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>

// A kernel power-supply tree of three batteries (internal, left pack, right
// pack) in a temporary folder. Levels can be changed while a program reads it.
class PowerSupplyFixture
{
public:
    PowerSupplyFixture(int center, int left, int right)
    {
        addBattery(QStringLiteral("BAT0"), QStringLiteral("1"), center);
        addBattery(QStringLiteral("BAT1"), QStringLiteral("2"), left);
        addBattery(QStringLiteral("BAT2"), QStringLiteral("3"), right);
        QDir(path()).mkpath(QStringLiteral("AC"));
        write(QStringLiteral("AC/type"), "Mains\n");
        write(QStringLiteral("AC/online"), "1\n");
    }

    QString path() const { return m_dir.path(); }

    void setLevel(const QString &battery, int percent)
    {
        write(battery + QStringLiteral("/energy_now"), QByteArray::number(qint64(percent) * fullMicroWattHours / 100) + '\n');
    }
    void setCenter(int percent) { setLevel(QStringLiteral("BAT0"), percent); }
    void setLeft(int percent) { setLevel(QStringLiteral("BAT1"), percent); }
    void setRight(int percent) { setLevel(QStringLiteral("BAT2"), percent); }

    static constexpr qint64 fullMicroWattHours = 50000000;

private:
    void addBattery(const QString &name, const QString &uid, int percent)
    {
        QDir(path()).mkpath(name + QStringLiteral("/device"));
        write(name + QStringLiteral("/type"), "Battery\n");
        write(name + QStringLiteral("/present"), "1\n");
        write(name + QStringLiteral("/status"), "Discharging\n");
        write(name + QStringLiteral("/energy_full"), QByteArray::number(fullMicroWattHours) + '\n');
        write(name + QStringLiteral("/device/uid"), uid.toLatin1() + '\n');
        setLevel(name, percent);
    }

    void write(const QString &relative, const QByteArray &content)
    {
        // Replace the file whole, so a reader never sees it half written.
        const QString target = path() + QLatin1Char('/') + relative;
        const QString temporary = target + QStringLiteral(".new");
        QFile file(temporary);
        if (file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            file.write(content);
            file.close();
            ::rename(QFile::encodeName(temporary).constData(), QFile::encodeName(target).constData());
        }
    }

    QTemporaryDir m_dir;
};
