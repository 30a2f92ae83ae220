#include "openvr/OpenVR_Dashboard.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDir>

OpenVR_Dashboard::OpenVR_Dashboard(std::string friendlyName, std::string key, std::string thumbnailPath)
    : OpenVR_InputRenderer(std::move(friendlyName), std::move(key))
{
    vr::IVROverlay *overlay = vr::VROverlay();
    if (!overlay)
        return;

    // Each step is tried even when the one before failed; the runtime's errors
    // for the later steps are logged too.
    vr::EVROverlayError error
        = overlay->CreateDashboardOverlay(m_key.c_str(), m_name.c_str(), &m_handle, &m_thumbnailHandle);
    if (error != vr::VROverlayError_None)
        qCritical() << "Error (" << static_cast<int>(error) << ") creating dashboard overlay, name:" << m_name.c_str();

    error = overlay->SetOverlayInputMethod(m_handle, vr::VROverlayInputMethod_Mouse);
    if (error != vr::VROverlayError_None) {
        qCritical() << "Error (" << static_cast<int>(error)
                    << ") setting overlay input method, name:" << m_name.c_str();
    }

    const QString thumbnail = resolveThumbnailPath(thumbnailPath);
    qDebug() << "BatteryIcon:" << thumbnail;
    error = overlay->SetOverlayFromFile(m_thumbnailHandle, thumbnail.toStdString().c_str());
    if (error != vr::VROverlayError_None) {
        qCritical() << "Error (" << static_cast<int>(error)
                    << ") setting dashboard overlay thumbnail, name:" << m_name.c_str();
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
