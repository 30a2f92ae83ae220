#pragma once

#include "fakes/FakeBatteryModel.h"

#include <QElapsedTimer>
#include <QVector>
#include <QtTest>

#include <algorithm>
#include <memory>

// One of the program's QML windows (Window over its Model) polling a fake
// battery, opened anew for every case so that no timer or level carries over.
template<typename Window, typename Model>
class PolledWindowFixture
{
protected:
    // The old window goes before anything else changes (its timer stops with it).
    void closeWindow() { m_window.reset(); }
    void openWindow()
    {
        m_battery = std::make_shared<FakeBatteryModel>();
        m_window = std::make_unique<Window>(std::make_shared<Model>(), m_battery);
    }

    // The window reads its battery on a 20 ms timer: never faster than designed, though a
    // loaded machine may make it slower.
    void verifyReadsEveryTwentyMilliseconds()
    {
        QElapsedTimer clock;
        QVector<qint64> stamps;
        m_battery->onRead = [&] { stamps << clock.elapsed(); };
        clock.start();

        QTRY_VERIFY_WITH_TIMEOUT(stamps.size() >= 11, 5000);
        m_battery->onRead = nullptr;
        QVector<qint64> gaps;
        for (int i = 1; i < stamps.size(); ++i)
            gaps << stamps[i] - stamps[i - 1];
        std::sort(gaps.begin(), gaps.end());
        const qint64 median = gaps[gaps.size() / 2];
        qDebug() << "median gap between readings" << median << "ms";
        QVERIFY2(median >= 18, qPrintable(QStringLiteral("median gap %1 ms").arg(median)));
    }

    std::shared_ptr<FakeBatteryModel> m_battery;
    std::unique_ptr<Window> m_window;
};
