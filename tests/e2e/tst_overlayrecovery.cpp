#include "support/ProgramSession.h"

#include <QElapsedTimer>
#include <QImage>
#include <QJsonArray>
#include <QSaveFile>
#include <QtTest>

#include <functional>

namespace {

const QString hudKey = QStringLiteral("oxaAlertOverlay");
const QString dashboardKey = QStringLiteral("oxaDashboard");

int submits(const QJsonObject &panel)
{
    return panel.value(QStringLiteral("texture")).toObject().value(QStringLiteral("submits")).toInt();
}

bool near(double a, double b)
{
    return std::abs(a - b) < 1e-3;
}

// Where the dashboard's critical slider sits, in panel pixels (1920 x 945),
// and its handle for a value on its 10 to 60 range.
constexpr int criticalY = 313;
int criticalHandleX(int value)
{
    return static_cast<int>(1139.5 + (value - 10) * 53.8 / 5.0);
}

// What the program must have brought both overlays to, whatever the runtime
// refused on the way: empty when it has, else what is still wrong.
QString mismatch(const QJsonObject &status, bool hudShown)
{
    const QJsonObject hud = VrsimRuntime::overlayIn(status, hudKey);
    const QJsonObject panel = VrsimRuntime::overlayIn(status, dashboardKey);
    if (hud.isEmpty() || panel.isEmpty())
        return QStringLiteral("an overlay is missing");
    if (hud.value(QStringLiteral("visible")).toBool() != hudShown)
        return QStringLiteral("HUD visible is %1").arg(hud.value(QStringLiteral("visible")).toBool());
    if (hud.value(QStringLiteral("mouseScale")).toArray() != QJsonArray {1043, 537})
        return QStringLiteral("HUD mouse scale");
    if (!near(hud.value(QStringLiteral("widthInMeters")).toDouble(), 0.05))
        return QStringLiteral("HUD width");
    if (hud.value(QStringLiteral("alpha")).toDouble() != 1.0)
        return QStringLiteral("HUD alpha %1").arg(hud.value(QStringLiteral("alpha")).toDouble());
    if (panel.value(QStringLiteral("mouseScale")).toArray() != QJsonArray {1920, 945})
        return QStringLiteral("dashboard mouse scale");
    if (panel.value(QStringLiteral("widthInMeters")).toDouble() != 3.0)
        return QStringLiteral("dashboard width");
    if (panel.value(QStringLiteral("alpha")).toDouble() != 1.0)
        return QStringLiteral("dashboard alpha");
    if (panel.value(QStringLiteral("inputMethod")).toInt() != 1)
        return QStringLiteral("dashboard input method");
    if (!panel.value(QStringLiteral("thumbnail"))
             .toObject()
             .value(QStringLiteral("file"))
             .toString()
             .endsWith(QLatin1String("/Resources/LightningBolt.png")))
        return QStringLiteral("dashboard thumbnail");
    if (hudShown) {
        if (submits(hud) == 0)
            return QStringLiteral("no HUD texture");
        const QJsonValue transform = hud.value(QStringLiteral("transform"));
        if (transform.isNull())
            return QStringLiteral("no HUD transform");
        const QJsonArray matrix = transform.toObject().value(QStringLiteral("matrix")).toArray();
        if (!near(matrix.at(2).toArray().at(3).toDouble(), -0.2779))
            return QStringLiteral("HUD transform");
    }
    return {};
}

// Waits, with a deadline, for both overlays to be as asked; what is still
// wrong when it gives up.
QString waitForMatch(const VrsimRuntime &server, bool hudShown)
{
    QString wrong;
    QDeadlineTimer deadline(15000);
    do {
        wrong = mismatch(server.status(), hudShown);
        if (wrong.isEmpty())
            break;
        QTest::qWait(100);
    } while (!deadline.hasExpired());
    return wrong;
}

} // namespace

// The program against a real simulated runtime that refuses one call, at start
// or mid-run: every overlay still ends up as the program asked. And the time
// from a change to the picture in the runtime, with textures handed over only
// when the picture changed.
class TestOverlayRecovery : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void callRefusedOnce_data();
    void callRefusedOnce();

    void lowBatteryShowsTheHudWithItsBar();
    void stillPanelsAreSubmittedOnce();
    void sliderOnTheDashboardReachesTheAlert();
    void settingsFileEditedByHand_data();
    void settingsFileEditedByHand();
};

