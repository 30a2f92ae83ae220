#include "qml/QmlWindow.h"

#include <QDebug>
#include <QQmlComponent>
#include <QQmlContext>
#include <QQuickItem>
#include <QUrl>

#include <cstdlib>
#include <utility>

QmlWindow::QmlWindow(std::shared_ptr<IQTWindowModel> model)
    : QQuickWindow(static_cast<QWindow *>(nullptr))
    , m_engine(nullptr)
    , m_model(std::move(model))
{ }

QmlWindow::~QmlWindow()
{
    // The document's items refer to the engine's context: they go first.
    delete m_rootItem;
    m_rootItem = nullptr;
    m_model.reset();
}

void QmlWindow::load()
{
    const QmlWindowSettings settings = m_model->windowSettings();

    setWidth(settings.width);
    setHeight(settings.height);

    m_engine.setIncubationController(incubationController());

    // Set before the document is created: its bindings call the window while it is being built.
    m_engine.rootContext()->setContextProperty(
        QString::fromLatin1(settings.contextName.c_str()), static_cast<QObject *>(this));

    const QUrl url(QString::fromLatin1(settings.url.c_str()), QUrl::TolerantMode);
    auto component = std::make_unique<QQmlComponent>(&m_engine, url);
    if (!component->isReady()) {
        qDebug() << "Component is not ready:" << component->errorString();
        std::exit(-1);
    }

    QObject *root = component->create();
    const QString errors = component->errorString();
    component.reset();

    m_rootItem = qobject_cast<QQuickItem *>(root);
    if (!m_rootItem) {
        // A panel without an item at its root has nothing to show: as fatal as a broken document.
        delete root;
        qDebug() << "Component is not ready:" << errors;
        std::exit(-1);
    }

    m_rootItem->setWidth(settings.width);
    m_rootItem->setHeight(settings.height);
    m_rootItem->setParentItem(contentItem());
}

QQuickItem *QmlWindow::rootItem() const
{
    return m_rootItem;
}
