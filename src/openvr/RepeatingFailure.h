#pragma once

#include <cstdint>
#include <string>

// One runtime call that the program repeats until it works. A call that fails
// on every tick would flood the log, so its failure is reported once when it
// starts, by the caller's own message, and once when it ends, with a line that
// names the call and how often it failed.
class RepeatingFailure
{
public:
    explicit RepeatingFailure(const char *call)
        : m_call(call)
    { }

    // True for the first failure of a run: the caller writes its message then.
    bool failed() { return m_failures++ == 0; }
    // Closes a run of failures, if there was one.
    void succeeded(const std::string &overlayName);

    bool isFailing() const { return m_failures > 0; }
    uint64_t failures() const { return m_failures; }

private:
    const char *m_call;
    uint64_t m_failures = 0;
};
