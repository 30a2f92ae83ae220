#pragma once

#include "qml/IQTWindowModel.h"

#include <QQmlEngine>
#include <QQuickWindow>

#include <memory>

class QQuickItem;

// A hidden Qt Quick window that hosts one QML document. It is never shown:
// a texture view takes its scene over and renders it off screen.
class QmlWindow : public QQuickWindow
{
public:
    explicit QmlWindow(std::shared_ptr<IQTWindowModel> model);
    ~QmlWindow() override;

    // Loads the document; a document that cannot be loaded ends the process.
    virtual void load();

    QQuickItem *rootItem() const;

private:
    QQmlEngine m_engine;
    std::shared_ptr<IQTWindowModel> m_model;
    QQuickItem *m_rootItem = nullptr;
};
