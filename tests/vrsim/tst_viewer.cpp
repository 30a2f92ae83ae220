// The viewer window in this process, on a runtime of its own, with vrsim_panel_client children as
// the applications.
#include "FrameView.h"
#include "OverlayList.h"
#include "PanelClient.h"
#include "PanelPicture.h"
#include "RuntimeServer.h"
#include "ViewerWindow.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using namespace vrsim;

namespace {

void sendMouse(QWidget *widget, QEvent::Type type, const QPointF &position, Qt::MouseButton button = Qt::NoButton,
    Qt::MouseButtons held = Qt::NoButton)
{
    QMouseEvent event(type, position, widget->mapToGlobal(position.toPoint()), button, held, Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

QPointF at(const QRectF &rect, double x, double y)
{
    return rect.topLeft() + QPointF(rect.width() * x, rect.height() * y);
}

// Empty when `event` is a move to `expected` give or take `slack`, else what is wrong.
QString checkMove(const QString &event, const QPointF &expected, const QSizeF &slack)
{
    const QStringList parts = event.split(QLatin1Char(' '));
    const bool matches = parts.size() == 3 && parts[0] == QLatin1String("move")
        && qAbs(parts[1].toDouble() - expected.x()) <= slack.width()
        && qAbs(parts[2].toDouble() - expected.y()) <= slack.height();
    return matches
        ? QString()
        : QStringLiteral("got \"%1\", expected a move near %2 %3").arg(event).arg(expected.x()).arg(expected.y());
}

// Widget positions are whole pixels: one pixel of the view spans this much of the panel.
QSizeF pixelSlack(const QRectF &panel, const QSizeF &mouseScale)
{
    return QSizeF(mouseScale.width() / panel.width() + 1e-3, mouseScale.height() / panel.height() + 1e-3);
}

QStringList rowTexts(const QTreeWidget *list, int row)
{
    QStringList texts;
    const QTreeWidgetItem *item = list->topLevelItem(row);
    for (int column = 0; item && column < item->columnCount(); ++column)
        texts.append(item->text(column));
    return texts;
}

bool near(const QColor &color, const QColor &expected)
{
    return qAbs(color.red() - expected.red()) <= 8 && qAbs(color.green() - expected.green()) <= 8
        && qAbs(color.blue() - expected.blue()) <= 8;
}

} // namespace

class TestViewer : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void listsOverlaysAndShowsTheSelectedFrame();
    void listFollowsAHeadLockedOverlay();
    void mouseReachesThePanelInPanelPixels_data();
    void mouseReachesThePanelInPanelPixels();
    void refusedInputReachesNobody_data();
    void refusedInputReachesNobody();
    void framesAreWantedOnlyWhileShown_data();
    void framesAreWantedOnlyWhileShown();

private:
    QProcessEnvironment clientEnvironment() const;
    quint64 handleOf(const QString &key) const;
    const OverlayRecord *record(const QString &key) const;
    // The overlay's submit count, brought in from its application.
    quint64 submits(const QString &key);
    int framesOf(const QSignalSpy &spy, const QString &key) const;

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<RuntimeServer> m_server;
    std::unique_ptr<ViewerWindow> m_window;
};

void TestViewer::initTestCase()
{
    if (qEnvironmentVariableIsEmpty("DISPLAY"))
        QSKIP("the panel client renders with OpenGL and needs an X display");
}

void TestViewer::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    const QDir dir(m_dir->path());
    dir.mkpath(QStringLiteral("runtime"));
    dir.mkpath(QStringLiteral("config"));
    QFile::setPermissions(dir.filePath(QStringLiteral("runtime")),
        QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    ServerOptions options;
    options.socketPath = dir.filePath(QStringLiteral("sock/runtime.sock"));
    options.defaultSocket = false;
    options.stateDir = dir.filePath(QStringLiteral("state"));
    m_server = std::make_unique<RuntimeServer>(options);
    QString error;
    QVERIFY2(m_server->start(&error), qPrintable(error));
    m_window = std::make_unique<ViewerWindow>(m_server->runtime());
    m_window->resize(900, 500);
}

void TestViewer::cleanup()
{
    m_window.reset();
    m_server.reset();
    m_dir.reset();
}

QProcessEnvironment TestViewer::clientEnvironment() const
{
    const QDir dir(m_dir->path());
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), dir.filePath(QStringLiteral("runtime")));
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.filePath(QStringLiteral("config")));
    environment.insert(QStringLiteral("VRSIM_SOCKET"), dir.filePath(QStringLiteral("sock/runtime.sock")));
    return environment;
}

