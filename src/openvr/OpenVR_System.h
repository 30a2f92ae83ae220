#pragma once

#include <openvr.h>

#include <QElapsedTimer>
#include <QObject>
#include <QString>

#include <string>

class QTimer;

// The process's one connection to the VR runtime, and the registration of the
// program's application manifest with it.
class OpenVR_System : public QObject
{
public:
    static OpenVR_System &instance();

    // Connects as `applicationType` and registers the manifest when the runtime
    // does not know `applicationKey` yet. A connection that fails ends the
    // process (exit status -1). Without `force`, a connected instance is left
    // as it is.
    bool init(
        vr::EVRApplicationType applicationType, std::string manifestFileName, std::string applicationKey, bool force);
    bool isInitialized() const { return m_initialized; }

    QString manifestPath() const;
    bool install();
    bool uninstall();

    void pollEvents();

    static constexpr int pollIntervalMs = 20;
    // How often the runtime is asked whether it is still there, so that its
    // loss is noticed well within two seconds.
    static constexpr int runtimeCheckIntervalMs = 500;

private:
    OpenVR_System() = default;
    ~OpenVR_System() override;

    void shutdown();
    void leaveEventLoop();

    bool m_initialized = false;
    vr::EVRInitError m_initError = vr::VRInitError_None;
    QTimer *m_pollTimer = nullptr;
    QElapsedTimer m_runtimeCheck;
    std::string m_applicationKey;
    std::string m_manifestFileName;
};
