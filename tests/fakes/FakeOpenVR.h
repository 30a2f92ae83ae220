#pragma once

// An in-process stand-in for the VR runtime, for unit tests of the program's
// OpenVR code. A test executable that links it (NEEDS fake_openvr) defines the
// VR_ entry points itself, so the program's calls land here instead of in the
// runtime client library.

#include <openvr.h>

#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

#include <deque>
#include <vector>

struct FakeOverlayState
{
    QString key;
    QString name;
    bool dashboard = false;
    bool visible = false;
    float alpha = 1.0f;
    float widthInMeters = 1.0f;
    vr::HmdVector2_t mouseScale {{1.0f, 1.0f}};
    int inputMethod = 0;
    QString thumbnailFile;
    int transformsSet = 0;
    vr::HmdMatrix34_t transform {};
    int texturesSet = 0;
    void *lastTexture = nullptr;
    std::deque<vr::VREvent_t> events;
};

class FakeOpenVR
{
public:
    static FakeOpenVR &instance();

    // Back to a runtime that is connected, empty and answers everything.
    void reset();

    bool initialized = false;
    vr::EVRInitError initError = vr::VRInitError_None;
    uint32_t token = 0;

    // System
    float displayFrequency = 90.0f;
    float secondsFromVsyncToPhotons = 0.011f;
    float secondsSinceVsync = 0.0f;
    uint64_t frameCounter = 0;
    int nullFrameCounterCalls = 0; // GetTimeSinceLastVsync calls without a counter to fill
    std::deque<vr::VREvent_t> systemEvents;
    // The runtime's process is gone: property reads cannot reach it.
    bool runtimeGone = false;
    // One entry per AcknowledgeQuit_Exiting: whether it came while still connected.
    std::vector<bool> quitAcknowledgements;

    // Overlays, by handle (handles start at 1).
    QMap<vr::VROverlayHandle_t, FakeOverlayState> overlays;
    bool dashboardVisible = false;
    // Method name -> error the next call returns.
    QMap<QString, int> failNext;
    QStringList calls; // method names, in order

    // Applications
    QMap<QString, QString> installedApps; // key -> manifest path
    QMap<QString, bool> autoLaunch;
    QString manifestAppKey = QStringLiteral("Tarvix.BatteryMonitor");

    FakeOverlayState *overlay(const QString &key);
    static vr::VREvent_t mouseEvent(uint32_t type, float x, float y, uint32_t button);
    static vr::VREvent_t event(uint32_t type);

    int takeFailure(const char *method);
};