void TestOverlayRecovery::init()
{
    if (!VoltaroProcess::canMountFixtures())
        QSKIP("needs root for a private mount namespace over /sys/class/power_supply");
}

void TestOverlayRecovery::callRefusedOnce_data()
{
    QTest::addColumn<QString>("method");
    QTest::addColumn<bool>("atStart");
    // The HUD's state the case drives towards: hidden at the end of a warning
    // that went away, or shown for good.
    QTest::addColumn<bool>("hudShown");

    // Made once, at start.
    QTest::newRow("CreateOverlay at start") << "CreateOverlay" << true << true;
    QTest::newRow("CreateDashboardOverlay at start") << "CreateDashboardOverlay" << true << true;
    QTest::newRow("SetOverlayInputMethod at start") << "SetOverlayInputMethod" << true << false;
    QTest::newRow("SetOverlayFromFile at start") << "SetOverlayFromFile" << true << false;
    // Made on a change: at start for the first record, mid-run when the battery falls or recovers.
    for (const char *method : {"ShowOverlay", "SetOverlayTexture", "SetOverlayTransformTrackedDeviceRelative",
             "SetOverlayMouseScale", "SetOverlayWidthInMeters", "SetOverlayAlpha"}) {
        QTest::newRow(qPrintable(QStringLiteral("%1 at start").arg(QLatin1String(method)))) << method << true << true;
        QTest::newRow(qPrintable(QStringLiteral("%1 mid-run").arg(QLatin1String(method)))) << method << false << true;
    }
    QTest::newRow("HideOverlay at start") << "HideOverlay" << true << false;
    QTest::newRow("HideOverlay mid-run") << "HideOverlay" << false << false;
}

void TestOverlayRecovery::callRefusedOnce()
{
    QFETCH(QString, method);
    QFETCH(bool, atStart);
    QFETCH(bool, hudShown);

    // Hiding is a change only after a showing: start critical, then recover.
    const bool hideCase = method == QLatin1String("HideOverlay");
    ProgramSession session(80, hideCase && !atStart ? 15 : (atStart && hudShown ? 15 : 70), 90);
    QVERIFY(session.runtime.start());
    auto refuse = [&] {
        const auto result = session.runtime.run({QStringLiteral("fail"), method, QStringLiteral("23")});
        QVERIFY2(result.exitCode == 0, qPrintable(result.output()));
    };

    if (atStart)
        refuse();
    QVERIFY(session.startProgram());

    if (hideCase && !atStart) {
        QTRY_VERIFY_WITH_TIMEOUT(session.hud().value(QStringLiteral("visible")).toBool(), 10000);
        refuse();
        session.machine.setLeft(70);
    } else if (!atStart) {
        QCOMPARE(waitForMatch(session.runtime, false), QString());
        refuse();
        session.machine.setLeft(15);
    }

    const QString wrong = waitForMatch(session.runtime, hudShown);
    QVERIFY2(wrong.isEmpty(), qPrintable(wrong + QLatin1Char('\n') + session.program->output()));

    // The refusal was put right, and the log says so once.
    const QString settled = QStringLiteral("%1 failed 1 times in a row, now settled").arg(method);
    QTRY_VERIFY_WITH_TIMEOUT(session.program->output().contains(settled), 10000);
    QCOMPARE(session.program->output().count(settled), 1);
    QVERIFY(session.program->isRunning());
}

void TestOverlayRecovery::lowBatteryShowsTheHudWithItsBar()
{
    ProgramSession session(80, 70, 90);
    QVERIFY(session.start());
    QTest::qWait(500); // at rest for a moment

    // Reading, poll, render, submit: the bar the wearer sees is the new level.
    QElapsedTimer timer;
    timer.start();
    session.machine.setLeft(35);
    QTRY_VERIFY_WITH_TIMEOUT(session.hud().value(QStringLiteral("visible")).toBool(), 10000);
    const qint64 shownMs = timer.elapsed();
    QTRY_VERIFY_WITH_TIMEOUT(submits(session.hud()) > 0, 10000);
    qDebug() << "HUD shown" << shownMs << "ms after the battery file changed, texture in" << timer.elapsed() << "ms";

    const QImage alert = session.snapshot(hudKey);
    const QString problem = hudBarProblem(alert, 35);
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
}

