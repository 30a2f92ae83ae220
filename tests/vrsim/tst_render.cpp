#include "GlTestContext.h"
#include "support/VrsimRuntime.h"

#include <openvr.h>

#include <QGuiApplication>
#include <QtTest>

namespace {

// No two pixels alike in a row or a column, alpha included, so a flip, a swap of channels,
// a shifted row or premultiplied alpha all show.
QImage pattern(int width, int height)
{
    QImage image(width, height, QImage::Format_RGBA8888);
    for (int y = 0; y < height; ++y) {
        uchar *line = image.scanLine(y);
        for (int x = 0; x < width; ++x) {
            line[x * 4 + 0] = uchar(x * 7);
            line[x * 4 + 1] = uchar(y * 11);
            line[x * 4 + 2] = uchar((x * 3) ^ (y * 5));
            line[x * 4 + 3] = uchar(255 - (x + 2 * y) % 200);
        }
    }
    return image;
}

vr::Texture_t glTexture(GLuint name)
{
    return vr::Texture_t {reinterpret_cast<void *>(uintptr_t(name)), vr::TextureType_OpenGL, vr::ColorSpace_Gamma};
}

} // namespace

class TestRender : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void snapshotIsUprightAndExact_data();
    void snapshotIsUprightAndExact();
    void submitsAreCountedWithoutTraffic();
    void stillOverlayIsServedFromItsLastTexture_data();
    void stillOverlayIsServedFromItsLastTexture();

private:
    VrsimRuntime m_runtime;
    GlTestContext m_gl;
};

void TestRender::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    if (!m_gl.create())
        QSKIP("no desktop OpenGL context here");
    QVERIFY(m_runtime.start());
    m_runtime.useInThisProcess();
}

void TestRender::init()
{
    vr::EVRInitError error;
    QVERIFY(vr::VR_Init(&error, vr::VRApplication_Overlay));
}

void TestRender::cleanup()
{
    vr::VR_Shutdown();
    QTRY_VERIFY(m_runtime.status().value(QStringLiteral("clients")).toArray().isEmpty());
}

void TestRender::snapshotIsUprightAndExact_data()
{
    QTest::addColumn<QSize>("size");
    QTest::addColumn<bool>("dashboard");
    QTest::addColumn<bool>("dirtyPackState");

    QTest::newRow("odd size") << QSize(37, 23) << false << false;
    QTest::newRow("HUD size") << QSize(1043, 537) << false << false;
    QTest::newRow("dashboard overlay") << QSize(256, 128) << true << false;
    QTest::newRow("caller left pack state set") << QSize(37, 23) << false << true;
}

void TestRender::snapshotIsUprightAndExact()
{
    QFETCH(QSize, size);
    QFETCH(bool, dashboard);
    QFETCH(bool, dirtyPackState);

    QOpenGLFunctions *gl = m_gl.gl();
    const QImage expected = pattern(size.width(), size.height());
    const GLuint texture = m_gl.upload(expected);
    const GLuint decoy = m_gl.upload(pattern(4, 4));
    vr::VROverlayHandle_t handle = vr::k_ulOverlayHandleInvalid;
    vr::VROverlayHandle_t thumbnail = vr::k_ulOverlayHandleInvalid;
    QCOMPARE(dashboard ? vr::VROverlay()->CreateDashboardOverlay("panel", "panel", &handle, &thumbnail)
                       : vr::VROverlay()->CreateOverlay("panel", "panel", &handle),
        vr::VROverlayError_None);

    // The program's own GL state must come through a submit untouched.
    gl->glBindTexture(GL_TEXTURE_2D, decoy);
    if (dirtyPackState) {
        gl->glPixelStorei(GL_PACK_ALIGNMENT, 8);
        gl->glPixelStorei(GL_PACK_ROW_LENGTH, size.width() + 13);
        gl->glPixelStorei(GL_PACK_SKIP_ROWS, 2);
    }

    const QString file = m_runtime.filePath(QStringLiteral("panel.png"));
    QFile::remove(file);
    QProcess snapshot;
    snapshot.setProcessEnvironment(m_runtime.environment());
    snapshot.start(QStringLiteral(VOLTARO_BIN_DIR "/vrsim"),
        {QStringLiteral("snapshot"), QStringLiteral("panel"), file, QStringLiteral("--timeout"), QStringLiteral("10")});
    QVERIFY(snapshot.waitForStarted());
    // Submit on a tick, as the program does, until the runtime has taken a frame.
    const vr::Texture_t submitted = glTexture(texture);
    int submits = 0;
    QDeadlineTimer deadline(15000);
    while (snapshot.state() != QProcess::NotRunning && !deadline.hasExpired()) {
        QCOMPARE(vr::VROverlay()->SetOverlayTexture(handle, &submitted), vr::VROverlayError_None);
        ++submits;
        snapshot.waitForFinished(5);
    }
    QCOMPARE(snapshot.exitCode(), 0);

    GLint bound = 0;
    gl->glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    QCOMPARE(GLuint(bound), decoy);
    GLint alignment = 0;
    gl->glGetIntegerv(GL_PACK_ALIGNMENT, &alignment);
    QCOMPARE(alignment, dirtyPackState ? 8 : 4);
    GLint rowLength = -1;
    gl->glGetIntegerv(GL_PACK_ROW_LENGTH, &rowLength);
    QCOMPARE(rowLength, dirtyPackState ? size.width() + 13 : 0);
    gl->glPixelStorei(GL_PACK_ALIGNMENT, 4);
    gl->glPixelStorei(GL_PACK_ROW_LENGTH, 0);
    gl->glPixelStorei(GL_PACK_SKIP_ROWS, 0);
    gl->glBindTexture(GL_TEXTURE_2D, 0);
    QCOMPARE(gl->glGetError(), GLenum(GL_NO_ERROR));

    const QImage written(file);
    QVERIFY(!written.isNull());
    QVERIFY(written.hasAlphaChannel());
    QCOMPARE(written.convertToFormat(QImage::Format_RGBA8888), expected);
    QCOMPARE(m_runtime.overlay(QStringLiteral("panel")).value(QStringLiteral("texture")).toObject(),
        QJsonObject({{"submits", submits}, {"width", size.width()}, {"height", size.height()}}));

    GLuint textures[] = {texture, decoy};
    gl->glDeleteTextures(2, textures);
}

