#include "openvr/OpenVR_System.h"

#include "app/TimerPhase.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QTimer>

#include <cstdlib>

OpenVR_System &OpenVR_System::instance()
{
    static OpenVR_System system;
    return system;
}

OpenVR_System::~OpenVR_System()
{
    shutdown();
    delete m_pollTimer;
}

bool OpenVR_System::init(
    vr::EVRApplicationType applicationType, std::string manifestFileName, std::string applicationKey, bool force)
{
    if (!force && m_initialized)
        return true;

    m_applicationKey = std::move(applicationKey);
    m_manifestFileName = std::move(manifestFileName);

    if (m_initialized)
        shutdown();

    vr::EVRInitError error = vr::VRInitError_None;
    vr::VR_Init(&error, applicationType);
    m_initError = error;

    if (m_initError != vr::VRInitError_None) {
        m_initialized = false;
        qCritical().nospace() << "Error Initializing HMD: " << static_cast<int>(m_initError);
        std::exit(-1);
    }

    m_initialized = true;

    vr::IVRApplications *applications = vr::VRApplications();
    if (applications && !applications->IsApplicationInstalled(m_applicationKey.c_str()))
        install();

    if (!m_pollTimer) {
        m_pollTimer = new QTimer;
        m_pollTimer->setInterval(pollIntervalMs);
        m_pollTimer->setSingleShot(false);
        connect(m_pollTimer, &QTimer::timeout, this, &OpenVR_System::pollEvents);
    }
    // An overlay application lives as long as the runtime does, so it must
    // hear the runtime's quit request. Utility runs end right after their one
    // job and never enter the event loop.
    if (applicationType == vr::VRApplication_Overlay)
        TimerPhase::start(m_pollTimer);

    return true;
}

void OpenVR_System::pollEvents()
{
    vr::IVRSystem *system = vr::VRSystem();
    if (!m_initialized || !system)
        return;

    vr::VREvent_t event;
    while (system->PollNextEvent(&event, sizeof(event))) {
        if (event.eventType == vr::VREvent_Quit) {
            // Said before anything is torn down: a runtime that hears nothing
            // ends the application after a short grace period, which would cut
            // the orderly exit (settings flushed, lock released) short.
            system->AcknowledgeQuit_Exiting();
            leaveEventLoop();
            return;
        }
    }

    // A runtime that dies or is killed sends no quit. Left alone, the program
    // would live on without overlays and keep its single-instance lock, so a
    // runtime started again could never launch it. The events above come from
    // the client library's local queue and say nothing of the runtime, so
    // twice a second one property read asks for it; the API names
    // CouldNotContactServer for exactly this case. Timed by the clock, not by
    // counting polls: on a loaded machine the polls come late.
    if (m_runtimeCheck.isValid() && !m_runtimeCheck.hasExpired(runtimeCheckIntervalMs))
        return;
    m_runtimeCheck.start();
    vr::ETrackedPropertyError error = vr::TrackedProp_Success;
    system->GetFloatTrackedDeviceProperty(vr::k_unTrackedDeviceIndex_Hmd, vr::Prop_DisplayFrequency_Float, &error);
    if (error == vr::TrackedProp_CouldNotContactServer) {
        qWarning() << "Lost the connection to the VR runtime; exiting";
        leaveEventLoop();
    }
}

void OpenVR_System::leaveEventLoop()
{
    // Disconnect first, so nothing reaches the runtime from here on, then let
    // the event loop return and the program tear down in order.
    shutdown();
    QCoreApplication::quit();
}

void OpenVR_System::shutdown()
{
    if (m_initialized) {
        if (m_pollTimer && m_pollTimer->isActive())
            m_pollTimer->stop();
        vr::VR_ShutdownInternal();
    }
    m_initialized = false;
}

QString OpenVR_System::manifestPath() const
{
    const QDir programDir(QCoreApplication::applicationDirPath());
    return QDir::cleanPath(programDir.absoluteFilePath(QString::fromUtf8(m_manifestFileName.c_str())));
}

bool OpenVR_System::install()
{
    qDebug() << "Installing...";

    const QString path = manifestPath();
    if (!QFile::exists(path)) {
        qCritical() << "Failed to find manifest file:" << path;
        return false;
    }

    vr::IVRApplications *applications = vr::VRApplications();
    if (!applications)
        return false;

    if (applications->IsApplicationInstalled(m_applicationKey.c_str())) {
        qDebug() << "Manifest already installed";
        return true;
    }

    const QString nativePath = QDir::toNativeSeparators(path);
    qDebug() << "Adding manifest file:" << nativePath;

    const vr::EVRApplicationError addError
        = applications->AddApplicationManifest(nativePath.toStdString().c_str(), false);
    if (addError != vr::VRApplicationError_None) {
        qCritical() << "Error installing manifest:" << static_cast<int>(addError);
        return false;
    }

    const vr::EVRApplicationError autoLaunchError
        = applications->SetApplicationAutoLaunch(m_applicationKey.c_str(), true);
    if (autoLaunchError != vr::VRApplicationError_None) {
        qCritical() << "Failed to set application auto launch:" << static_cast<int>(autoLaunchError);
        return false;
    }
    return true;
}

bool OpenVR_System::uninstall()
{
    if (!m_initialized) {
        qDebug() << "Must initialize system before uninstalling";
        return false;
    }

    qDebug() << "Uninstalling...";

    const QString path = manifestPath();
    if (!QFile::exists(path)) {
        qCritical() << "Failed to find manifest.vrmanifest file";
        return false;
    }

    vr::IVRApplications *applications = vr::VRApplications();
    if (!applications)
        return false;

    if (!applications->IsApplicationInstalled(m_applicationKey.c_str())) {
        qDebug() << "Manifest not installed";
        return true;
    }

    const QString nativePath = QDir::toNativeSeparators(path);
    qDebug() << "Application installed, uninstalling...";
    qDebug() << "Application manifest=" << nativePath;

    const vr::EVRApplicationError error = applications->RemoveApplicationManifest(nativePath.toStdString().c_str());
    if (error != vr::VRApplicationError_None) {
        qCritical() << "Failed to remove application manifest:" << static_cast<int>(error);
        return false;
    }
    return true;
}
