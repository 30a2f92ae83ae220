#include "Registry.h"

#include "Manifest.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

#include <algorithm>

namespace vrsim {

namespace {

// One spelling per file, so that removing by path finds what adding by path stored.
QString normalized(const QString &path)
{
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

} // namespace

Registry::Registry(const QString &stateDir)
    : m_stateDir(stateDir)
{ }

QString Registry::filePath() const
{
    return QDir(m_stateDir).filePath(QStringLiteral("registry.json"));
}

bool Registry::load(QString *error)
{
    m_applications.clear();
    QFile file(filePath());
    if (!file.exists())
        return true;
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot read %1: %2").arg(file.fileName(), file.errorString());
        return false;
    }
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll(), &parseError);
    if (parseError.error != QJsonParseError::NoError || !document.isObject()) {
        *error = QStringLiteral("%1 is not a registry: %2").arg(file.fileName(), parseError.errorString());
        return false;
    }
    const QJsonArray entries = document.object().value(QStringLiteral("applications")).toArray();
    for (const QJsonValue &value : entries) {
        const QJsonObject object = value.toObject();
        Application application;
        application.key = object.value(QStringLiteral("key")).toString();
        application.manifest = object.value(QStringLiteral("manifest")).toString();
        application.autoLaunch = object.value(QStringLiteral("autoLaunch")).toBool();
        application.dashboardOverlay = object.value(QStringLiteral("dashboardOverlay")).toBool();
        if (!application.key.isEmpty() && !find(application.key))
            m_applications.append(application);
    }
    return true;
}

vr::EVRApplicationError Registry::addManifest(const QString &path, bool temporary)
{
    Manifest manifest;
    const vr::EVRApplicationError error = Manifest::read(path, manifest);
    if (error != vr::VRApplicationError_None)
        return error;
    const QString file = normalized(path);
    for (const Manifest::Application &declared : manifest.applications) {
        // Adding a manifest again, from wherever it now lives, refreshes its entries and keeps
        // the user's auto-launch choice.
        Application *application = find(declared.key);
        if (!application) {
            m_applications.append(Application());
            application = &m_applications.last();
            application->key = declared.key;
        }
        application->manifest = file;
        application->dashboardOverlay = declared.dashboardOverlay;
        application->temporary = temporary;
    }
    save();
    return vr::VRApplicationError_None;
}

vr::EVRApplicationError Registry::removeManifest(const QString &path)
{
    const QString file = normalized(path);
    const auto removed = std::remove_if(m_applications.begin(), m_applications.end(),
        [&](const Application &application) { return application.manifest == file; });
    if (removed == m_applications.end())
        return vr::VRApplicationError_NoManifest;
    m_applications.erase(removed, m_applications.end());
    save();
    return vr::VRApplicationError_None;
}

bool Registry::isInstalled(const QString &key) const
{
    return find(key) != nullptr;
}

vr::EVRApplicationError Registry::setAutoLaunch(const QString &key, bool autoLaunch)
{
    Application *application = find(key);
    if (!application)
        return vr::VRApplicationError_UnknownApplication;
    // Only dashboard overlays start with the runtime.
    if (!application->dashboardOverlay)
        return vr::VRApplicationError_InvalidManifest;
    application->autoLaunch = autoLaunch;
    save();
    return vr::VRApplicationError_None;
}

bool Registry::autoLaunch(const QString &key) const
{
    const Application *application = find(key);
    return application && application->autoLaunch;
}

Registry::Application *Registry::find(const QString &key)
{
    for (Application &application : m_applications) {
        if (application.key == key)
            return &application;
    }
    return nullptr;
}

const Registry::Application *Registry::find(const QString &key) const
{
    return const_cast<Registry *>(this)->find(key);
}

void Registry::save() const
{
    QJsonArray entries;
    for (const Application &application : m_applications) {
        if (application.temporary)
            continue;
        entries.append(QJsonObject {{QStringLiteral("key"), application.key},
            {QStringLiteral("manifest"), application.manifest}, {QStringLiteral("autoLaunch"), application.autoLaunch},
            {QStringLiteral("dashboardOverlay"), application.dashboardOverlay}});
    }
    QDir().mkpath(m_stateDir);
    QSaveFile file(filePath());
    if (!file.open(QIODevice::WriteOnly)) {
        qWarning().noquote() << QStringLiteral("vrsim: cannot write %1: %2").arg(file.fileName(), file.errorString());
        return;
    }
    file.write(QJsonDocument(QJsonObject {{QStringLiteral("applications"), entries}}).toJson());
    if (!file.commit())
        qWarning().noquote() << QStringLiteral("vrsim: cannot write %1: %2").arg(file.fileName(), file.errorString());
}

} // namespace vrsim
