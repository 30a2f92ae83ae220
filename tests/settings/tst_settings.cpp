#include "fakes/TestEnvironment.h"
#include "settings/Settings.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsRepair.h"

#include <QFile>
#include <QFileInfo>
#include <QtTest>

#include <stdexcept>

class TestSettings : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void defaultsFileAsWritten();
    void existingFileIsLeftAlone();
    void missingKeysReadEmpty_data();
    void missingKeysReadEmpty();
    void fractionReadsAsFloatButNotAsInt();
    void folderInPlaceOfFile();
    void fileDeletedWhileRunning();
    void storesShareOneCopyOfTheFile();
    void secondFactoryThrows();
    void damagedFileIsRepaired_data();
    void damagedFileIsRepaired();
    void completeFileIsNotRewritten();

private:
    static QByteArray readFile(const QString &path);
    static void writeFile(const QString &path, const QByteArray &content);

    std::unique_ptr<TestEnvironment> m_env;
};

void TestSettings::initTestCase()
{
    m_env = std::make_unique<TestEnvironment>();
    TestEnvironment::setProgramIdentity();

    QVERIFY2(!openSettings(), "no store before the factory exists");
    createSettingsFactory();
    QVERIFY(openSettings());
    QVERIFY(TestEnvironment::settingsFile().startsWith(m_env->home()));
}

void TestSettings::init()
{
    const QString path = TestEnvironment::settingsFile();
    QFileInfo info(path);
    if (info.isDir())
        QDir(path).removeRecursively();
    else
        QFile::remove(path);
}

QByteArray TestSettings::readFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

void TestSettings::writeFile(const QString &path, const QByteArray &content)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(content);
}

void TestSettings::defaultsFileAsWritten()
{
    openSettings().reset();

    const QByteArray written = readFile(TestEnvironment::settingsFile());
    const QByteArray expected = readFile(QStringLiteral(VOLTARO_TEST_DATA_DIR "/settings/OxaSettings.defaults.ini"));
    QVERIFY(!expected.isEmpty());
    QCOMPARE(written, expected);

    // Read back through a store, the texts come back as they were given.
    auto settings = openSettings();
    QCOMPARE(
        settings->value(QStringLiteral("Dashboard/Icon")).toString(), QStringLiteral("Resources\\LightningBolt.png"));
    QCOMPARE(settings->value(QStringLiteral("Alerts/Battery/IconColor")).toString(), QStringLiteral("null"));
    QCOMPARE(settings->value(QStringLiteral("Alerts/Battery/EnableHUD")).toBool(), true);
    QCOMPARE(settings->value(QStringLiteral("Alerts/Battery/Scale")).toFloat(), 0.05f);
}

void TestSettings::existingFileIsLeftAlone()
{
    const QByteArray content = "[Alerts]\nBattery\\WarningThreshold=55\n";
    writeFile(TestEnvironment::settingsFile(), content);

    openSettings().reset();

    QCOMPARE(readFile(TestEnvironment::settingsFile()), content);
}

void TestSettings::missingKeysReadEmpty_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QVariant>("expected");
    QTest::addColumn<QString>("conversion");

    QTest::newRow("EnableHUD as bool") << "Alerts/Battery/EnableHUD" << QVariant(false) << "bool";
    QTest::newRow("CriticalThreshold as int") << "Alerts/Battery/CriticalThreshold" << QVariant(0) << "int";
    QTest::newRow("Duration as float") << "Alerts/Battery/Duration" << QVariant(0.0f) << "float";
    QTest::newRow("Title as text") << "Dashboard/Title" << QVariant(QString()) << "string";
}

