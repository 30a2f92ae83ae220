#include "openvr/OpenVR_Dashboard.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDir>

OpenVR_Dashboard::OpenVR_Dashboard(std::string friendlyName, std::string key, const std::string &thumbnailPath)
    : OpenVR_InputRenderer(std::move(friendlyName), std::move(key), "CreateDashboardOverlay")
{
    const QString thumbnail = resolveThumbnailPath(thumbnailPath);
    qDebug() << "BatteryIcon:" << thumbnail;
    m_thumbnailFile = thumbnail.toStdString();
    create();
}

vr::EVROverlayError OpenVR_Dashboard::createInRuntime(vr::IVROverlay *overlay)
{
    return overlay->CreateDashboardOverlay(m_key.c_str(), m_name.c_str(), &m_handle, &m_thumbnailHandle);
}

void OpenVR_Dashboard::reportCreateError(vr::EVROverlayError error)
{
    qCritical() << "Error (" << static_cast<int>(error) << ") creating dashboard overlay, name:" << m_name.c_str();
}

void OpenVR_Dashboard::onCreated()
{
    // Input and thumbnail need the handles the creation gives; each is kept
    // and tried again on its own when the runtime refuses it.
    m_inputMethodPending = true;
    m_thumbnailPending = true;
}

void OpenVR_Dashboard::applyOwnPending(vr::IVROverlay *overlay)
{
    if (m_inputMethodPending) {
        const vr::EVROverlayError error = overlay->SetOverlayInputMethod(m_handle, vr::VROverlayInputMethod_Mouse);
        if (error == vr::VROverlayError_None) {
            m_inputMethodPending = false;
            m_inputMethodFailure.succeeded(m_name);
        } else if (m_inputMethodFailure.failed()) {
            qCritical() << "Error (" << static_cast<int>(error)
                        << ") setting overlay input method, name:" << m_name.c_str();
        }
    }
    if (m_thumbnailPending) {
        const vr::EVROverlayError error = overlay->SetOverlayFromFile(m_thumbnailHandle, m_thumbnailFile.c_str());
        if (error == vr::VROverlayError_None) {
            m_thumbnailPending = false;
            m_thumbnailFailure.succeeded(m_name);
        } else if (error == vr::VROverlayError_UnableToLoadFile || error == vr::VROverlayError_InvalidParameter) {
            // A missing or unreadable image stays so: asking again would only
            // repeat the error on every tick.
            m_thumbnailPending = false;
            qCritical() << "Error (" << static_cast<int>(error)
                        << ") setting dashboard overlay thumbnail, name:" << m_name.c_str();
        } else if (m_thumbnailFailure.failed()) {
            qCritical() << "Error (" << static_cast<int>(error)
                        << ") setting dashboard overlay thumbnail, name:" << m_name.c_str();
        }
    }
}

QString OpenVR_Dashboard::resolveThumbnailPath(const std::string &thumbnailPath)
{
    QString relative = QString::fromStdString(thumbnailPath);
    // The default setting is written with a Windows separator; where a
    // backslash is an ordinary file name character, read it as a separator.
    if (QDir::separator() != QLatin1Char('\\'))
        relative.replace(QLatin1Char('\\'), QLatin1Char('/'));
    const QDir programDir(QCoreApplication::applicationDirPath());
    return QDir::cleanPath(programDir.absoluteFilePath(relative));
}

void OpenVR_Dashboard::setVisible(bool)
{
    // The VR dashboard decides when its overlays are shown.
}

void OpenVR_Dashboard::setPlacement(float, float, float, float)
{
    // The VR dashboard places its overlays itself.
}