void TestRender::submitsAreCountedWithoutTraffic()
{
    const GLuint large = m_gl.upload(pattern(64, 32));
    const GLuint small = m_gl.upload(pattern(20, 10));
    vr::VROverlayHandle_t handle = vr::k_ulOverlayHandleInvalid;
    QCOMPARE(vr::VROverlay()->CreateOverlay("hud", "hud", &handle), vr::VROverlayError_None);

    const qint64 before = m_runtime.counter(QStringLiteral("applicationMessages"));
    QVERIFY(before >= 0);
    const vr::Texture_t first = glTexture(large);
    const vr::Texture_t second = glTexture(small);
    for (int i = 0; i < 1000; ++i)
        QCOMPARE(vr::VROverlay()->SetOverlayTexture(handle, &first), vr::VROverlayError_None);
    for (int i = 0; i < 5; ++i)
        QCOMPARE(vr::VROverlay()->SetOverlayTexture(handle, &second), vr::VROverlayError_None);
    QCOMPARE(m_runtime.counter(QStringLiteral("applicationMessages")), before);

    // The counts reach the runtime when someone asks for them.
    QCOMPARE(m_runtime.overlay(QStringLiteral("hud")).value(QStringLiteral("texture")).toObject(),
        QJsonObject({{"submits", 1005}, {"width", 20}, {"height", 10}}));
    // A name that is no texture is refused and not counted.
    const vr::Texture_t bogus = glTexture(4242);
    QCOMPARE(vr::VROverlay()->SetOverlayTexture(handle, &bogus), vr::VROverlayError_InvalidTexture);
    QCOMPARE(m_runtime.overlay(QStringLiteral("hud")).value(QStringLiteral("texture")).toObject(),
        QJsonObject({{"submits", 1005}, {"width", 20}, {"height", 10}}));

    GLuint textures[] = {large, small};
    m_gl.gl()->glDeleteTextures(2, textures);
}

void TestRender::stillOverlayIsServedFromItsLastTexture_data()
{
    QTest::addColumn<QString>("call");
    for (const char *call : {"PollNextEvent", "GetTimeSinceLastVsync", "PollNextOverlayEvent", "IsOverlayVisible",
             "IsDashboardVisible", "SetOverlayAlpha"})
        QTest::newRow(call) << QString::fromLatin1(call);
}

void TestRender::stillOverlayIsServedFromItsLastTexture()
{
    QFETCH(QString, call);

    const QImage expected = pattern(41, 19);
    const GLuint texture = m_gl.upload(expected);
    vr::VROverlayHandle_t handle = vr::k_ulOverlayHandleInvalid;
    QCOMPARE(vr::VROverlay()->CreateOverlay("still", "still", &handle), vr::VROverlayError_None);
    const vr::Texture_t submitted = glTexture(texture);
    QCOMPARE(vr::VROverlay()->SetOverlayTexture(handle, &submitted), vr::VROverlayError_None);

    const QString file = m_runtime.filePath(QStringLiteral("still.png"));
    QFile::remove(file);
    QProcess snapshot;
    snapshot.setProcessEnvironment(m_runtime.environment());
    snapshot.start(QStringLiteral(VOLTARO_BIN_DIR "/vrsim"),
        {QStringLiteral("snapshot"), QStringLiteral("still"), file, QStringLiteral("--timeout"), QStringLiteral("10")});
    QVERIFY(snapshot.waitForStarted());

    // An application whose picture does not change only goes on with its
    // ticks; one of them answers the request, without a submit.
    QDeadlineTimer deadline(15000);
    while (snapshot.state() != QProcess::NotRunning && !deadline.hasExpired()) {
        vr::VREvent_t event;
        float seconds = 0.0f;
        uint64_t frame = 0;
        if (call == QLatin1String("PollNextEvent"))
            vr::VRSystem()->PollNextEvent(&event, sizeof(event));
        else if (call == QLatin1String("GetTimeSinceLastVsync"))
            vr::VRSystem()->GetTimeSinceLastVsync(&seconds, &frame);
        else if (call == QLatin1String("PollNextOverlayEvent"))
            vr::VROverlay()->PollNextOverlayEvent(handle, &event, sizeof(event));
        else if (call == QLatin1String("IsOverlayVisible"))
            vr::VROverlay()->IsOverlayVisible(handle);
        else if (call == QLatin1String("IsDashboardVisible"))
            vr::VROverlay()->IsDashboardVisible();
        else
            vr::VROverlay()->SetOverlayAlpha(handle, 0.5f);
        snapshot.waitForFinished(5);
    }
    QCOMPARE(snapshot.exitCode(), 0);
    QCOMPARE(QImage(file).convertToFormat(QImage::Format_RGBA8888), expected);
    QCOMPARE(m_runtime.overlay(QStringLiteral("still")).value(QStringLiteral("texture")).toObject(),
        QJsonObject({{"submits", 1}, {"width", 41}, {"height", 19}}));

    m_gl.gl()->glDeleteTextures(1, &texture);
}

VRSIM_GL_TEST_MAIN(TestRender)
#include "tst_render.moc"