void TestOverlayRecovery::stillPanelsAreSubmittedOnce()
{
    ProgramSession session(80, 15, 90);
    QVERIFY(session.start());
    QTRY_VERIFY_WITH_TIMEOUT(submits(session.hud()) > 0, 10000);
    QCOMPARE(session.runtime.run({QStringLiteral("dashboard"), QStringLiteral("open")}).exitCode, 0);
    QTRY_VERIFY_WITH_TIMEOUT(submits(session.dashboard()) > 0, 10000);

    // Both panels in view, nothing changing: a hundred ticks and no submit.
    QTest::qWait(500);
    const QJsonObject before = session.runtime.status();
    QTest::qWait(2000);
    const QJsonObject after = session.runtime.status();
    QCOMPARE(submits(VrsimRuntime::overlayIn(after, hudKey)), submits(VrsimRuntime::overlayIn(before, hudKey)));
    QCOMPARE(
        submits(VrsimRuntime::overlayIn(after, dashboardKey)), submits(VrsimRuntime::overlayIn(before, dashboardKey)));

    // A still panel still answers a snapshot, from the texture it last submitted.
    const QImage panel = session.snapshot(dashboardKey);
    QCOMPARE(panel.size(), QSize(1920, 945));
    const QColor left = panel.pixelColor(155, 555);
    QVERIFY2(left.red() > 200 && left.green() < 40, qPrintable(left.name()));
    QCOMPARE(session.snapshot(hudKey).size(), QSize(1043, 537));

    // A change is one new picture: submitted again.
    session.machine.setLeft(12);
    QTRY_VERIFY_WITH_TIMEOUT(
        submits(session.dashboard()) > submits(VrsimRuntime::overlayIn(after, dashboardKey)), 10000);
    QTRY_VERIFY_WITH_TIMEOUT(submits(session.hud()) > submits(VrsimRuntime::overlayIn(after, hudKey)), 10000);
}

void TestOverlayRecovery::sliderOnTheDashboardReachesTheAlert()
{
    ProgramSession session(80, 45, 90);
    QVERIFY(session.start());
    QCOMPARE(session.runtime.run({QStringLiteral("dashboard"), QStringLiteral("open")}).exitCode, 0);
    QTest::qWait(500);
    QVERIFY(!session.hud().value(QStringLiteral("visible")).toBool());

    // The critical handle dragged from 20 to 50 pulls the warning up with it:
    // 45 % is then critical, and the HUD shows for good.
    session.input({QStringLiteral("move"), QString::number(criticalHandleX(20)), QString::number(criticalY)});
    session.input({QStringLiteral("down"), QStringLiteral("left")});
    for (int value = 25; value <= 50; value += 5)
        session.input({QStringLiteral("move"), QString::number(criticalHandleX(value)), QString::number(criticalY)});
    QElapsedTimer timer;
    timer.start();
    session.input({QStringLiteral("up"), QStringLiteral("left")});
    QTRY_VERIFY_WITH_TIMEOUT(session.hud().value(QStringLiteral("visible")).toBool(), 10000);
    qDebug() << "HUD shown" << timer.elapsed() << "ms after the slider was let go";
}

void TestOverlayRecovery::settingsFileEditedByHand_data()
{
    QTest::addColumn<bool>("replaced");
    QTest::newRow("edited in place") << false;
    QTest::newRow("replaced, as editors save") << true;
}

void TestOverlayRecovery::settingsFileEditedByHand()
{
    QFETCH(bool, replaced);

    ProgramSession session(80, 45, 90);
    QVERIFY(session.start());
    QTest::qWait(500);
    QVERIFY(!session.hud().value(QStringLiteral("visible")).toBool());

    QFile current(session.runtime.settingsFile());
    QVERIFY(current.open(QIODevice::ReadOnly));
    QByteArray text = current.readAll();
    current.close();
    QVERIFY(text.contains("WarningThreshold=40"));
    text.replace("WarningThreshold=40", "WarningThreshold=50");

    QElapsedTimer timer;
    timer.start();
    if (replaced) {
        QSaveFile file(session.runtime.settingsFile());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(text);
        QVERIFY(file.commit());
    } else {
        QFile file(session.runtime.settingsFile());
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(text);
    }
    QTRY_VERIFY_WITH_TIMEOUT(session.hud().value(QStringLiteral("visible")).toBool(), 10000);
    qDebug() << "HUD shown" << timer.elapsed() << "ms after the settings file was written";
}

QTEST_GUILESS_MAIN(TestOverlayRecovery)
#include "tst_overlayrecovery.moc"
