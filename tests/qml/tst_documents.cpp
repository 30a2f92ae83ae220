#include "fakes/FakeBatteryModel.h"
#include "fakes/IsolatedSettings.h"
#include "fakes/ItemTree.h"
#include "fakes/MessageCatcher.h"
#include "fakes/RecordingDashboard.h"
#include "qml/QmlBatteryAlert.h"
#include "qml/QmlBatteryAlertModel.h"
#include "qml/QmlBatteryDashboardModel.h"

#include <QDirIterator>
#include <QDomDocument>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickStyle>
#include <QResource>
#include <QtTest>

#include <memory>

// The resource tree and the two panel documents, loaded in hidden windows.
// Pixels and pointer input are checked by the render tests.
class TestDocuments : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void resourceEntries_data();
    void resourceEntries();
    void resourceTreeHoldsNothingElse();
    void silhouettesAreSingleEvenOddPaths_data();
    void silhouettesAreSingleEvenOddPaths();
    void alertPictureLeavesTheBarAreaClear();

    void qmllintFindsNothing_data();
    void qmllintFindsNothing();
    void documentsLoadAndRunWithoutWarnings_data();
    void documentsLoadAndRunWithoutWarnings();

    void percentToColor_data();
    void percentToColor();
    void timeSecondsToString_data();
    void timeSecondsToString();

    void dashboardStartsFromTheSettings_data();
    void dashboardStartsFromTheSettings();
    void dashboardShowsNewBatteryLevels();
    void dashboardFollowsUpdateSettingsWithoutReporting();
    void alertShowsNewBatteryLevel();

private:
    struct Dashboard
    {
        std::shared_ptr<FakeBatteryModel> battery = std::make_shared<FakeBatteryModel>();
        std::unique_ptr<RecordingDashboard> window;
        QQuickItem *root = nullptr;
        QObject *item(const char *name) const { return findItem(root, QString::fromLatin1(name)); }
    };
    struct Alert
    {
        std::shared_ptr<FakeBatteryModel> battery = std::make_shared<FakeBatteryModel>();
        std::unique_ptr<QmlBatteryAlert> window;
        QQuickItem *root = nullptr;
    };
    static std::unique_ptr<Dashboard> loadDashboard();
    static std::unique_ptr<Alert> loadAlert();

    std::unique_ptr<IsolatedSettings> m_settings;
};

std::unique_ptr<TestDocuments::Dashboard> TestDocuments::loadDashboard()
{
    auto dashboard = std::make_unique<Dashboard>();
    dashboard->battery->setLevels(3, 74, 6);
    dashboard->window
        = std::make_unique<RecordingDashboard>(std::make_shared<QmlBatteryDashboardModel>(), dashboard->battery);
    dashboard->window->load();
    dashboard->root = dashboard->window->rootItem();
    return dashboard;
}

std::unique_ptr<TestDocuments::Alert> TestDocuments::loadAlert()
{
    auto alert = std::make_unique<Alert>();
    alert->battery->setLevels(30, 30, 30);
    alert->window = std::make_unique<QmlBatteryAlert>(std::make_shared<QmlBatteryAlertModel>(), alert->battery);
    alert->window->load();
    alert->root = alert->window->rootItem();
    return alert;
}

void TestDocuments::initTestCase()
{
    m_settings = std::make_unique<IsolatedSettings>();
    QVERIFY(m_settings->isValid());
    QQuickStyle::setStyle(QStringLiteral("Material"));
}

void TestDocuments::init()
{
    IsolatedSettings::restoreDefaults();
}

