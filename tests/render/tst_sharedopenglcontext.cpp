#include "fakes/MessageCatcher.h"
#include "render/SharedOpenGLContext.h"

#include <QOpenGLContext>
#include <QtTest>

class TestSharedOpenGLContext : public QObject
{
    Q_OBJECT

private slots:
    void firstUseLogsCreationOnce();
    void oneContextForEveryone();
    void requestedFormat();
};

void TestSharedOpenGLContext::firstUseLogsCreationOnce()
{
    MessageCatcher catcher;
    SharedOpenGLContext::instance();
    SharedOpenGLContext::instance().context();

    QCOMPARE(catcher.messages(QtDebugMsg),
        QStringList({QStringLiteral("Creating OpenGL Context"), QStringLiteral("OpenGL Context Created")}));
}

void TestSharedOpenGLContext::oneContextForEveryone()
{
    SharedOpenGLContext &holder = SharedOpenGLContext::instance();
    QCOMPARE(&SharedOpenGLContext::instance(), &holder);

    std::shared_ptr<QOpenGLContext> first = holder.context();
    const long held = first.use_count();
    std::shared_ptr<QOpenGLContext> second = holder.context();
    QCOMPARE(second.get(), first.get());
    QCOMPARE(first.use_count(), held + 1);

    QVERIFY(first->isValid());
    QVERIFY(!first->shareContext());
    const QSurfaceFormat actual = first->format();
    QCOMPARE(actual.renderableType(), QSurfaceFormat::OpenGL);
    QVERIFY(actual.alphaBufferSize() >= 8);
    QVERIFY(actual.stencilBufferSize() >= 8);
}

void TestSharedOpenGLContext::requestedFormat()
{
    const QSurfaceFormat format = SharedOpenGLContext::requestedFormat();
    QCOMPARE(format.version(), qMakePair(4, 1));
    QCOMPARE(format.profile(), QSurfaceFormat::CompatibilityProfile);
    QCOMPARE(format.renderableType(), QSurfaceFormat::OpenGL);
    QCOMPARE(format.depthBufferSize(), 16);
    QCOMPARE(format.stencilBufferSize(), 8);
    QCOMPARE(format.redBufferSize(), 8);
    QCOMPARE(format.greenBufferSize(), 8);
    QCOMPARE(format.blueBufferSize(), 8);
    QCOMPARE(format.alphaBufferSize(), 8);
    // Everything else stays as Qt has it.
    const QSurfaceFormat plain;
    QCOMPARE(format.samples(), plain.samples());
    QCOMPARE(format.swapBehavior(), plain.swapBehavior());
    QCOMPARE(format.swapInterval(), plain.swapInterval());
    QCOMPARE(int(format.options()), int(plain.options()));
}

QTEST_MAIN(TestSharedOpenGLContext)
#include "tst_sharedopenglcontext.moc"
