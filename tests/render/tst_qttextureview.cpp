#include "fakes/FixedWindowModel.h"
#include "fakes/MessageCatcher.h"
#include "qml/QmlWindow.h"
#include "render/PanelHarness.h"
#include "render/PanelPixel.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QProcess>
#include <QtTest>

#include <limits>
#include <memory>

namespace {
const char *const failSwitch = "--fail";

QUrl sceneUrl()
{
    return QUrl::fromLocalFile(QStringLiteral(RENDER_TEST_DATA_DIR "/Scene.qml"));
}

// What reached the offscreen window, field by field.
struct DeliveredEvent
{
    QEvent::Type type;
    QPoint position;
    QPoint screenPosition;
    Qt::MouseButton button;
    Qt::MouseButtons buttons;
    Qt::KeyboardModifiers modifiers;
};

class EventRecorder : public QObject
{
public:
    std::vector<DeliveredEvent> events;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        switch (event->type()) {
        case QEvent::MouseMove:
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick: {
            auto *mouse = static_cast<QMouseEvent *>(event);
            events.push_back({event->type(), mouse->localPos().toPoint(), mouse->screenPos().toPoint(), mouse->button(),
                mouse->buttons(), mouse->modifiers()});
            break;
        }
        default:
            break;
        }
        return false;
    }
};

OverlayMouseEvent mouse(uint32_t kind, float x, float y, uint32_t button = 0)
{
    OverlayMouseEvent event;
    event.kind = kind;
    event.x = x;
    event.y = y;
    event.button = button;
    return event;
}

using Events = std::vector<OverlayMouseEvent>;
} // namespace

Q_DECLARE_METATYPE(Events)
Q_DECLARE_METATYPE(std::vector<DeliveredEvent>)

class TestQTTextureView : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void textureIsZeroUntilTheFirstFrame();
    void renderBeforeAttachIsSkipped();
    void sceneChangesWithinElevenMillisecondsMakeOneFrame();
    void frameShowsTheScene();

    void mouseEvents_data();
    void mouseEvents();
    void mouseEventsBeforeAttachChangeNothing();

    void contextFailureEndsProcess_data();
    void contextFailureEndsProcess();

private:
    std::unique_ptr<QTTextureView> attachedView();

    std::unique_ptr<MessageCatcher> m_messages;
    std::unique_ptr<TextureReader> m_reader;
    std::shared_ptr<QmlWindow> m_window;
    QQuickItem *m_scene = nullptr;
};

void TestQTTextureView::initTestCase()
{
    m_messages = std::make_unique<MessageCatcher>();
    m_reader = std::make_unique<TextureReader>();
}

void TestQTTextureView::cleanupTestCase()
{
    m_reader.reset();
    QVERIFY2(m_messages->warnings().isEmpty(), qPrintable(m_messages->warnings().join(QLatin1Char('\n'))));
    m_messages.reset();
}

void TestQTTextureView::init()
{
    m_window = std::make_shared<QmlWindow>(std::make_shared<FixedWindowModel>(200, 100, sceneUrl()));
    m_window->load();
    m_scene = m_window->rootItem();
}

void TestQTTextureView::cleanup()
{
    m_scene = nullptr;
    m_window.reset();
}

std::unique_ptr<QTTextureView> TestQTTextureView::attachedView()
{
    auto view = std::make_unique<QTTextureView>(SharedOpenGLContext::instance().context());
    view->attachWindow(m_window);
    return view;
}

void TestQTTextureView::textureIsZeroUntilTheFirstFrame()
{
    std::unique_ptr<QTTextureView> view = attachedView();
    QCOMPARE(view->textureId(), 0u);
    QCOMPARE(view->renderCount(), 0u);

    // Attaching changes the scene: the first frame follows by itself.
    QTRY_COMPARE(view->renderCount(), 1u);
    QVERIFY(view->textureId() != 0);
}

void TestQTTextureView::renderBeforeAttachIsSkipped()
{
    QTTextureView view(SharedOpenGLContext::instance().context());
    view.renderFrame();
    QCOMPARE(view.renderCount(), 0u);
    QCOMPARE(view.textureId(), 0u);
}

void TestQTTextureView::sceneChangesWithinElevenMillisecondsMakeOneFrame()
{
    std::unique_ptr<QTTextureView> view = attachedView();
    auto *timer = view->findChild<QTimer *>();
    QVERIFY(timer);
    QCOMPARE(timer->interval(), 11);
    QVERIFY(timer->isSingleShot());
    QTRY_VERIFY(view->renderCount() == 1 && !timer->isActive());

    // The changes come without a return to the event loop, so however long they take, the
    // timer cannot fire between them: they all fall within one delay.
    QQuickItem *marker = m_scene->findChild<QQuickItem *>(QStringLiteral("marker"));
    for (int step = 1; step <= 5; ++step) {
        marker->setX(20 + step * 10);
        m_scene->setProperty("color", QColor::fromHsv(step * 40, 200, 200));
    }
    QVERIFY(timer->isActive());
    QCOMPARE(view->renderCount(), 1u);

    QTRY_COMPARE(view->renderCount(), 2u);
    // No request is left over for a second frame.
    QVERIFY(!timer->isActive());
}

