// `vrsim serve` without --headless: a viewer window when there is a display, and the same
// runtime without one when there is none.
#include "PanelClient.h"
#include "support/VrsimRuntime.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QtTest>

#include <xcb/xcb.h>

#include <cstdlib>
#include <memory>

namespace {

xcb_atom_t atom(xcb_connection_t *connection, const char *name)
{
    const xcb_intern_atom_cookie_t cookie = xcb_intern_atom(connection, 0, uint16_t(qstrlen(name)), name);
    std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> reply(
        xcb_intern_atom_reply(connection, cookie, nullptr), &std::free);
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

// The titles of the mapped top-level windows that process `pid` has on this test's display.
QStringList windowTitlesOf(qint64 pid)
{
    QStringList titles;
    xcb_connection_t *connection = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(connection)) {
        xcb_disconnect(connection);
        return titles;
    }
    const xcb_atom_t pidAtom = atom(connection, "_NET_WM_PID");
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
    std::unique_ptr<xcb_query_tree_reply_t, decltype(&std::free)> tree(
        xcb_query_tree_reply(connection, xcb_query_tree(connection, root), nullptr), &std::free);
    const int count = tree ? xcb_query_tree_children_length(tree.get()) : 0;
    const xcb_window_t *children = tree ? xcb_query_tree_children(tree.get()) : nullptr;
    for (int i = 0; i < count; ++i) {
        const auto property = [&](xcb_atom_t name, xcb_atom_t type) {
            return std::unique_ptr<xcb_get_property_reply_t, decltype(&std::free)>(
                xcb_get_property_reply(
                    connection, xcb_get_property(connection, 0, children[i], name, type, 0, 1024), nullptr),
                &std::free);
        };
        const auto owner = property(pidAtom, XCB_ATOM_CARDINAL);
        if (!owner || xcb_get_property_value_length(owner.get()) != 4
            || *static_cast<const uint32_t *>(xcb_get_property_value(owner.get())) != uint32_t(pid))
            continue;
        std::unique_ptr<xcb_get_window_attributes_reply_t, decltype(&std::free)> attributes(
            xcb_get_window_attributes_reply(connection, xcb_get_window_attributes(connection, children[i]), nullptr),
            &std::free);
        if (!attributes || attributes->map_state != XCB_MAP_STATE_VIEWABLE)
            continue;
        const auto title = property(XCB_ATOM_WM_NAME, XCB_ATOM_ANY);
        if (title) {
            titles.append(QString::fromUtf8(static_cast<const char *>(xcb_get_property_value(title.get())),
                xcb_get_property_value_length(title.get())));
        }
    }
    xcb_disconnect(connection);
    return titles;
}

// A display name that no X server on this machine answers to.
QString unusedDisplay()
{
    for (int number = 4711;; ++number) {
        if (!QFileInfo::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(number))
            && !QFileInfo::exists(QStringLiteral("/tmp/.X%1-lock").arg(number)))
            return QStringLiteral(":%1").arg(number);
    }
}

qint64 submits(const VrsimRuntime &runtime)
{
    return runtime.overlay(QStringLiteral("hud"))
        .value(QStringLiteral("texture"))
        .toObject()
        .value(QStringLiteral("submits"))
        .toVariant()
        .toLongLong();
}

} // namespace

class TestServe : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void viewerOnlyWithADisplay_data();
    void viewerOnlyWithADisplay();
};

void TestServe::initTestCase()
{
    if (qEnvironmentVariableIsEmpty("DISPLAY"))
        QSKIP("the panel client renders with OpenGL and needs an X display");
}

void TestServe::viewerOnlyWithADisplay_data()
{
    QTest::addColumn<QString>("display");
    QTest::addColumn<QString>("platform");
    QTest::addColumn<bool>("viewer");

    const QString here = qEnvironmentVariable("DISPLAY");
    QTest::newRow("display") << here << QString() << true;
    QTest::newRow("X platform named") << here << "xcb" << true;
    QTest::newRow("no display") << QString() << QString() << false;
    QTest::newRow("display that does not answer") << unusedDisplay() << QString() << false;
    QTest::newRow("X platform named, no display") << QString() << "xcb" << false;
    QTest::newRow("offscreen platform") << here << "offscreen" << false;
    QTest::newRow("platform that does not start") << here << "nosuchplatform" << false;
}

void TestServe::viewerOnlyWithADisplay()
{
    QFETCH(QString, display);
    QFETCH(QString, platform);
    QFETCH(bool, viewer);

    VrsimRuntime runtime;
    QProcessEnvironment environment = runtime.environment();
    environment.remove(QStringLiteral("DISPLAY"));
    environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
    if (!display.isEmpty())
        environment.insert(QStringLiteral("DISPLAY"), display);
    if (!platform.isEmpty())
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), platform);
    QVERIFY(runtime.startWithViewer(environment));
    QVERIFY(!runtime.status().isEmpty());

    PanelClient client(runtime.environment());
    QVERIFY(client.start(QStringLiteral("hud"), QSize(64, 32)));
    if (viewer) {
        QTRY_COMPARE(windowTitlesOf(runtime.server()->processId()), QStringList {QStringLiteral("vrsim viewer")});
        // The viewer shows the only overlay, so its frames are read back with nobody asking.
        QTRY_VERIFY(runtime.counter(QStringLiteral("framesReceived")) >= 3);
    } else {
        const qint64 before = submits(runtime);
        QTRY_VERIFY(submits(runtime) > before + 50);
        QCOMPARE(runtime.counter(QStringLiteral("framesReceived")), 0);
        QVERIFY(windowTitlesOf(runtime.server()->processId()).isEmpty());
    }
    const VrsimRuntime::Result snapshot
        = runtime.run({QStringLiteral("snapshot"), QStringLiteral("hud"), runtime.filePath(QStringLiteral("hud.png"))});
    QCOMPARE(snapshot.exitCode, 0);
    QCOMPARE(QImage(runtime.filePath(QStringLiteral("hud.png"))).size(), QSize(64, 32));
    QVERIFY(runtime.stop());
}

QTEST_GUILESS_MAIN(TestServe)
#include "tst_serve.moc"
