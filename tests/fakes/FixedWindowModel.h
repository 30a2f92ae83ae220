#pragma once

#include "qml/IQTWindowModel.h"

#include <QUrl>

// A window model for any document, e.g. a small scene or a broken file.
class FixedWindowModel : public IQTWindowModel
{
public:
    FixedWindowModel(int width, int height, const QUrl &url, const char *contextName = "testWindow")
    {
        m_settings.width = width;
        m_settings.height = height;
        m_settings.url = url.toString().toStdString();
        m_settings.contextName = contextName;
    }

    QmlWindowSettings windowSettings() override { return m_settings; }

private:
    QmlWindowSettings m_settings;
};
