#pragma once

#include <openvr.h>

#include <QString>
#include <QVector>

namespace vrsim {

// The applications an application manifest (.vrmanifest) declares.
struct Manifest
{
    struct Application
    {
        QString key;
        bool dashboardOverlay = false;
    };

    QVector<Application> applications;

    // NoManifest for a missing or unreadable file, InvalidManifest for anything but JSON with at
    // least one application that has a usable key.
    static vr::EVRApplicationError read(const QString &path, Manifest &manifest);
};

} // namespace vrsim