void TestQTTextureView::frameShowsTheScene()
{
    std::unique_ptr<QTTextureView> view = attachedView();
    QTRY_COMPARE(view->renderCount(), 1u);
    const QImage image = m_reader->read(view->textureId(), QSize(200, 100));

    QCOMPARE(image.pixel(5, 5), qRgb(0x33, 0x66, 0x99));
    QCOMPARE(image.pixel(21, 11), qRgb(0xff, 0x80, 0x00));
    QCOMPARE(image.pixel(59, 39), qRgb(0xff, 0x80, 0x00));
    QCOMPARE(image.pixel(61, 41), qRgb(0x33, 0x66, 0x99));
}

void TestQTTextureView::mouseEvents_data()
{
    QTest::addColumn<Events>("injected");
    QTest::addColumn<std::vector<DeliveredEvent>>("delivered");

    const QEvent::Type move = QEvent::MouseMove;
    const QEvent::Type press = QEvent::MouseButtonPress;
    const QEvent::Type release = QEvent::MouseButtonRelease;
    const Qt::MouseButtons none;
    const Qt::KeyboardModifiers plain = Qt::NoModifier;

    QTest::newRow("move truncates to the pixel") << Events {
        mouse(0, 10.2f, 20.9f)} << std::vector<DeliveredEvent> {{move, {10, 20}, {10, 20}, Qt::NoButton, none, plain}};
    QTest::newRow("second move on the same pixel is dropped") << Events {mouse(0, 10.2f, 20.9f),
        mouse(0, 10.8f, 20.1f)} << std::vector<DeliveredEvent> {{move, {10, 20}, {10, 20}, Qt::NoButton, none, plain}};
    QTest::newRow("first move to the origin is dropped")
        << Events {mouse(0, 0.4f, 0.7f)} << std::vector<DeliveredEvent> {};
    QTest::newRow("truncation goes toward zero") << Events {
        mouse(0, -0.9f, 3.9f)} << std::vector<DeliveredEvent> {{move, {0, 3}, {0, 3}, Qt::NoButton, none, plain}};
    QTest::newRow("right button") << Events {mouse(2, 5, 6, 1), mouse(1, 5, 6, 1)}
                                  << std::vector<DeliveredEvent> {
                                         {press, {5, 6}, {5, 6}, Qt::RightButton, Qt::RightButton, plain},
                                         {release, {5, 6}, {5, 6}, Qt::RightButton, none, plain}};
    QTest::newRow("middle button acts as left")
        << Events {mouse(2, 5, 6, 3), mouse(1, 5, 6, 3)}
        << std::vector<DeliveredEvent> {{press, {5, 6}, {5, 6}, Qt::LeftButton, Qt::LeftButton, plain},
               {release, {5, 6}, {5, 6}, Qt::LeftButton, none, plain}};
    QTest::newRow("moves carry the held button")
        << Events {mouse(2, 5, 6, 0), mouse(0, 30.5f, 40.5f), mouse(1, 30, 40, 0), mouse(0, 31, 40)}
        << std::vector<DeliveredEvent> {{press, {5, 6}, {5, 6}, Qt::LeftButton, Qt::LeftButton, plain},
               {move, {30, 40}, {30, 40}, Qt::NoButton, Qt::LeftButton, plain},
               {release, {30, 40}, {30, 40}, Qt::LeftButton, none, plain},
               {move, {31, 40}, {31, 40}, Qt::NoButton, none, plain}};
    QTest::newRow("both buttons held")
        << Events {mouse(2, 5, 6, 0), mouse(2, 5, 6, 1), mouse(0, 7, 8)}
        << std::vector<DeliveredEvent> {{press, {5, 6}, {5, 6}, Qt::LeftButton, Qt::LeftButton, plain},
               {press, {5, 6}, {5, 6}, Qt::RightButton, Qt::LeftButton | Qt::RightButton, plain},
               {move, {7, 8}, {7, 8}, Qt::NoButton, Qt::LeftButton | Qt::RightButton, plain}};
    // Only moves remember where the pointer was.
    QTest::newRow("presses do not count as the last position")
        << Events {mouse(2, 10, 20), mouse(1, 10, 20), mouse(0, 10, 20)}
        << std::vector<DeliveredEvent> {{press, {10, 20}, {10, 20}, Qt::LeftButton, Qt::LeftButton, plain},
               {release, {10, 20}, {10, 20}, Qt::LeftButton, none, plain},
               {move, {10, 20}, {10, 20}, Qt::NoButton, none, plain}};
    // The runtime's numbers are not trusted: no place, no move; a button
    // still happens, where the pointer last was; far off stays far off.
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    const int far = maxPanelCoordinate;
    QTest::newRow("move to NaN is dropped") << Events {mouse(0, 10, 20), mouse(0, nan, 5),
        mouse(0, 5, nan)} << std::vector<DeliveredEvent> {{move, {10, 20}, {10, 20}, Qt::NoButton, none, plain}};
    QTest::newRow("buttons at NaN use the last position")
        << Events {mouse(0, 10, 20), mouse(2, nan, nan), mouse(1, nan, 3)}
        << std::vector<DeliveredEvent> {{move, {10, 20}, {10, 20}, Qt::NoButton, none, plain},
               {press, {10, 20}, {10, 20}, Qt::LeftButton, Qt::LeftButton, plain},
               {release, {10, 20}, {10, 20}, Qt::LeftButton, none, plain}};
    QTest::newRow("infinities and huge values are clamped")
        << Events {mouse(0, inf, -inf), mouse(0, 1e30f, 3e9f), mouse(0, -1e30f, 7)}
        << std::vector<DeliveredEvent> {{move, {far, -far}, {far, -far}, Qt::NoButton, none, plain},
               {move, {far, far}, {far, far}, Qt::NoButton, none, plain},
               {move, {-far, 7}, {-far, 7}, Qt::NoButton, none, plain}};
    QTest::newRow("kinds 3 and up are ignored") << Events {mouse(3, 50, 50), mouse(7, 50, 50, 1),
        mouse(0, 50, 50)} << std::vector<DeliveredEvent> {{move, {50, 50}, {50, 50}, Qt::NoButton, none, plain}};
}