const OverlayRecord *TestViewer::record(const QString &key) const
{
    return m_server->runtime().findOverlay(key);
}

quint64 TestViewer::handleOf(const QString &key) const
{
    const OverlayRecord *overlay = record(key);
    return overlay ? overlay->handle : 0;
}

quint64 TestViewer::submits(const QString &key)
{
    bool synced = false;
    m_server->runtime().syncApplications([&synced] { synced = true; });
    if (!QTest::qWaitFor([&synced] { return synced; }, 10000))
        return 0;
    const OverlayRecord *overlay = record(key);
    return overlay ? overlay->submits : 0;
}

int TestViewer::framesOf(const QSignalSpy &spy, const QString &key) const
{
    const quint64 handle = handleOf(key);
    int frames = 0;
    for (const QList<QVariant> &arguments : spy) {
        if (arguments.at(0).toULongLong() == handle)
            ++frames;
    }
    return frames;
}

void TestViewer::listsOverlaysAndShowsTheSelectedFrame()
{
    PanelClient hud(clientEnvironment());
    QVERIFY(hud.start(QStringLiteral("hud"), QSize(120, 60)));
    {
        PanelClient dashboard(clientEnvironment());
        QVERIFY(dashboard.start(QStringLiteral("dash"), QSize(64, 64), {QStringLiteral("--dashboard")}));
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));

        const OverlayList *list = m_window->overlayList();
        QTRY_COMPARE(list->topLevelItemCount(), 2);
        QCOMPARE(rowTexts(list, 0), QStringList({"hud", "yes", "1.00", "world"}));
        QCOMPARE(rowTexts(list, 1), QStringList({"dash", "no", "1.00", "dashboard"}));
        QCOMPARE(list->selectedHandle(), handleOf(QStringLiteral("hud")));

        // Upright and exact, scaled to fit, over a checkerboard where it is see-through.
        FrameView *view = m_window->frameView();
        QTRY_COMPARE(view->frame().convertToFormat(QImage::Format_RGBA8888), panelPicture(QSize(120, 60)));
        const QRectF panel = view->panelRect();
        QCOMPARE(panel.width() / panel.height(), 2.0);
        QVERIFY(QRectF(view->rect()).contains(panel));
        QVERIFY(qAbs(panel.width() - view->width()) < 20 || qAbs(panel.height() - view->height()) < 20);
        const QImage shown = view->grab().toImage();
        const auto pixel = [&](double x, double y) { return shown.pixelColor(at(panel, x, y).toPoint()); };
        QVERIFY(near(pixel(0.25, 0.25), QColor(220, 40, 40)));
        QVERIFY(near(pixel(0.75, 0.25), QColor(40, 180, 60)));
        QVERIFY(near(pixel(0.25, 0.75), QColor(40, 80, 220)));
        const QPointF square = at(panel, 0.5, 0.5) + QPointF(30, 30);
        const QColor light = shown.pixelColor(square.toPoint());
        const QColor dark = shown.pixelColor((square + QPointF(12, 0)).toPoint());
        QVERIFY2(light != dark && light.red() == light.blue() && dark.red() == dark.blue(),
            "the transparent quarter shows a grey checkerboard");

        m_window->overlayList()->select(handleOf(QStringLiteral("dash")));
        QTRY_COMPARE(view->frame().convertToFormat(QImage::Format_RGBA8888), panelPicture(QSize(64, 64)));

        QPushButton *button = m_window->dashboardButton();
        QTest::mouseClick(button, Qt::LeftButton);
        QVERIFY(m_server->runtime().dashboardOpen());
        QTRY_COMPARE(rowTexts(list, 1).value(1), QStringLiteral("yes"));
        QVERIFY(button->isChecked());
        QTest::mouseClick(button, Qt::LeftButton);
        QVERIFY(!m_server->runtime().dashboardOpen());
        QTRY_COMPARE(rowTexts(list, 1).value(1), QStringLiteral("no"));
    }

    // Its application gone, the overlay leaves the list and the view moves on to what is left.
    const OverlayList *list = m_window->overlayList();
    QTRY_COMPARE(list->topLevelItemCount(), 1);
    QCOMPARE(list->selectedHandle(), handleOf(QStringLiteral("hud")));
    QTRY_COMPARE(m_window->frameView()->frame().size(), QSize(120, 60));
}

