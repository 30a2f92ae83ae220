#pragma once

#include <openvr.h>

#include <QString>
#include <QVector>

namespace vrsim {

// The installed applications, kept in registry.json in the state folder so that they outlive
// the runtime (temporary ones do not).
class Registry
{
public:
    struct Application
    {
        QString key;
        QString manifest;
        bool autoLaunch = false;
        bool dashboardOverlay = false;
        bool temporary = false;
    };

    explicit Registry(const QString &stateDir);

    // A missing file is an empty registry; an unreadable one is reported and then treated so.
    bool load(QString *error);

    vr::EVRApplicationError addManifest(const QString &path, bool temporary);
    vr::EVRApplicationError removeManifest(const QString &path);
    bool isInstalled(const QString &key) const;
    vr::EVRApplicationError setAutoLaunch(const QString &key, bool autoLaunch);
    bool autoLaunch(const QString &key) const;

    const QVector<Application> &applications() const { return m_applications; }
    QString filePath() const;

private:
    Application *find(const QString &key);
    const Application *find(const QString &key) const;
    void save() const;

    QString m_stateDir;
    QVector<Application> m_applications;
};

} // namespace vrsim