void TestQTTextureView::mouseEvents()
{
    QFETCH(Events, injected);
    QFETCH(std::vector<DeliveredEvent>, delivered);

    std::unique_ptr<QTTextureView> view = attachedView();
    EventRecorder recorder;
    // The document's items live in the offscreen window once attached.
    m_scene->window()->installEventFilter(&recorder);
    QVERIFY(m_scene->window() != m_window.get());

    for (const OverlayMouseEvent &event : injected)
        view->injectMouseEvent(event);

    QCOMPARE(recorder.events.size(), delivered.size());
    for (std::size_t i = 0; i < delivered.size(); ++i) {
        const DeliveredEvent &got = recorder.events[i];
        const DeliveredEvent &want = delivered[i];
        QCOMPARE(got.type, want.type);
        QCOMPARE(got.position, want.position);
        QCOMPARE(got.screenPosition, want.screenPosition);
        QCOMPARE(got.button, want.button);
        QCOMPARE(got.buttons, want.buttons);
        QCOMPARE(got.modifiers, want.modifiers);
    }
}

void TestQTTextureView::mouseEventsBeforeAttachChangeNothing()
{
    QTTextureView view(SharedOpenGLContext::instance().context());
    view.injectMouseEvent(mouse(2, 5, 5, 0));
    view.injectMouseEvent(mouse(0, 9, 9));

    view.attachWindow(m_window);
    EventRecorder recorder;
    m_scene->window()->installEventFilter(&recorder);
    view.injectMouseEvent(mouse(0, 9, 9));

    // Neither the press nor the move before attaching left a trace.
    QCOMPARE(recorder.events.size(), std::size_t(1));
    QCOMPARE(recorder.events[0].type, QEvent::MouseMove);
    QCOMPARE(recorder.events[0].buttons, Qt::MouseButtons());
}

void TestQTTextureView::contextFailureEndsProcess_data()
{
    QTest::addColumn<QString>("failure");
    QTest::addColumn<QString>("message");

    QTest::newRow("construction") << "construction"
                                  << "Failed to set the current context";
    QTest::newRow("attachWindow") << "attach"
                                  << "Failed to set Open GL context";
}

void TestQTTextureView::contextFailureEndsProcess()
{
    QFETCH(QString, failure);
    QFETCH(QString, message);

    QProcess child;
    child.start(QCoreApplication::applicationFilePath(), {QString::fromLatin1(failSwitch), failure});
    QVERIFY(child.waitForFinished(30000));
    const QString log = QString::fromLocal8Bit(child.readAllStandardError());
    QCOMPARE(child.exitStatus(), QProcess::NormalExit);
    QCOMPARE(child.exitCode(), 255);
    QVERIFY2(log.contains(message), qPrintable(log));
    QVERIFY2(!log.contains(QStringLiteral("survived")), qPrintable(log));
}

// The child process of contextFailureEndsProcess.
static int failContext(const QString &failure)
{
    if (failure == QLatin1String("construction")) {
        // Never created, so it can never be made current.
        QTTextureView view(std::make_shared<QOpenGLContext>());
    } else {
        auto context = std::make_shared<QOpenGLContext>();
        context->setFormat(SharedOpenGLContext::requestedFormat());
        context->create();
        QTTextureView view(context);
        // Recreated as a kind of context this platform cannot make.
        QSurfaceFormat impossible;
        impossible.setRenderableType(QSurfaceFormat::OpenVG);
        context->setFormat(impossible);
        context->create();
        auto window = std::make_shared<QmlWindow>(std::make_shared<FixedWindowModel>(200, 100, sceneUrl()));
        window->load();
        view.attachWindow(window);
    }
    qInfo("survived");
    return 0;
}

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    if (argc == 3 && qstrcmp(argv[1], failSwitch) == 0)
        return failContext(QString::fromLatin1(argv[2]));

    TestQTTextureView test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_qttextureview.moc"
