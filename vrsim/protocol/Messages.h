#pragma once

#include "ApiMethod.h"
#include "Message.h"

#include <array>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <type_traits>
#include <vector>

// One struct per message type: its fields, in the order they travel, are written once, in
// VRSIM_FIELDS, and both encode() and decode() follow that list. The client, the runtime and the
// command line all build and read messages through these structs, so a field added or moved on
// one side is one on every side. A request that is answered names its answer as `Reply`.
#define VRSIM_FIELDS(...)                                                                                              \
    template<class Visit>                                                                                              \
    void fields(Visit &&visit)                                                                                         \
    {                                                                                                                  \
        visit(__VA_ARGS__);                                                                                            \
    }                                                                                                                  \
    template<class Visit>                                                                                              \
    void fields(Visit &&visit) const                                                                                   \
    {                                                                                                                  \
        visit(__VA_ARGS__);                                                                                            \
    }

namespace vrsim {

namespace wire {

struct IgnoreFields
{
    template<class... Members>
    void operator()(Members &...) const
    { }
};

template<class T, class = void>
struct HasFields : std::false_type
{ };

template<class T>
struct HasFields<T, std::void_t<decltype(std::declval<T &>().fields(IgnoreFields()))>> : std::true_type
{ };

template<class T>
void put(Message &message, const T &value);

template<class T>
void get(MessageReader &reader, T &value);

template<class T>
struct IsArray : std::false_type
{ };
template<class T, size_t N>
struct IsArray<std::array<T, N>> : std::true_type
{ };

template<class T>
struct IsVector : std::false_type
{ };
template<class T>
struct IsVector<std::vector<T>> : std::true_type
{ };

template<class T>
void put(Message &message, const T &value)
{
    if constexpr (
        std::is_same_v<T,
            Bytes> || std::is_same_v<T, std::string> || std::is_floating_point_v<T> || std::is_integral_v<T> || std::is_enum_v<T>) {
        message << value;
    } else if constexpr (IsArray<T>::value) {
        for (const auto &element : value)
            put(message, element);
    } else if constexpr (IsVector<T>::value) {
        message << static_cast<int64_t>(value.size());
        for (const auto &element : value)
            put(message, element);
    } else {
        static_assert(HasFields<T>::value, "a message field must be a number, text, bytes, array, vector or struct");
        value.fields([&](const auto &...members) { (put(message, members), ...); });
    }
}

// An integer that does not fit the field it is read into is as malformed as a missing one.
template<class T>
void getInteger(MessageReader &reader, T &value)
{
    const int64_t wide = reader.integer();
    bool fits = true;
    if constexpr (std::is_same_v<T, bool> || (std::is_unsigned_v<T> && sizeof(T) == sizeof(int64_t))) {
        // Any value is a flag (non-zero: set); handles and counts use all 64
        // bits and travel as their two's complement.
        fits = true;
    } else if constexpr (std::is_unsigned_v<T>) {
        fits = wide >= 0 && static_cast<uint64_t>(wide) <= std::numeric_limits<T>::max();
    } else {
        fits = wide >= std::numeric_limits<T>::min() && wide <= std::numeric_limits<T>::max();
    }
    if (!fits)
        reader.fail();
    if constexpr (std::is_same_v<T, bool>)
        value = reader.ok() && wide != 0;
    else
        value = reader.ok() ? static_cast<T>(wide) : T();
}

template<class T>
void get(MessageReader &reader, T &value)
{
    if constexpr (std::is_same_v<T, Bytes>) {
        value = reader.bytes();
    } else if constexpr (std::is_same_v<T, std::string>) {
        value = reader.text();
    } else if constexpr (std::is_floating_point_v<T>) {
        value = static_cast<T>(reader.real());
    } else if constexpr (std::is_enum_v<T>) {
        std::underlying_type_t<T> raw {};
        getInteger(reader, raw);
        value = static_cast<T>(raw);
    } else if constexpr (std::is_integral_v<T>) {
        getInteger(reader, value);
    } else if constexpr (IsArray<T>::value) {
        for (auto &element : value)
            get(reader, element);
    } else if constexpr (IsVector<T>::value) {
        const int64_t count = reader.integer();
        // Each element takes at least one value, so a count past what is left is a lie, not a
        // reason to allocate.
        if (count < 0 || static_cast<uint64_t>(count) > reader.remaining())
            reader.fail();
        if (!reader.ok())
            return;
        value.resize(static_cast<size_t>(count));
        for (auto &element : value)
            get(reader, element);
    } else {
        static_assert(HasFields<T>::value, "a message field must be a number, text, bytes, array, vector or struct");
        value.fields([&](auto &...members) { (get(reader, members), ...); });
    }
}

} // namespace wire

// What every message struct has: its type, encode() and decode().
template<class T, MessageType Type>
struct Typed
{
    static constexpr MessageType kType = Type;

