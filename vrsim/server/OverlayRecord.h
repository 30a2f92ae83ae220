#pragma once

#include <QPointer>
#include <QString>

#include <array>
#include <cstdint>

namespace vrsim {

class PeerConnection;

// An overlay as the runtime holds it. A dashboard overlay has a thumbnail overlay as its
// partner; the thumbnail has no key of its own and is listed through its main overlay.
struct OverlayRecord
{
    quint64 handle = 0;
    QString key;
    QString name;
    PeerConnection *owner = nullptr;
    bool dashboard = false;
    bool thumbnail = false;
    quint64 partner = 0;

    bool visible = false;
    // When the overlay was last shown and last hidden, in nanoseconds of the machine's
    // monotonic clock (0: never), so tests time what the runtime saw rather than when they looked.
    int64_t shownAtNs = 0;
    int64_t hiddenAtNs = 0;
    double alpha = 1.0;
    double widthInMeters = 1.0;
    std::array<double, 2> mouseScale {1.0, 1.0};
    int inputMethod = 0;
    QString file;
    bool hasTransform = false;
    quint32 transformDevice = 0;
    std::array<double, 12> transform {};

    quint64 submits = 0;
    int textureWidth = 0;
    int textureHeight = 0;

    double mouseX = 0.0;
    double mouseY = 0.0;

    void noteVisibility(int64_t nowNs) { (visible ? shownAtNs : hiddenAtNs) = nowNs; }
};

} // namespace vrsim