namespace {
struct ResourceEntry
{
    const char *name;
    const char *path;
    QSize pixels;
    bool compressed;
};

// The whole tree. Nothing in the test registers it: it is there before main runs.
const ResourceEntry resourceTree[] = {
    {"alert document", ":/oxa/Resources/main/AlertOverlay.qml", {}, false},
    {"dashboard document", ":/oxa/Resources/main/DashboardOverlay.qml", {}, true},
    {"threshold group", ":/oxa/Resources/main/ThresholdGroup.qml", {}, false},
    {"square corners", ":/oxa/Resources/main/SquareCorners.qml", {}, false},
    {"level colours", ":/oxa/Resources/main/BatteryLevel.js", {}, false},
    {"alert battery", ":/oxa/Resources/AlertBattery.png", {1043, 537}, false},
    {"internal silhouette", ":/oxa/Resources/InternalBatteryIconBackground.svg", {}, false},
    {"external silhouette", ":/oxa/Resources/ExternalBatteryIconBackground.svg", {}, false},
    {"internal raster", ":/oxa/Resources/InternalBatteryIconBackground.png", {638, 866}, false},
    {"external raster", ":/oxa/Resources/ExternalBatteryIconBackground.png", {413, 460}, false},
    {"alert fill", ":/oxa/Resources/AlertBatteryFill.png", {646, 237}, false},
    {"battery critical", ":/oxa/Resources/battery_critical.png", {200, 100}, false},
    {"bolt raster", ":/oxa/Resources/LightningBolt.png", {300, 300}, false},
    {"bolt vector", ":/oxa/Resources/LightningBolt.svg", {}, false},
};
} // namespace

void TestDocuments::resourceEntries_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QSize>("pixels");
    QTest::addColumn<bool>("compressed");

    for (const ResourceEntry &entry : resourceTree)
        QTest::newRow(entry.name) << QString::fromLatin1(entry.path) << entry.pixels << entry.compressed;
}

void TestDocuments::resourceEntries()
{
    QFETCH(QString, path);
    QFETCH(QSize, pixels);
    QFETCH(bool, compressed);

    QResource resource(path);
    QVERIFY2(resource.isValid(), qPrintable(path));
    QCOMPARE(resource.compressionAlgorithm(), compressed ? QResource::ZlibCompression : QResource::NoCompression);

    if (pixels.isValid()) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray header = file.read(26);
        QVERIFY(header.startsWith("\x89PNG"));
        QCOMPARE(int(quint8(header[24])), 8); // bits per channel
        QCOMPARE(int(quint8(header[25])), 6); // RGBA
        QCOMPARE(QImage(path).size(), pixels);
    }
}

void TestDocuments::resourceTreeHoldsNothingElse()
{
    QStringList expected;
    for (const ResourceEntry &entry : resourceTree)
        expected << QString::fromLatin1(entry.path);
    QStringList found;
    QDirIterator files(QStringLiteral(":/oxa"), QDir::Files, QDirIterator::Subdirectories);
    while (files.hasNext())
        found << files.next();
    expected.sort();
    found.sort();
    QCOMPARE(found, expected);
}

void TestDocuments::silhouettesAreSingleEvenOddPaths_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("viewBox");
    QTest::addColumn<QString>("shape");
    QTest::addColumn<QString>("fill");

    QTest::newRow("internal") << ":/oxa/Resources/InternalBatteryIconBackground.svg"
                              << "0 0 152.83 207.7"
                              << "path"
                              << "#FFFFFF";
    QTest::newRow("external") << ":/oxa/Resources/ExternalBatteryIconBackground.svg"
                              << "0 0 99 110.37"
                              << "path"
                              << "#FFFFFF";
    QTest::newRow("bolt") << ":/oxa/Resources/LightningBolt.svg"
                          << "0 0 35 56"
                          << "polygon"
                          << "#00c4ff";
}

void TestDocuments::silhouettesAreSingleEvenOddPaths()
{
    QFETCH(QString, path);
    QFETCH(QString, viewBox);
    QFETCH(QString, shape);
    QFETCH(QString, fill);

    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QDomDocument svg;
    QVERIFY(svg.setContent(&file));
    const QDomElement root = svg.documentElement();
    QCOMPARE(root.attribute(QStringLiteral("viewBox")), viewBox);

    int shapes = 0;
    for (QDomElement child = root.firstChildElement(); !child.isNull(); child = child.nextSiblingElement()) {
        ++shapes;
        QCOMPARE(child.tagName(), shape);
        QCOMPARE(child.attribute(QStringLiteral("fill")), fill);
        if (shape == QLatin1String("path")) {
            QCOMPARE(child.attribute(QStringLiteral("fill-rule")), QStringLiteral("evenodd"));
            // One outline: a second subpath would punch a hole into the gauge.
            QCOMPARE(child.attribute(QStringLiteral("d")).count(QLatin1Char('M')), 1);
        }
    }
    QCOMPARE(shapes, 1);
}

