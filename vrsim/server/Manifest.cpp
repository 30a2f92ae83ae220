#include "Manifest.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace vrsim {

namespace {

constexpr int kMaxAppKeyLength = 128;

} // namespace

vr::EVRApplicationError Manifest::read(const QString &path, Manifest &manifest)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return vr::VRApplicationError_NoManifest;
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll(), &parseError);
    if (parseError.error != QJsonParseError::NoError || !document.isObject())
        return vr::VRApplicationError_InvalidManifest;
    const QJsonArray applications = document.object().value(QStringLiteral("applications")).toArray();
    if (applications.isEmpty())
        return vr::VRApplicationError_InvalidManifest;

    Manifest read;
    for (const QJsonValue &entry : applications) {
        const QJsonObject object = entry.toObject();
        Application application;
        application.key = object.value(QStringLiteral("app_key")).toString();
        application.dashboardOverlay = object.value(QStringLiteral("is_dashboard_overlay")).toBool();
        if (application.key.isEmpty() || application.key.toUtf8().size() > kMaxAppKeyLength)
            return vr::VRApplicationError_InvalidManifest;
        read.applications.append(application);
    }
    manifest = read;
    return vr::VRApplicationError_None;
}

} // namespace vrsim
