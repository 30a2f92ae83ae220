#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <type_traits>
#include <variant>
#include <vector>

namespace vrsim {

// What travels between applications, the runtime and the command line. Requests carry an id
// that their Reply echoes; pushes from the runtime carry id 0 unless they want a Reply too.
enum class MessageType : uint16_t {
    // Application or control connection to the runtime
    Hello = 1, // role, application type -> Reply(init error, hz, photons, epoch ns, dashboard open, armed failures)
    // Application to the runtime
    CreateOverlay, // key, name, dashboard -> Reply(error, handle, thumbnail handle, visible)
    SetOverlayFromFile, // handle, path -> Reply(error)
    TryFailure, // api method -> Reply(error code, 0 to go on)
    AddManifest, // path, temporary -> Reply(error)
    RemoveManifest, // path -> Reply(error)
    IsInstalled, // app key -> Reply(installed)
    SetAutoLaunch, // app key, on -> Reply(error)
    GetAutoLaunch, // app key -> Reply(on)
    OverlayProperty, // handle, OverlayProperty, values...; no reply
    Frame, // handle, submits, width, height, RGBA pixels bottom row first; no reply
    // Runtime to an application
    Event, // overlay handle (0: system queue), event type, device, x, y, button
    DashboardState, // open
    OverlayVisibility, // handle, visible
    ArmedFailures, // bit mask of ApiMethod
    WantFrame, // handle
    Sync, // -> Reply((handle, submits, width, height)...) once everything sent before it is applied
    // Control connection to the runtime
    Status, // -> Reply(0, "", json)
    Snapshot, // overlay key, timeout ms -> Reply(0, "", width, height, RGBA pixels top row first)
    Input, // overlay key, InputAction, x, y, button
    Dashboard, // open
    Quit,
    Fail, // api method name, code, count
    Stop,
    Counters, // -> Reply(0, "", json)
    // Answer to any request; control replies start with (ok 0 or 1, error text)
    Reply,
    // Application to the runtime, after VREvent_Quit: it is exiting; no reply. (After Reply so
    // that the numbers of the types above stay as they were.)
    QuitAcknowledged,
};

constexpr uint16_t kFirstMessageType = static_cast<uint16_t>(MessageType::Hello);
constexpr uint16_t kLastMessageType = static_cast<uint16_t>(MessageType::QuitAcknowledged);

enum class ConnectionRole : int64_t {
    Application = 1,
    Control = 2,
};

enum class OverlayProperty : int64_t {
    Visible = 1, // visible
    MouseScale, // width, height
    WidthInMeters, // meters
    Alpha, // alpha
    InputMethod, // method
    Transform, // device, 12 matrix values row by row
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
    bool ok() const { return m_ok; }

private:
    template<class T>
    const T *take();

    const Message &m_message;
    size_t m_next = 0;
    bool m_ok = true;
};

} // namespace vrsim
