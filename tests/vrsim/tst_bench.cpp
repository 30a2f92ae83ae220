#include "GlTestContext.h"
#include "support/VrsimRuntime.h"

#include <openvr.h>

#include <QGuiApplication>
#include <QtTest>

#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <functional>

// What the program calls on every 20 ms tick and for the HUD's frame timer, against a live
// runtime with nothing changing. These must stay in the process: well under a microsecond each
// and not one message on the socket.
class TestClientCallsBench : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void perCall_data();
    void perCall();
    void idleCallsStayOffTheSocket();

private:
    using Call = std::function<void()>;
    QVector<QPair<QString, Call>> calls() const;

    VrsimRuntime m_runtime;
    GlTestContext m_gl;
    bool m_haveGl = false;
    GLuint m_texture = 0;
    vr::VROverlayHandle_t m_overlay = vr::k_ulOverlayHandleInvalid;
    int m_idleSocket[2] = {-1, -1};
};

Q_DECLARE_METATYPE(std::function<void()>)

void TestClientCallsBench::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QVERIFY(m_runtime.start());
    m_runtime.useInThisProcess();
    vr::EVRInitError error;
    QVERIFY(vr::VR_Init(&error, vr::VRApplication_Overlay));
    QCOMPARE(vr::VROverlay()->CreateOverlay("bench", "bench", &m_overlay), vr::VROverlayError_None);
    QCOMPARE(vr::VROverlay()->ShowOverlay(m_overlay), vr::VROverlayError_None);
    QCOMPARE(m_runtime.status().value(QStringLiteral("clients")).toArray().size(), 1);
    vr::VREvent_t event;
    while (vr::VROverlay()->PollNextOverlayEvent(m_overlay, &event, sizeof event)) { }

    m_haveGl = m_gl.create();
    if (m_haveGl) {
        QImage image(512, 256, QImage::Format_RGBA8888);
        image.fill(Qt::darkGreen);
        m_texture = m_gl.upload(image);
    }
    QCOMPARE(::socketpair(AF_UNIX, SOCK_STREAM, 0, m_idleSocket), 0);
}

void TestClientCallsBench::cleanupTestCase()
{
    vr::VR_Shutdown();
    for (int fd : m_idleSocket)
        ::close(fd);
}

QVector<QPair<QString, TestClientCallsBench::Call>> TestClientCallsBench::calls() const
{
    const vr::VROverlayHandle_t overlay = m_overlay;
    QVector<QPair<QString, Call>> list {
        {QStringLiteral("IsDashboardVisible"), [] { vr::VROverlay()->IsDashboardVisible(); }},
        {QStringLiteral("IsOverlayVisible"), [overlay] { vr::VROverlay()->IsOverlayVisible(overlay); }},
        {QStringLiteral("PollNextOverlayEvent, empty"),
            [overlay] {
                vr::VREvent_t event;
                vr::VROverlay()->PollNextOverlayEvent(overlay, &event, sizeof event);
            }},
        {QStringLiteral("PollNextEvent, empty"),
            [] {
                vr::VREvent_t event;
                vr::VRSystem()->PollNextEvent(&event, sizeof event);
            }},
        {QStringLiteral("GetTimeSinceLastVsync"),
            [] {
                float seconds;
                uint64_t frame;
                vr::VRSystem()->GetTimeSinceLastVsync(&seconds, &frame);
            }},
        {QStringLiteral("GetFloatTrackedDeviceProperty, frequency"),
            [] { vr::VRSystem()->GetFloatTrackedDeviceProperty(0, vr::Prop_DisplayFrequency_Float); }},
        {QStringLiteral("GetFloatTrackedDeviceProperty, vsync to photons"),
            [] { vr::VRSystem()->GetFloatTrackedDeviceProperty(0, vr::Prop_SecondsFromVsyncToPhotons_Float); }},
    };
    if (m_haveGl) {
        const vr::Texture_t texture {
            reinterpret_cast<void *>(uintptr_t(m_texture)), vr::TextureType_OpenGL, vr::ColorSpace_Auto};
        list.append({QStringLiteral("SetOverlayTexture, no frame wanted"),
            [overlay, texture] { vr::VROverlay()->SetOverlayTexture(overlay, &texture); }});
    }
    return list;
}

void TestClientCallsBench::perCall_data()
{
    QTest::addColumn<Call>("call");
    for (const auto &[name, call] : calls())
        QTest::newRow(qPrintable(name)) << call;
    // For scale: what each call would cost if it looked at the socket instead of a reader
    // thread doing so.
    const int fd = m_idleSocket[0];
    QTest::newRow("reference: recv(MSG_DONTWAIT) on an idle socket") << Call([fd] {
        char byte;
        (void)::recv(fd, &byte, 1, MSG_DONTWAIT);
    });
}

void TestClientCallsBench::perCall()
{
    QFETCH(Call, call);
    QBENCHMARK
    {
        call();
    }
}

void TestClientCallsBench::idleCallsStayOffTheSocket()
{
    auto applicationMessages = [this] { return m_runtime.counter(QStringLiteral("applicationMessages")); };
    const qint64 before = applicationMessages();
    QVERIFY(before >= 0);
    constexpr int kBatches = 31;
    constexpr int kCallsPerBatch = 2000;
    for (const auto &[name, call] : calls()) {
        QVector<qint64> batches;
        for (int batch = 0; batch < kBatches; ++batch) {
            QElapsedTimer timer;
            timer.start();
            for (int i = 0; i < kCallsPerBatch; ++i)
                call();
            batches.append(timer.nsecsElapsed());
        }
        std::nth_element(batches.begin(), batches.begin() + kBatches / 2, batches.end());
        const double median = double(batches[kBatches / 2]) / kCallsPerBatch;
        qInfo().noquote() << QStringLiteral("%1: %2 ns per call (median of %3 batches of %4)")
                                 .arg(name)
                                 .arg(median, 0, 'f', 1)
                                 .arg(kBatches)
                                 .arg(kCallsPerBatch);
    }
    // The figures above are for reading; what must hold is that no call went to the runtime.
    QCOMPARE(applicationMessages(), before);
}

VRSIM_GL_TEST_MAIN(TestClientCallsBench)
#include "tst_bench.moc"