void TestViewer::listFollowsAHeadLockedOverlay()
{
    // A new transform arrives every few milliseconds for as long as it moves; the list must
    // still catch up with what changes.
    PanelClient hud(clientEnvironment());
    QVERIFY(hud.start(QStringLiteral("hud"), QSize(40, 20), {QStringLiteral("--head-locked")}));
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    const OverlayList *list = m_window->overlayList();
    QTRY_COMPARE(rowTexts(list, 0).value(1), QStringLiteral("yes"));
    QTRY_VERIFY(record(QStringLiteral("hud")) && record(QStringLiteral("hud"))->hasTransform);

    QVERIFY(hud.command(QStringLiteral("hide")));
    QTRY_COMPARE(rowTexts(list, 0).value(1), QStringLiteral("no"));
    QVERIFY(hud.command(QStringLiteral("show")));
    QTRY_COMPARE(rowTexts(list, 0).value(1), QStringLiteral("yes"));
}

void TestViewer::mouseReachesThePanelInPanelPixels_data()
{
    QTest::addColumn<QSize>("texture");
    QTest::addColumn<QSizeF>("mouseScale");
    QTest::addColumn<QSize>("window");

    QTest::newRow("wide panel") << QSize(200, 100) << QSizeF(200, 100) << QSize(900, 500);
    QTest::newRow("tall panel") << QSize(60, 180) << QSizeF(60, 180) << QSize(900, 500);
    QTest::newRow("mouse scale unlike the texture") << QSize(200, 100) << QSizeF(1043, 537) << QSize(700, 700);
}

void TestViewer::mouseReachesThePanelInPanelPixels()
{
    QFETCH(QSize, texture);
    QFETCH(QSizeF, mouseScale);
    QFETCH(QSize, window);

    PanelClient client(clientEnvironment());
    QVERIFY(client.start(QStringLiteral("panel"), texture,
        {QStringLiteral("--mouse-scale"), QString::number(mouseScale.width()), QString::number(mouseScale.height())}));
    m_window->resize(window);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    FrameView *view = m_window->frameView();
    QTRY_COMPARE(view->frame().size(), texture);
    const QRectF panel = view->panelRect();

    const auto expectMove = [&](double x, double y) {
        return checkMove(client.nextEvent(), QPointF(x * mouseScale.width(), y * mouseScale.height()),
            pixelSlack(panel, mouseScale));
    };

    sendMouse(view, QEvent::MouseMove, panel.topLeft());
    QCOMPARE(expectMove(0, 0), QString());
    sendMouse(view, QEvent::MouseMove, at(panel, 0.25, 0.5));
    QCOMPARE(expectMove(0.25, 0.5), QString());
    // Off the panel with no button held, the pointer is not the panel's business.
    sendMouse(view, QEvent::MouseMove, panel.topLeft() - QPointF(4, 4));
    // A press elsewhere on the panel brings the pointer there first.
    sendMouse(view, QEvent::MouseButtonPress, at(panel, 0.75, 0.25), Qt::LeftButton, Qt::LeftButton);
    QCOMPARE(expectMove(0.75, 0.25), QString());
    QCOMPARE(client.nextEvent(), QStringLiteral("down 1"));
    // A drag that leaves the panel stays on its edge, and its release still reaches it.
    sendMouse(view, QEvent::MouseMove, at(panel, 1.0, 0.25) + QPointF(40, 0), Qt::NoButton, Qt::LeftButton);
    QCOMPARE(expectMove(1.0, 0.25), QString());
    sendMouse(view, QEvent::MouseButtonRelease, at(panel, 1.0, 0.25) + QPointF(40, 0), Qt::LeftButton);
    QCOMPARE(client.nextEvent(), QStringLiteral("up 1"));
    sendMouse(view, QEvent::MouseButtonPress, panel.bottomRight(), Qt::RightButton, Qt::RightButton);
    QCOMPARE(expectMove(1.0, 1.0), QString());
    QCOMPARE(client.nextEvent(), QStringLiteral("down 2"));
    sendMouse(view, QEvent::MouseButtonRelease, panel.bottomRight(), Qt::RightButton);
    QCOMPARE(client.nextEvent(), QStringLiteral("up 2"));
    QCOMPARE(m_window->inputRefusal(), QString());
}

void TestViewer::refusedInputReachesNobody_data()
{
    QTest::addColumn<QString>("refuse");
    QTest::addColumn<QString>("accept");
    QTest::addColumn<QString>("reason");

    QTest::newRow("hidden overlay") << "hide"
                                    << "show"
                                    << "is not visible";
    QTest::newRow("input method not Mouse") << "no-mouse"
                                            << "mouse"
                                            << "takes no mouse input";
}