void TestDocuments::alertPictureLeavesTheBarAreaClear()
{
    const QImage picture
        = QImage(QStringLiteral(":/oxa/Resources/AlertBattery.png")).convertToFormat(QImage::Format_ARGB32);
    const QRgb navy = qRgb(0x04, 0x19, 0x28);
    const QRgb steel = qRgb(0x43, 0x7f, 0x9d);

    // The bar is drawn into this area and must show through untouched.
    for (int y = 150; y < 387; ++y) {
        for (int x = 150; x < 793; ++x)
            QVERIFY2(qAlpha(picture.pixel(x, y)) == 0, qPrintable(QStringLiteral("%1,%2").arg(x).arg(y)));
    }
    QCOMPARE(qAlpha(picture.pixel(478, 268)), 0);

    const struct
    {
        int x, y;
        QRgb colour;
    } samples[] = {
        {8, 268, steel}, // outer outline, left
        {475, 8, steel}, // outer outline, top
        {40, 268, navy}, // body
        {83, 268, steel}, // inner ring, left
        {873, 268, steel}, // inner ring, right
        {910, 268, navy}, // body, right of the ring
        {942, 268, steel}, // outline between body and nub
        {1035, 268, steel}, // nub outline
        {990, 268, navy}, // nub body
    };
    for (const auto &sample : samples) {
        const QRgb pixel = picture.pixel(sample.x, sample.y);
        QVERIFY2(pixel == (sample.colour | 0xff000000u),
            qPrintable(QStringLiteral("%1,%2 is %3").arg(sample.x).arg(sample.y).arg(pixel, 8, 16)));
    }
    // Outside the battery's outline: the corners and beside the nub.
    for (const QPoint &outside : {QPoint(0, 0), QPoint(3, 533), QPoint(1000, 100), QPoint(1040, 400), QPoint(955, 20)})
        QCOMPARE(qAlpha(picture.pixel(outside)), 0);
}

void TestDocuments::qmllintFindsNothing_data()
{
    QTest::addColumn<QString>("document");
    QTest::newRow("dashboard") << QStringLiteral(VOLTARO_SOURCE_DIR "/src/Resources/main/DashboardOverlay.qml");
    QTest::newRow("alert") << QStringLiteral(VOLTARO_SOURCE_DIR "/src/Resources/main/AlertOverlay.qml");
    QTest::newRow("threshold group") << QStringLiteral(VOLTARO_SOURCE_DIR "/src/Resources/main/ThresholdGroup.qml");
    QTest::newRow("square corners") << QStringLiteral(VOLTARO_SOURCE_DIR "/src/Resources/main/SquareCorners.qml");
    QTest::newRow("level colours") << QStringLiteral(VOLTARO_SOURCE_DIR "/src/Resources/main/BatteryLevel.js");
}

void TestDocuments::qmllintFindsNothing()
{
    QFETCH(QString, document);
    const QString qmllint = QStringLiteral(VOLTARO_QMLLINT);
    if (qmllint.isEmpty())
        QSKIP("qmllint is not installed");

    QProcess lint;
    lint.setProcessChannelMode(QProcess::MergedChannels);
    lint.start(qmllint, {document});
    QVERIFY(lint.waitForFinished(30000));
    const QByteArray output = lint.readAll();
    QVERIFY2(lint.exitCode() == 0 && output.trimmed().isEmpty(), output.constData());
}

void TestDocuments::documentsLoadAndRunWithoutWarnings_data()
{
    QTest::addColumn<bool>("dashboard");
    QTest::newRow("dashboard") << true;
    QTest::newRow("alert") << false;
}

void TestDocuments::documentsLoadAndRunWithoutWarnings()
{
    QFETCH(bool, dashboard);

    MessageCatcher catcher;
    std::unique_ptr<Dashboard> dashboardPanel;
    std::unique_ptr<Alert> alertPanel;
    QQuickWindow *window = nullptr;
    if (dashboard) {
        dashboardPanel = loadDashboard();
        window = dashboardPanel->window.get();
    } else {
        alertPanel = loadAlert();
        window = alertPanel->window.get();
    }
    QVERIFY(window);

    // Let new levels reach the document a few times: handlers run then. The
    // window sends only levels that changed, so each round changes them; the
    // first levels came with the load.
    QSignalSpy polls(window, dashboard ? SIGNAL(newBatteryLevels(int, int, int, int)) : SIGNAL(newBatteryLevel(int)));
    FakeBatteryModel &battery = dashboard ? *dashboardPanel->battery : *alertPanel->battery;
    for (int round = 1; round <= 3; ++round) {
        battery.setLevels(30 + round, 30 + round, 30 + round);
        QTRY_VERIFY(polls.count() >= round);
    }
    dashboardPanel.reset();
    alertPanel.reset();

    QVERIFY2(catcher.warnings().isEmpty(), qPrintable(catcher.warnings().join(QLatin1Char('\n'))));
}

