#pragma once

#include "ApiMethod.h"
#include "ClientState.h"
#include "Connection.h"

#include <openvr.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>

namespace vrsim {

class SystemInterface;
class OverlayInterface;
class ApplicationsInterface;

// The process's one link to the runtime: what the VR_ entry points act on, and what the
// interfaces share.
class RuntimeClient
{
public:
    // Longest a call waits for the runtime's answer before it reports failure.
    static constexpr std::chrono::milliseconds kReplyTimeout {2000};

    static RuntimeClient &instance();

    uint32_t init(vr::EVRInitError *error, vr::EVRApplicationType type);
    void shutdown();
    bool isInterfaceVersionValid(const char *version) const;
    void *genericInterface(const char *version, vr::EVRInitError *error);
    uint32_t initToken() const { return m_token.load(std::memory_order_acquire); }

    bool connected() const { return m_initialized.load(std::memory_order_acquire) && m_connection.isOpen(); }
    ClientState &state() { return m_state; }
    Connection &connection() { return m_connection; }

    // The error code `vrsim fail` armed for this call, or 0 to go on. Costs a round trip only
    // while a failure of that method is armed.
    int injectedFailure(ApiMethod method);

    // Answers a wanted frame from the overlay's last submitted texture, read through the
    // caller's current context. API calls of the per-frame and per-tick kind call this, so a
    // still picture that is never submitted again still reaches a snapshot. Costs one atomic
    // load while nothing is wanted.
    void serveWantedFrames()
    {
        if (m_state.framesWanted.load(std::memory_order_relaxed))
            serveFromLastTextures();
    }

private:
    RuntimeClient();
    ~RuntimeClient();

    void onPush(const Message &message);
    void apply(uint32_t id, const msg::Sync &sync);
    // Everything else the runtime pushes changes the mirror.
    template<class Push>
    void apply(uint32_t id, const Push &push);
    void serveFromLastTextures();

    std::mutex m_lifecycleMutex;
    std::atomic<bool> m_initialized {false};
    std::atomic<uint32_t> m_token {0};
    uint32_t m_lastToken = 0;
    ClientState m_state;
    Connection m_connection;
    std::unique_ptr<SystemInterface> m_system;
    std::unique_ptr<OverlayInterface> m_overlay;
    std::unique_ptr<ApplicationsInterface> m_applications;
};

} // namespace vrsim
