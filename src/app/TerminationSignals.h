#pragma once

#include <memory>

// While it lives, the usual requests to end a background program (SIGTERM,
// SIGINT on Linux) leave the Qt event loop, so the program tears down in order
// and flushes its settings, as it does after the runtime's quit request.
// Create it after the application object and let it go before; outside its
// lifetime the signals have their previous effect again.
class TerminationSignals
{
public:
    TerminationSignals();
    ~TerminationSignals();
    TerminationSignals(const TerminationSignals &) = delete;
    TerminationSignals &operator=(const TerminationSignals &) = delete;

private:
    struct Listener;
    std::unique_ptr<Listener> m_listener;
};