void TestDocuments::percentToColor_data()
{
    QTest::addColumn<int>("percent");
    QTest::addColumn<QString>("colour");

    QTest::newRow("0") << 0 << "red";
    QTest::newRow("39") << 39 << "red";
    QTest::newRow("40") << 40 << "orange";
    QTest::newRow("59") << 59 << "orange";
    QTest::newRow("60") << 60 << "yellow";
    QTest::newRow("79") << 79 << "yellow";
    QTest::newRow("80") << 80 << "green";
    QTest::newRow("100") << 100 << "green";
}

void TestDocuments::percentToColor()
{
    QFETCH(int, percent);
    QFETCH(QString, colour);

    // Both panels colour their levels through this one script, from the tree.
    QQmlEngine engine;
    QQmlComponent component(&engine);
    component.setData("import QtQml 2.11\n"
                      "import \"qrc:/oxa/Resources/main/BatteryLevel.js\" as BatteryLevel\n"
                      "QtObject { function colour(percent) { return BatteryLevel.percentToColor(percent) } }",
        QUrl());
    std::unique_ptr<QObject> levels(component.create());
    QVERIFY2(levels, qPrintable(component.errorString()));
    QVariant result;
    QVERIFY(
        QMetaObject::invokeMethod(levels.get(), "colour", Q_RETURN_ARG(QVariant, result), Q_ARG(QVariant, percent)));
    QCOMPARE(result.toString(), colour);
}

void TestDocuments::timeSecondsToString_data()
{
    QTest::addColumn<int>("seconds");
    QTest::addColumn<QString>("text");

    QTest::newRow("2 h 34 min") << 9240 << "2hrs 34min";
    QTest::newRow("unknown") << -1 << "-1hrs -1min";
    QTest::newRow("zero") << 0 << "0hrs 0min";
    QTest::newRow("seconds are dropped") << 3599 << "0hrs 59min";
    QTest::newRow("one hour") << 3600 << "1hrs 0min";
}

void TestDocuments::timeSecondsToString()
{
    QFETCH(int, seconds);
    QFETCH(QString, text);

    std::unique_ptr<Dashboard> dashboard = loadDashboard();
    QVariant result;
    QVERIFY(QMetaObject::invokeMethod(
        dashboard->root, "timeSecondsToString", Q_RETURN_ARG(QVariant, result), Q_ARG(QVariant, seconds)));
    QCOMPARE(result.toString(), text);
}

void TestDocuments::dashboardStartsFromTheSettings_data()
{
    QTest::addColumn<QString>("storedWarning");
    QTest::addColumn<QString>("storedCritical");
    QTest::addColumn<QString>("storedHUD");
    QTest::addColumn<double>("warning");
    QTest::addColumn<double>("critical");
    QTest::addColumn<bool>("hud");

    QTest::newRow("defaults") << "40"
                              << "20"
                              << "true" << 40.0 << 20.0 << true;
    QTest::newRow("changed") << "55"
                             << "35"
                             << "false" << 55.0 << 35.0 << false;
    // Values outside the slider range are pulled to its nearest end.
    QTest::newRow("out of range") << "75"
                                  << "3"
                                  << "true" << 60.0 << 10.0 << true;
}