void TestViewer::refusedInputReachesNobody()
{
    QFETCH(QString, refuse);
    QFETCH(QString, accept);
    QFETCH(QString, reason);

    PanelClient client(clientEnvironment());
    QVERIFY(client.start(QStringLiteral("panel"), QSize(100, 50)));
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    FrameView *view = m_window->frameView();
    QTRY_VERIFY(!view->frame().isNull());
    const QRectF panel = view->panelRect();
    const auto acceptsMouse = [this] {
        const OverlayRecord *overlay = record(QStringLiteral("panel"));
        return overlay && overlay->visible && overlay->inputMethod == vr::VROverlayInputMethod_Mouse;
    };

    QVERIFY(client.command(refuse));
    QTRY_VERIFY(!acceptsMouse());
    sendMouse(view, QEvent::MouseMove, at(panel, 0.5, 0.5));
    QVERIFY2(m_window->inputRefusal().contains(reason), qPrintable(m_window->inputRefusal()));
    sendMouse(view, QEvent::MouseButtonPress, at(panel, 0.1, 0.1), Qt::LeftButton, Qt::LeftButton);
    sendMouse(view, QEvent::MouseButtonRelease, at(panel, 0.1, 0.1), Qt::LeftButton);

    QVERIFY(client.command(accept));
    QTRY_VERIFY(acceptsMouse());
    sendMouse(view, QEvent::MouseButtonPress, at(panel, 0.5, 0.5), Qt::LeftButton, Qt::LeftButton);
    // What was refused never comes: the first event is the one after.
    QCOMPARE(checkMove(client.nextEvent(), QPointF(50, 25), pixelSlack(panel, QSizeF(100, 50))), QString());
    QCOMPARE(client.nextEvent(), QStringLiteral("down 1"));
    QCOMPARE(m_window->inputRefusal(), QString());
}

void TestViewer::framesAreWantedOnlyWhileShown_data()
{
    QTest::addColumn<QString>("away");

    QTest::newRow("another overlay selected") << "select other";
    QTest::newRow("window minimised") << "minimise";
    QTest::newRow("window hidden") << "hide";
}

void TestViewer::framesAreWantedOnlyWhileShown()
{
    QFETCH(QString, away);

    PanelClient first(clientEnvironment());
    PanelClient second(clientEnvironment());
    QVERIFY(first.start(QStringLiteral("first"), QSize(40, 20)));
    QVERIFY(second.start(QStringLiteral("second"), QSize(20, 40)));
    QSignalSpy frames(&m_server->runtime(), &Runtime::frameArrived);
    // Nobody looks yet: the applications submit, nothing is read back.
    const quint64 submitted = submits(QStringLiteral("first"));
    QTRY_VERIFY(submits(QStringLiteral("first")) > submitted + 20);
    QCOMPARE(frames.count(), 0);

    QElapsedTimer watching;
    watching.start();
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    QCOMPARE(m_window->overlayList()->selectedHandle(), handleOf(QStringLiteral("first")));
    QTRY_VERIFY(framesOf(frames, QStringLiteral("first")) >= 10);
    // Asked for one at a time, at most 30 a second: ten take at least nine intervals.
    QVERIFY2(watching.elapsed() >= 9 * 1000 / 30, qPrintable(QString::number(watching.elapsed())));
    QCOMPARE(framesOf(frames, QStringLiteral("second")), 0);

    if (away == QLatin1String("select other"))
        m_window->overlayList()->select(handleOf(QStringLiteral("second")));
    else if (away == QLatin1String("minimise"))
        m_window->showMinimized();
    else
        m_window->hide();
    const int seen = framesOf(frames, QStringLiteral("first"));
    const quint64 before = submits(QStringLiteral("first"));
    QTRY_VERIFY(submits(QStringLiteral("first")) > before + 30);
    // The one request already out may still bring a frame; nothing after it.
    QVERIFY(framesOf(frames, QStringLiteral("first")) <= seen + 1);
    if (away == QLatin1String("select other")) {
        QTRY_VERIFY(framesOf(frames, QStringLiteral("second")) >= 3);
        return;
    }
    QCOMPARE(framesOf(frames, QStringLiteral("second")), 0);

    m_window->showNormal();
    const int resumedFrom = framesOf(frames, QStringLiteral("first"));
    QTRY_VERIFY(framesOf(frames, QStringLiteral("first")) >= resumedFrom + 3);
}

QTEST_MAIN(TestViewer)
#include "tst_viewer.moc"
