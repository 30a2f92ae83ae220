#pragma once

#include "Messages.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <type_traits>
#include <unordered_map>

namespace vrsim {

// One application's socket to the runtime. A reader thread takes everything the runtime pushes
// as it arrives, so API calls never touch the socket unless they change something; the price is
// a mutex around the state it feeds (see ClientState), far cheaper than a syscall per call.
class Connection
{
public:
    // Runs on the reader thread, in arrival order.
    using PushHandler = std::function<void(const Message &)>;
    // Runs on the reader thread when the reply arrives, before the requester wakes, so state the
    // reply creates exists before any push that follows it is applied.
    using ReplyHook = std::function<void(const Message &)>;

    Connection() = default;
    ~Connection();
    Connection(const Connection &) = delete;
    Connection &operator=(const Connection &) = delete;

    bool open(const std::string &path, PushHandler onPush);
    void close();
    bool isOpen() const { return m_open.load(std::memory_order_acquire); }

    bool send(const Message &message);
    // Nothing when the runtime is gone or silent for `timeout`.
    std::optional<Message> request(Message message, std::chrono::milliseconds timeout, ReplyHook hook = {});

    template<class Push>
    bool send(const Push &push)
    {
        return send(push.encode());
    }

    // A request struct and its Reply struct; nothing as for request(), or when the reply is
    // malformed (then `hook` is not run either).
    template<class Request, class Hook = std::nullptr_t>
    std::optional<typename Request::Reply> call(
        const Request &question, std::chrono::milliseconds timeout, Hook hook = nullptr)
    {
        using Reply = typename Request::Reply;
        ReplyHook rawHook;
        if constexpr (!std::is_same_v<Hook, std::nullptr_t>) {
            rawHook = [hook = std::move(hook)](const Message &message) {
                if (const std::optional<Reply> reply = Reply::decode(message))
                    hook(*reply);
            };
        }
        const std::optional<Message> reply = request(question.encode(), timeout, std::move(rawHook));
        return reply ? Reply::decode(*reply) : std::nullopt;
    }

private:
    struct Pending
    {
        std::optional<Message> reply;
        ReplyHook hook;
    };

    void readLoop();
    void dispatch(const Message &message);
    void markClosed();

    int m_fd = -1;
    std::thread m_reader;
    std::atomic<bool> m_open {false};
    PushHandler m_onPush;

    std::mutex m_sendMutex;
    std::mutex m_replyMutex;
    std::condition_variable m_replyArrived;
    std::unordered_map<uint32_t, Pending> m_pending;
    uint32_t m_nextId = 1;
};

} // namespace vrsim