void TestSettings::missingKeysReadEmpty()
{
    QFETCH(QString, key);
    QFETCH(QVariant, expected);
    QFETCH(QString, conversion);

    // A file exists but lacks the key: no default is filled in for it.
    writeFile(TestEnvironment::settingsFile(), "[Alerts]\nBattery\\WarningThreshold=40\n");
    auto settings = openSettings();
    const QVariant value = settings->value(key, QVariant());
    QVERIFY(!value.isValid());

    if (conversion == QLatin1String("bool"))
        QCOMPARE(value.toBool(), expected.toBool());
    else if (conversion == QLatin1String("int"))
        QCOMPARE(value.toInt(), expected.toInt());
    else if (conversion == QLatin1String("float"))
        QCOMPARE(value.toFloat(), expected.toFloat());
    else
        QCOMPARE(value.toString(), expected.toString());
}

void TestSettings::fractionReadsAsFloatButNotAsInt()
{
    writeFile(TestEnvironment::settingsFile(), "[Alerts]\nBattery\\WarningThreshold=37.5\n");
    auto settings = openSettings();
    const QVariant value = settings->value(QStringLiteral("Alerts/Battery/WarningThreshold"), QVariant());
    QCOMPARE(value.toFloat(), 37.5f);
    QCOMPARE(value.toInt(), 0);
}

void TestSettings::folderInPlaceOfFile()
{
    QVERIFY(QDir().mkpath(TestEnvironment::settingsFile()));

    {
        auto settings = openSettings();
        QVERIFY(settings);
        // Nothing reaches the disk and nothing throws; the program keeps
        // running on what the settings library holds in memory.
        settings->setValue(QStringLiteral("Alerts/Battery/WarningThreshold"), 30.0);
        settings->sync();
        QCOMPARE(settings->status(), QSettings::AccessError);
    }
    QVERIFY(QFileInfo(TestEnvironment::settingsFile()).isDir());
    QVERIFY(QDir(TestEnvironment::settingsFile()).isEmpty());
}

void TestSettings::fileDeletedWhileRunning()
{
    {
        auto settings = openSettings();
        settings->setValue(QStringLiteral("Alerts/Battery/WarningThreshold"), 55.0);
    }
    QVERIFY(QFile::exists(TestEnvironment::settingsFile()));
    QVERIFY(QFile::remove(TestEnvironment::settingsFile()));

    {
        auto settings = openSettings();
        QCOMPARE(settings->value(QStringLiteral("Alerts/Battery/WarningThreshold")).toInt(), 40);
    }
    const QByteArray expected = readFile(QStringLiteral(VOLTARO_TEST_DATA_DIR "/settings/OxaSettings.defaults.ini"));
    QCOMPARE(readFile(TestEnvironment::settingsFile()), expected);
}

void TestSettings::storesShareOneCopyOfTheFile()
{
    auto writer = openSettings();
    writer->setValue(QStringLiteral("Alerts/Battery/CriticalThreshold"), 15.0);

    // Not flushed yet, but a store opened later sees the value.
    auto reader = openSettings();
    QCOMPARE(reader->value(QStringLiteral("Alerts/Battery/CriticalThreshold"), QVariant()).toInt(), 15);
}

void TestSettings::secondFactoryThrows()
{
    try {
        createSettingsFactory();
        QFAIL("a second factory must be refused");
    } catch (const std::exception &error) {
        QCOMPARE(QString::fromLatin1(error.what()), QStringLiteral("Cannot double-instantiate settings factory."));
    }
    QVERIFY(openSettings());
}

