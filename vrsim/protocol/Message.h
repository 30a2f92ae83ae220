#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <type_traits>
#include <variant>
#include <vector>

namespace vrsim {

// What travels between applications, the runtime and the command line; the fields of each are
// those of its struct in Messages.h. Requests carry an id that their Reply echoes; pushes from the
// runtime carry id 0 unless they want a Reply too.
enum class MessageType : uint16_t {
    Hello = 1,
    // Application to the runtime
    CreateOverlay,
    SetOverlayFromFile,
    TryFailure,
    AddManifest,
    RemoveManifest,
    IsInstalled,
    SetAutoLaunch,
    GetAutoLaunch,
    SetOverlayVisible,
    SetOverlayMouseScale,
    SetOverlayWidthInMeters,
    SetOverlayAlpha,
    SetOverlayInputMethod,
    SetOverlayTransform,
    Frame,
    QuitAcknowledged,
    // Runtime to an application
    Event,
    DashboardState,
    OverlayVisibility,
    ArmedFailures,
    WantFrame,
    Sync,
    // Control connection to the runtime
    Status,
    Snapshot,
    Input,
    Dashboard,
    Quit,
    Fail,
    Stop,
    Counters,
    // Answer to any request
    Reply,
};

constexpr uint16_t kFirstMessageType = static_cast<uint16_t>(MessageType::Hello);
constexpr uint16_t kLastMessageType = static_cast<uint16_t>(MessageType::Reply);

enum class ConnectionRole : int64_t {
    Application = 1,
    Control = 2,
};

enum class InputAction : int64_t {
    Move = 0,
    Down = 1,
    Up = 2,
};

using Bytes = std::vector<uint8_t>;
using Value = std::variant<int64_t, double, std::string, Bytes>;

struct Message
{
    MessageType type = MessageType::Reply;
    uint32_t id = 0;
    std::vector<Value> values;

    Message() = default;
    Message(MessageType messageType, uint32_t messageId = 0)
        : type(messageType)
        , id(messageId)
    { }

    // Integers of any width, bools and enums all travel as int64.
    template<class T, std::enable_if_t<std::is_integral_v<T> || std::is_enum_v<T>, int> = 0>
    Message &operator<<(T value)
    {
        return appendInteger(static_cast<int64_t>(value));
    }
    Message &operator<<(double value);
    Message &operator<<(float value) { return *this << static_cast<double>(value); }
    Message &operator<<(std::string value);
    Message &operator<<(const char *value) { return *this << std::string(value); }
    Message &operator<<(Bytes value);

private:
    Message &appendInteger(int64_t value);
};

// Reads a message's values in order. A missing value or one of the wrong kind makes ok() false
// and every later read a default, so handlers read everything and check once.
class MessageReader
{
public:
    explicit MessageReader(const Message &message)
        : m_message(message)
    { }

    int64_t integer();
    double real();
    std::string text();
    const Bytes &bytes();
    bool atEnd() const { return m_next >= m_message.values.size(); }
    size_t remaining() const { return atEnd() ? 0 : m_message.values.size() - m_next; }
    bool ok() const { return m_ok; }
    // For a value that is there but cannot be what it claims.
    void fail() { m_ok = false; }

private:
    template<class T>
    const T *take();

    const Message &m_message;
    size_t m_next = 0;
    bool m_ok = true;
};

} // namespace vrsim