    Message encode(uint32_t id = 0) const
    {
        Message message(Type, id);
        wire::put(message, static_cast<const T &>(*this));
        return message;
    }

    // Nothing when the message is of another type, lacks a value, has one of the wrong kind or
    // range, or has values left over.
    static std::optional<T> decode(const Message &message)
    {
        if (message.type != Type)
            return std::nullopt;
        MessageReader reader(message);
        T decoded;
        wire::get(reader, decoded);
        if (!reader.ok() || !reader.atEnd())
            return std::nullopt;
        return decoded;
    }
};

namespace msg {

// Answers that carry one number: an error code, or a yes (1) or no (0).
struct Result : Typed<Result, MessageType::Reply>
{
    int32_t code = 0;
    VRSIM_FIELDS(code)
};

// The runtime's part of the handshake; a command line gets it with nothing but initError set,
// and so does an application the runtime turns away.
struct HelloReply : Typed<HelloReply, MessageType::Reply>
{
    int32_t initError = 0;
    double hz = 0;
    double secondsFromVsyncToPhotons = 0;
    int64_t epochNs = 0;
    bool dashboardOpen = false;
    uint32_t armedFailures = 0;
    VRSIM_FIELDS(initError, hz, secondsFromVsyncToPhotons, epochNs, dashboardOpen, armedFailures)
};

// Application or command line to the runtime, first on every connection.
struct Hello : Typed<Hello, MessageType::Hello>
{
    using Reply = HelloReply;
    ConnectionRole role = ConnectionRole::Application;
    int32_t applicationType = 0;
    VRSIM_FIELDS(role, applicationType)
};

// Application to the runtime.
struct CreateOverlayReply : Typed<CreateOverlayReply, MessageType::Reply>
{
    int32_t error = 0;
    uint64_t handle = 0;
    uint64_t thumbnailHandle = 0;
    bool visible = false;
    VRSIM_FIELDS(error, handle, thumbnailHandle, visible)
};

struct CreateOverlay : Typed<CreateOverlay, MessageType::CreateOverlay>
{
    using Reply = CreateOverlayReply;
    std::string key;
    std::string name;
    bool dashboard = false;
    VRSIM_FIELDS(key, name, dashboard)
};

struct SetOverlayFromFile : Typed<SetOverlayFromFile, MessageType::SetOverlayFromFile>
{
    using Reply = Result;
    uint64_t handle = 0;
    std::string path;
    VRSIM_FIELDS(handle, path)
};

// Asked only while a failure of `method` is armed; the reply's code is 0 to go on.
struct TryFailure : Typed<TryFailure, MessageType::TryFailure>
{
    using Reply = Result;
    ApiMethod method = ApiMethod::Count;
    VRSIM_FIELDS(method)
};

struct AddManifest : Typed<AddManifest, MessageType::AddManifest>
{
    using Reply = Result;
    std::string path;
    bool temporary = false;
    VRSIM_FIELDS(path, temporary)
};

struct RemoveManifest : Typed<RemoveManifest, MessageType::RemoveManifest>
{
    using Reply = Result;
    std::string path;
    VRSIM_FIELDS(path)
};

struct IsInstalled : Typed<IsInstalled, MessageType::IsInstalled>
{
    using Reply = Result;
    std::string appKey;
    VRSIM_FIELDS(appKey)
};

struct SetAutoLaunch : Typed<SetAutoLaunch, MessageType::SetAutoLaunch>
{
    using Reply = Result;
    std::string appKey;
    bool autoLaunch = false;
    VRSIM_FIELDS(appKey, autoLaunch)
};

struct GetAutoLaunch : Typed<GetAutoLaunch, MessageType::GetAutoLaunch>
{
    using Reply = Result;
    std::string appKey;
    VRSIM_FIELDS(appKey)
};

// Overlay changes: sent only when the value changed, and never answered.
struct SetOverlayVisible : Typed<SetOverlayVisible, MessageType::SetOverlayVisible>
{
    uint64_t handle = 0;
    bool visible = false;
    VRSIM_FIELDS(handle, visible)
};

struct SetOverlayMouseScale : Typed<SetOverlayMouseScale, MessageType::SetOverlayMouseScale>
{
    uint64_t handle = 0;
    double width = 0;
    double height = 0;
    VRSIM_FIELDS(handle, width, height)
};

struct SetOverlayWidthInMeters : Typed<SetOverlayWidthInMeters, MessageType::SetOverlayWidthInMeters>
{
    uint64_t handle = 0;
    double meters = 0;
    VRSIM_FIELDS(handle, meters)
};

struct SetOverlayAlpha : Typed<SetOverlayAlpha, MessageType::SetOverlayAlpha>
{
    uint64_t handle = 0;
    double alpha = 0;
    VRSIM_FIELDS(handle, alpha)
};

struct SetOverlayInputMethod : Typed<SetOverlayInputMethod, MessageType::SetOverlayInputMethod>
{
    uint64_t handle = 0;
    int32_t method = 0;
    VRSIM_FIELDS(handle, method)
};

struct SetOverlayTransform : Typed<SetOverlayTransform, MessageType::SetOverlayTransform>
{
    uint64_t handle = 0;
    uint32_t device = 0;
    // Row by row, three rows of four.
    std::array<double, 12> matrix {};
    VRSIM_FIELDS(handle, device, matrix)
};

// A texture read back for the runtime: RGBA, bottom row first, as OpenGL stores it.
struct Frame : Typed<Frame, MessageType::Frame>
{
    uint64_t handle = 0;
    uint64_t submits = 0;
    int32_t width = 0;
    int32_t height = 0;
    Bytes pixels;
    VRSIM_FIELDS(handle, submits, width, height, pixels)
};

// After VREvent_Quit: the application is exiting.
struct QuitAcknowledged : Typed<QuitAcknowledged, MessageType::QuitAcknowledged>
{
    VRSIM_FIELDS()
};

// What an application counted itself, sent back for a Sync.
struct OverlayCounts
{
    uint64_t handle = 0;
    uint64_t submits = 0;
    int32_t textureWidth = 0;
    int32_t textureHeight = 0;
    VRSIM_FIELDS(handle, submits, textureWidth, textureHeight)
};

struct SyncReply : Typed<SyncReply, MessageType::Reply>
{
    std::vector<OverlayCounts> overlays;
    VRSIM_FIELDS(overlays)
};

// Runtime to an application.
struct Event : Typed<Event, MessageType::Event>
{
    // 0: the system queue.
    uint64_t handle = 0;
    uint32_t eventType = 0;
    uint32_t device = 0;
    double x = 0;
    double y = 0;
    uint32_t button = 0;
    VRSIM_FIELDS(handle, eventType, device, x, y, button)
};

struct DashboardState : Typed<DashboardState, MessageType::DashboardState>
{
    bool open = false;
    VRSIM_FIELDS(open)
};

struct OverlayVisibility : Typed<OverlayVisibility, MessageType::OverlayVisibility>
{
    uint64_t handle = 0;
    bool visible = false;
    VRSIM_FIELDS(handle, visible)
};

struct ArmedFailures : Typed<ArmedFailures, MessageType::ArmedFailures>
{
    // Bits of methodBit(ApiMethod).
    uint32_t mask = 0;
    VRSIM_FIELDS(mask)
};

struct WantFrame : Typed<WantFrame, MessageType::WantFrame>
{
    uint64_t handle = 0;
    VRSIM_FIELDS(handle)
};

// Answered once everything the runtime sent before it is applied.
struct Sync : Typed<Sync, MessageType::Sync>
{
    using Reply = SyncReply;
    VRSIM_FIELDS()
};

// Command line to the runtime. Every answer starts with the outcome.
struct Outcome
{
    bool failed = false;
    std::string error;
    VRSIM_FIELDS(failed, error)
};

struct ControlReply : Typed<ControlReply, MessageType::Reply>
{
    Outcome outcome;
    VRSIM_FIELDS(outcome)
};

struct JsonReply : Typed<JsonReply, MessageType::Reply>
{
    Outcome outcome;
    Bytes json;
    VRSIM_FIELDS(outcome, json)
};

// RGBA, top row first.
struct SnapshotReply : Typed<SnapshotReply, MessageType::Reply>
{
    Outcome outcome;
    int32_t width = 0;
    int32_t height = 0;
    Bytes pixels;
    VRSIM_FIELDS(outcome, width, height, pixels)
};

struct Status : Typed<Status, MessageType::Status>
{
    using Reply = JsonReply;
    VRSIM_FIELDS()
};

struct Counters : Typed<Counters, MessageType::Counters>
{
    using Reply = JsonReply;
    VRSIM_FIELDS()
};

struct Snapshot : Typed<Snapshot, MessageType::Snapshot>
{
    using Reply = SnapshotReply;
    std::string key;
    int64_t timeoutMs = 0;
    VRSIM_FIELDS(key, timeoutMs)
};

struct Input : Typed<Input, MessageType::Input>
{
    using Reply = ControlReply;
    std::string key;
    InputAction action = InputAction::Move;
    double x = 0;
    double y = 0;
    int32_t button = 0;
    VRSIM_FIELDS(key, action, x, y, button)
};

struct Dashboard : Typed<Dashboard, MessageType::Dashboard>
{
    using Reply = ControlReply;
    bool open = false;
    VRSIM_FIELDS(open)
};

struct Quit : Typed<Quit, MessageType::Quit>
{
    using Reply = ControlReply;
    VRSIM_FIELDS()
};

// The method by name, so the runtime can say which ones it knows; code and count are checked
// there, so they travel as they were typed.
struct Fail : Typed<Fail, MessageType::Fail>
{
    using Reply = ControlReply;
    std::string method;
    int64_t code = 0;
    int64_t count = 0;
    VRSIM_FIELDS(method, code, count)
};

struct Stop : Typed<Stop, MessageType::Stop>
{
    using Reply = ControlReply;
    VRSIM_FIELDS()
};

} // namespace msg

// The messages one side takes, for dispatch(): adding a struct to a set makes every handler of
// that set a compile error until it handles the new one.
template<class... Types>
struct MessageSet
{ };

using ApplicationMessages = MessageSet<msg::CreateOverlay, msg::SetOverlayFromFile, msg::TryFailure, msg::AddManifest,
    msg::RemoveManifest, msg::IsInstalled, msg::SetAutoLaunch, msg::GetAutoLaunch, msg::SetOverlayVisible,
    msg::SetOverlayMouseScale, msg::SetOverlayWidthInMeters, msg::SetOverlayAlpha, msg::SetOverlayInputMethod,
    msg::SetOverlayTransform, msg::Frame, msg::QuitAcknowledged, msg::SyncReply>;
using RuntimePushes = MessageSet<msg::Event, msg::DashboardState, msg::OverlayVisibility, msg::ArmedFailures,
    msg::WantFrame, msg::Sync>;
using ControlRequests = MessageSet<msg::Status, msg::Counters, msg::Snapshot, msg::Input, msg::Dashboard, msg::Quit,
    msg::Fail, msg::Stop>;

enum class Dispatch {
    Handled,
    Unexpected, // a type this side does not take
    Malformed,
};

template<class T>
struct TypeTag
{
    using type = T;
};

// Two structs of one set with the same type would leave the second one's handler dead.
template<class... Types>
constexpr bool distinctTypes()
{
    constexpr MessageType types[] = {Types::kType...};
    for (size_t i = 0; i < sizeof...(Types); ++i) {
        for (size_t j = i + 1; j < sizeof...(Types); ++j) {
            if (types[i] == types[j])
                return false;
        }
    }
    return true;
}

// Decodes `message` as the one type of the set it is, and calls `handler` with it.
template<class... Types, class Handler>
Dispatch dispatch(MessageSet<Types...>, const Message &message, Handler &&handler)
{
    static_assert(distinctTypes<Types...>(), "each message of a set needs a MessageType of its own");
    Dispatch result = Dispatch::Unexpected;
    auto tryOne = [&](auto typeTag) {
        using T = typename decltype(typeTag)::type;
        if (message.type != T::kType)
            return false;
        if (std::optional<T> decoded = T::decode(message)) {
            handler(*decoded);
            result = Dispatch::Handled;
        } else {
            result = Dispatch::Malformed;
        }
        return true;
    };
    (tryOne(TypeTag<Types> {}) || ...);
    return result;
}

} // namespace vrsim