void TestDocuments::dashboardStartsFromTheSettings()
{
    QFETCH(QString, storedWarning);
    QFETCH(QString, storedCritical);
    QFETCH(QString, storedHUD);
    QFETCH(double, warning);
    QFETCH(double, critical);
    QFETCH(bool, hud);

    {
        std::shared_ptr<IOxaSettings> settings = openSettings();
        settings->setValue(QStringLiteral("Alerts/Battery/WarningThreshold"), storedWarning);
        settings->setValue(QStringLiteral("Alerts/Battery/CriticalThreshold"), storedCritical);
        settings->setValue(QStringLiteral("Alerts/Battery/EnableHUD"), storedHUD);
    }
    std::unique_ptr<Dashboard> dashboard = loadDashboard();

    QObject *warningSlider = dashboard->item("warningSlider");
    QObject *criticalSlider = dashboard->item("criticalSlider");
    for (QObject *slider : {warningSlider, criticalSlider}) {
        QCOMPARE(slider->property("from").toDouble(), 10.0);
        QCOMPARE(slider->property("to").toDouble(), 60.0);
        QCOMPARE(slider->property("stepSize").toDouble(), 5.0);
        QCOMPARE(slider->property("live").toBool(), true);
    }
    QCOMPARE(warningSlider->property("value").toDouble(), warning);
    QCOMPARE(criticalSlider->property("value").toDouble(), critical);
    QCOMPARE(dashboard->item("warningValueLabel")->property("text").toString(), QStringLiteral("%1%").arg(warning));
    QCOMPARE(dashboard->item("criticalValueLabel")->property("text").toString(), QStringLiteral("%1%").arg(critical));
    QCOMPARE(dashboard->item("hudSwitch")->property("checked").toBool(), hud);
    QCOMPARE(dashboard->item("versionText")->property("text").toString(), QStringLiteral("1.0.0.4"));

    // Until the first poll arrives the gauges show these.
    QCOMPARE(dashboard->root->property("leftBatteryPercent").toInt(), 3);
    QCOMPARE(dashboard->root->property("midBatteryPercent").toInt(), 74);
    QCOMPARE(dashboard->root->property("rightBatteryPercent").toInt(), 6);
    QVERIFY(dashboard->window->calls.isEmpty());
}

void TestDocuments::dashboardShowsNewBatteryLevels()
{
    std::unique_ptr<Dashboard> dashboard = loadDashboard();
    dashboard->battery->setLevels(12, 95, 0, 9240);
    QSignalSpy polls(dashboard->window.get(), &QmlBatteryDashboard::newBatteryLevels);
    QVERIFY(polls.wait(1000));

    QCOMPARE(dashboard->root->property("leftBatteryPercent").toInt(), 12);
    QCOMPARE(dashboard->root->property("midBatteryPercent").toInt(), 95);
    QCOMPARE(dashboard->root->property("rightBatteryPercent").toInt(), 0);
    QCOMPARE(dashboard->item("leftLabel")->property("text").toString(), QStringLiteral("LEFT: 12%"));
    QCOMPARE(dashboard->item("centerLabel")->property("text").toString(), QStringLiteral("INTERNAL: 95%"));
    QCOMPARE(dashboard->item("rightLabel")->property("text").toString(), QStringLiteral("RIGHT: 0%"));
    QObject *remaining = dashboard->item("remainingTimeValue");
    QCOMPARE(remaining->property("text").toString(), QStringLiteral("2hrs 34min"));
    QCOMPARE(remaining->property("visible").toBool(), false);
}

void TestDocuments::dashboardFollowsUpdateSettingsWithoutReporting()
{
    std::unique_ptr<Dashboard> dashboard = loadDashboard();
    emit dashboard->window->updateSettings(45.0, 25.0, false);

    QCOMPARE(dashboard->item("criticalSlider")->property("value").toDouble(), 25.0);
    QCOMPARE(dashboard->item("warningSlider")->property("value").toDouble(), 45.0);
    QCOMPARE(dashboard->item("hudSwitch")->property("checked").toBool(), false);
    QVERIFY(dashboard->window->calls.isEmpty());
    QCOMPARE(dashboard->window->currentWarningThreshold(), 40.0f);
    QCOMPARE(dashboard->window->currentEnableHUD(), true);
}

void TestDocuments::alertShowsNewBatteryLevel()
{
    std::unique_ptr<Alert> alert = loadAlert();
    QCOMPARE(alert->root->property("lowestBatteryPercent").toInt(), 30);

    alert->battery->setLevels(55, 90, 80);
    QTRY_COMPARE(alert->root->property("lowestBatteryPercent").toInt(), 55);
    auto *bar = alert->root->findChild<QQuickItem *>(QStringLiteral("alertLevel"));
    QVERIFY(bar);
    QCOMPARE(bar->width(), 643 * 0.55);
    QCOMPARE(bar->height(), 237.0);
}

QTEST_MAIN(TestDocuments)
#include "tst_documents.moc"
