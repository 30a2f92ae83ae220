#include "fakes/FakeBatteryModel.h"
#include "fakes/FixedWindowModel.h"
#include "fakes/IsolatedSettings.h"
#include "qml/QmlBatteryAlert.h"
#include "qml/QmlBatteryAlertModel.h"
#include "qml/QmlBatteryDashboard.h"
#include "qml/QmlBatteryDashboardModel.h"
#include "qml/QmlWindow.h"

#include <QGuiApplication>
#include <QProcess>
#include <QQmlContext>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickStyle>
#include <QtTest>

#include <memory>

namespace {
const char *const loadSwitch = "--load-document";
}

class TestQmlWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void alertWindowAfterLoad();
    void documentReachesWindowWhileBeingCreated();
    void destructionDeletesRootItemBeforeEngine();
    void unusableDocumentEndsProcess_data();
    void unusableDocumentEndsProcess();

private:
    std::unique_ptr<IsolatedSettings> m_settings;
};

void TestQmlWindow::initTestCase()
{
    m_settings = std::make_unique<IsolatedSettings>();
    QVERIFY(m_settings->isValid());
    QQuickStyle::setStyle(QStringLiteral("Material"));
}

void TestQmlWindow::alertWindowAfterLoad()
{
    QmlBatteryAlert window(std::make_shared<QmlBatteryAlertModel>(), std::make_shared<FakeBatteryModel>());
    QVERIFY(!window.rootItem());

    window.load();

    QCOMPARE(window.size(), QSize(1043, 537));
    QQuickItem *root = window.rootItem();
    QVERIFY(root);
    QCOMPARE(root->size(), QSizeF(1043, 537));
    QCOMPARE(root->parentItem(), window.contentItem());
    QCOMPARE(qmlContext(root)->contextProperty(QStringLiteral("batteryAlertWindow")).value<QObject *>(),
        static_cast<QObject *>(&window));
    QVERIFY(!window.isVisible());
}

void TestQmlWindow::documentReachesWindowWhileBeingCreated()
{
    // Values that differ from the defaults prove the document asked the window
    // while its properties were being initialised.
    {
        std::shared_ptr<IOxaSettings> settings = openSettings();
        settings->setValue(QStringLiteral("Alerts/Battery/WarningThreshold"), QStringLiteral("35"));
        settings->setValue(QStringLiteral("Alerts/Battery/ThresholdSlidersMax"), QStringLiteral("55"));
        settings->setValue(QStringLiteral("Alerts/Battery/EnableHUD"), QStringLiteral("false"));
    }
    QmlBatteryDashboard window(std::make_shared<QmlBatteryDashboardModel>(), std::make_shared<FakeBatteryModel>());
    window.load();
    IsolatedSettings::restoreDefaults();

    QQuickItem *root = window.rootItem();
    QVERIFY(root);
    QCOMPARE(window.size(), QSize(1920, 945));
    QCOMPARE(root->property("warningThreshold").toDouble(), 35.0);
    QCOMPARE(root->property("slidersMax").toDouble(), 55.0);
    QCOMPARE(root->property("enabledHUD").toBool(), false);
    QCOMPARE(root->property("versionString").toString(), QStringLiteral("1.0.0.4"));
}

void TestQmlWindow::destructionDeletesRootItemBeforeEngine()
{
    auto window = std::make_unique<QmlBatteryAlert>(
        std::make_shared<QmlBatteryAlertModel>(), std::make_shared<FakeBatteryModel>());
    window->load();
    QStringList order;
    connect(window->rootItem(), &QObject::destroyed, this, [&order] { order << QStringLiteral("root item"); });
    connect(qmlEngine(window->rootItem()), &QObject::destroyed, this, [&order] { order << QStringLiteral("engine"); });

    window.reset();

    QCOMPARE(order, QStringList({QStringLiteral("root item"), QStringLiteral("engine")}));
}

void TestQmlWindow::unusableDocumentEndsProcess_data()
{
    QTest::addColumn<QString>("url");
    QTest::addColumn<QString>("errorPart");

    QTest::newRow("missing from the resources")
        << QStringLiteral("qrc:///oxa/Resources/main/Missing.qml") << QStringLiteral("Missing.qml");
    QTest::newRow("syntax error") << QUrl::fromLocalFile(QStringLiteral(QML_TEST_DATA_DIR "/Broken.qml")).toString()
                                  << QStringLiteral("Broken.qml");
    // No error text here: the document is fine, only its root is no item.
    QTest::newRow("root is no item")
        << QUrl::fromLocalFile(QStringLiteral(QML_TEST_DATA_DIR "/NotAnItem.qml")).toString() << QString();
}

void TestQmlWindow::unusableDocumentEndsProcess()
{
    QFETCH(QString, url);
    QFETCH(QString, errorPart);

    QProcess child;
    child.setProgram(QCoreApplication::applicationFilePath());
    child.setArguments({QString::fromLatin1(loadSwitch), url});
    child.start();
    QVERIFY(child.waitForFinished(30000));

    const QString log = QString::fromLocal8Bit(child.readAllStandardError());
    QCOMPARE(child.exitStatus(), QProcess::NormalExit);
    QCOMPARE(child.exitCode(), 255);
    const int at = log.indexOf(QStringLiteral("Component is not ready:"));
    QVERIFY2(at >= 0, qPrintable(log));
    QVERIFY2(log.indexOf(errorPart, at) > at || errorPart.isEmpty(), qPrintable(log));
    QVERIFY2(!log.contains(QStringLiteral("loaded")), qPrintable(log));
}

// The child process of unusableDocumentEndsProcess: loads one document, and
// says so if it survives.
static int loadDocument(const QString &url)
{
    QmlWindow window(std::make_shared<FixedWindowModel>(100, 100, QUrl(url)));
    window.load();
    qInfo("loaded");
    return 0;
}

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    if (argc == 3 && qstrcmp(argv[1], loadSwitch) == 0)
        return loadDocument(QString::fromLocal8Bit(argv[2]));

    TestQmlWindow test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_qmlwindow.moc"