void TestSettings::damagedFileIsRepaired_data()
{
    QTest::addColumn<QByteArray>("content");
    // The keys whose value in the file must survive, with that value.
    QTest::addColumn<QVariantMap>("kept");

    const QByteArray defaults = readFile(QStringLiteral(VOLTARO_TEST_DATA_DIR "/settings/OxaSettings.defaults.ini"));
    QVERIFY(!defaults.isEmpty());

    QTest::newRow("empty") << QByteArray() << QVariantMap {};
    QTest::newRow("section only") << QByteArray("[Alerts]\n") << QVariantMap {};
    QTest::newRow("garbage bytes") << QByteArray("\x89PNG\r\n\x1a\n\x00\x00\x00\rIHDR\xff\xfe\x01", 19)
                                   << QVariantMap {};
    const QString utf16 = QStringLiteral("[Alerts]\r\nBattery\\WarningThreshold=55\r\n");
    QByteArray utf16Bytes("\xff\xfe");
    utf16Bytes.append(reinterpret_cast<const char *>(utf16.utf16()), utf16.size() * 2);
    QTest::newRow("UTF-16") << utf16Bytes << QVariantMap {};
    // Cut short in the middle of the Dashboard section by a full disk or a crash.
    const int cut = defaults.indexOf("ForegroundColor");
    QByteArray truncated = defaults.left(cut + 5);
    truncated.replace("WarningThreshold=40", "WarningThreshold=45");
    QTest::newRow("truncated") << truncated
                               << QVariantMap {{SettingsKeys::warningThreshold, "45"},
                                      {SettingsKeys::dashboardBackgroundColor, "#051927"},
                                      {SettingsKeys::criticalThreshold, "20"}};
    QTest::newRow("some keys missing") << QByteArray(
        "[Alerts]\nBattery\\WarningThreshold=55\nBattery\\EnableHUD=false\n"
        "[Dashboard]\nTitle=Akkus\n")
                                       << QVariantMap {{SettingsKeys::warningThreshold, "55"},
                                              {SettingsKeys::enableHUD, "false"},
                                              {SettingsKeys::dashboardTitle, "Akkus"}};
    // A value that is wrong is still the user's: only missing keys are filled.
    QTest::newRow("key present but empty")
        << QByteArray("[Dashboard]\nTitle=\n") << QVariantMap {{SettingsKeys::dashboardTitle, ""}};
}

void TestSettings::damagedFileIsRepaired()
{
    QFETCH(QByteArray, content);
    QFETCH(QVariantMap, kept);

    const QString path = TestEnvironment::settingsFile();
    const QString backup = path + QStringLiteral(".bak");
    QFile::remove(backup);
    writeFile(backup, "an older backup");
    writeFile(path, content);

    {
        auto settings = openSettings();
        QVERIFY(fillMissingSettings(*settings) > 0);
        // A damaged file reads with a format error; what counts is what is written.
        settings->sync();
    }

    // Read as a later run reads it: every key there, defaults where the file lacked them.
    QSettings reread(path, QSettings::IniFormat);
    for (std::size_t i = 0; i < SettingsKeys::count; ++i) {
        const QString key = QString::fromLatin1(SettingsKeys::keys[i]);
        const QString expected
            = kept.contains(key) ? kept.value(key).toString() : QString::fromLatin1(SettingsKeys::defaults[i]);
        QVERIFY2(reread.contains(key), qPrintable(key));
        QCOMPARE(reread.value(key).toString(), expected);
    }
    if (!kept.contains(SettingsKeys::enableHUD))
        QCOMPARE(reread.value(SettingsKeys::enableHUD).toBool(), true);

    // What the user had is kept byte for byte before the library rewrote it;
    // an empty file has nothing to keep, and the older backup stays.
    QCOMPARE(readFile(backup), content.isEmpty() ? QByteArray("an older backup") : content);
    QFile::remove(backup);
}

void TestSettings::completeFileIsNotRewritten()
{
    QByteArray content = readFile(QStringLiteral(VOLTARO_TEST_DATA_DIR "/settings/OxaSettings.defaults.ini"));
    content.replace("Title=Battery", "Title=Mine");
    writeFile(TestEnvironment::settingsFile(), content);

    {
        auto settings = openSettings();
        QCOMPARE(fillMissingSettings(*settings), 0);
    }
    QCOMPARE(readFile(TestEnvironment::settingsFile()), content);
    QVERIFY(!QFile::exists(TestEnvironment::settingsFile() + QStringLiteral(".bak")));
}

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_settings.moc"
