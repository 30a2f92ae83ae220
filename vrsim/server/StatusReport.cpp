#include "StatusReport.h"

#include "PeerConnection.h"
#include "Runtime.h"

#include <QJsonArray>

namespace vrsim {

namespace {

QJsonValue transformJson(const OverlayRecord &overlay)
{
    if (!overlay.hasTransform)
        return QJsonValue::Null;
    QJsonArray rows;
    for (size_t row = 0; row < 3; ++row) {
        QJsonArray columns;
        for (size_t column = 0; column < 4; ++column)
            columns.append(overlay.transform[row * 4 + column]);
        rows.append(columns);
    }
    return QJsonObject {
        {QStringLiteral("device"), static_cast<qint64>(overlay.transformDevice)}, {QStringLiteral("matrix"), rows}};
}

QJsonValue thumbnailJson(const Runtime &runtime, const OverlayRecord &overlay)
{
    if (!overlay.dashboard)
        return QJsonValue::Null;
    const auto thumbnail = runtime.overlays().find(overlay.partner);
    const QString file = thumbnail != runtime.overlays().end() ? thumbnail->second.file : QString();
    return QJsonObject {{QStringLiteral("file"), file.isEmpty() ? QJsonValue(QJsonValue::Null) : QJsonValue(file)}};
}

QJsonValue secondsOrNull(int64_t ns)
{
    return ns == 0 ? QJsonValue(QJsonValue::Null) : QJsonValue(static_cast<double>(ns) * 1e-9);
}

QJsonObject overlayJson(const Runtime &runtime, const OverlayRecord &overlay)
{
    return QJsonObject {
        {QStringLiteral("key"), overlay.key},
        {QStringLiteral("name"), overlay.name},
        {QStringLiteral("owner"), overlay.owner->pid()},
        {QStringLiteral("dashboard"), overlay.dashboard},
        {QStringLiteral("visible"), overlay.visible},
        {QStringLiteral("shownAt"), secondsOrNull(overlay.shownAtNs)},
        {QStringLiteral("hiddenAt"), secondsOrNull(overlay.hiddenAtNs)},
        {QStringLiteral("alpha"), overlay.alpha},
        {QStringLiteral("widthInMeters"), overlay.widthInMeters},
        {QStringLiteral("mouseScale"), QJsonArray {overlay.mouseScale[0], overlay.mouseScale[1]}},
        {QStringLiteral("inputMethod"), overlay.inputMethod},
        {QStringLiteral("thumbnail"), thumbnailJson(runtime, overlay)},
        {QStringLiteral("transform"), transformJson(overlay)},
        {QStringLiteral("texture"),
            QJsonObject {{QStringLiteral("submits"), static_cast<qint64>(overlay.submits)},
                {QStringLiteral("width"), overlay.textureWidth}, {QStringLiteral("height"), overlay.textureHeight}}},
    };
}

// Every method of the table that still has failures to hand out.
QJsonArray armedFailuresJson(const FailureTable &failures)
{
    QJsonArray armed;
    for (size_t i = 0; i < kApiMethodCount; ++i) {
        const FailureTable::Armed &entry = failures.armed()[i];
        if (entry.remaining <= 0)
            continue;
        armed.append(QJsonObject {{QStringLiteral("method"), QLatin1String(kApiMethodNames[i].name)},
            {QStringLiteral("code"), entry.code}, {QStringLiteral("remaining"), entry.remaining}});
    }
    return armed;
}

} // namespace

QJsonObject statusReport(const Runtime &runtime)
{
    QJsonArray apps;
    for (const Registry::Application &application : runtime.registry().applications()) {
        apps.append(
            QJsonObject {{QStringLiteral("key"), application.key}, {QStringLiteral("manifest"), application.manifest},
                {QStringLiteral("autoLaunch"), application.autoLaunch}});
    }
    QJsonArray clients;
    for (const PeerConnection *peer : runtime.applications()) {
        clients.append(
            QJsonObject {{QStringLiteral("pid"), peer->pid()}, {QStringLiteral("type"), peer->applicationType()}});
    }
    QJsonArray quitAcknowledgedBy;
    for (const qint64 pid : runtime.quitAcknowledgedBy())
        quitAcknowledgedBy.append(pid);
    QJsonArray overlays;
    for (const auto &[handle, overlay] : runtime.overlays()) {
        if (!overlay.thumbnail)
            overlays.append(overlayJson(runtime, overlay));
    }
    return QJsonObject {
        {QStringLiteral("hz"), runtime.options().hz},
        {QStringLiteral("frame"), static_cast<qint64>(runtime.frame())},
        {QStringLiteral("dashboardOpen"), runtime.dashboardOpen()},
        {QStringLiteral("apps"), apps},
        {QStringLiteral("clients"), clients},
        {QStringLiteral("overlays"), overlays},
        {QStringLiteral("quitAcknowledgedBy"), quitAcknowledgedBy},
        {QStringLiteral("armedFailures"), armedFailuresJson(runtime.failures())},
    };
}

} // namespace vrsim
