#include "Connection.h"

#include "Codec.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace vrsim {

namespace {

// A runtime that cannot take a message within this long is hung; the stream is then given up.
constexpr int kSendTimeoutSeconds = 2;

} // namespace

Connection::~Connection()
{
    close();
}

bool Connection::open(const std::string &path, PushHandler onPush)
{
    close();
    sockaddr_un address {};
    address.sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof(address.sun_path))
        return false;
    std::memcpy(address.sun_path, path.data(), path.size());

    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    if (::connect(fd, reinterpret_cast<const sockaddr *>(&address), sizeof(address)) != 0) {
        ::close(fd);
        return false;
    }
    timeval timeout {kSendTimeoutSeconds, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof(timeout));

    m_fd = fd;
    m_onPush = std::move(onPush);
    m_open.store(true, std::memory_order_release);
    m_reader = std::thread(&Connection::readLoop, this);
    return true;
}

void Connection::close()
{
    markClosed();
    if (m_reader.joinable())
        m_reader.join();
    std::lock_guard<std::mutex> sendLock(m_sendMutex);
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    std::lock_guard<std::mutex> replyLock(m_replyMutex);
    m_pending.clear();
}

void Connection::markClosed()
{
    {
        std::lock_guard<std::mutex> lock(m_replyMutex);
        m_open.store(false, std::memory_order_release);
        // Wakes the reader's recv; the descriptor itself stays valid until close().
        if (m_fd >= 0)
            ::shutdown(m_fd, SHUT_RDWR);
    }
    m_replyArrived.notify_all();
}

bool Connection::send(const Message &message)
{
    if (!isOpen())
        return false;
    const std::vector<uint8_t> bytes = encode(message);
    std::lock_guard<std::mutex> lock(m_sendMutex);
    if (m_fd < 0)
        return false;
    size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = ::send(m_fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n > 0) {
            sent += static_cast<size_t>(n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else {
            // A partly written message leaves the stream unusable.
            markClosed();
            return false;
        }
    }
    return true;
}

std::optional<Message> Connection::request(Message message, std::chrono::milliseconds timeout, ReplyHook hook)
{
    {
        std::lock_guard<std::mutex> lock(m_replyMutex);
        if (!isOpen())
            return std::nullopt;
        message.id = m_nextId++;
        if (m_nextId == 0)
            m_nextId = 1;
        m_pending[message.id].hook = std::move(hook);
    }
    const uint32_t id = message.id;
    if (!send(message)) {
        std::lock_guard<std::mutex> lock(m_replyMutex);
        m_pending.erase(id);
        return std::nullopt;
    }
    std::unique_lock<std::mutex> lock(m_replyMutex);
    m_replyArrived.wait_for(lock, timeout, [&] {
        const auto it = m_pending.find(id);
        return !isOpen() || it == m_pending.end() || it->second.reply.has_value();
    });
    std::optional<Message> reply;
    if (const auto it = m_pending.find(id); it != m_pending.end()) {
        reply = std::move(it->second.reply);
        m_pending.erase(it);
    }
    return reply;
}

void Connection::readLoop()
{
    StreamDecoder decoder;
    std::vector<uint8_t> buffer(size_t {64} * 1024);
    for (;;) {
        const ssize_t n = ::recv(m_fd, buffer.data(), buffer.size(), 0);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        decoder.append(buffer.data(), static_cast<size_t>(n));
        Message message;
        StreamDecoder::Result result;
        while ((result = decoder.next(message)) == StreamDecoder::Result::Ready)
            dispatch(message);
        if (result == StreamDecoder::Result::Failed)
            break;
    }
    markClosed();
}

void Connection::dispatch(const Message &message)
{
    if (message.type != MessageType::Reply) {
        if (m_onPush)
            m_onPush(message);
        return;
    }
    {
        std::lock_guard<std::mutex> lock(m_replyMutex);
        const auto it = m_pending.find(message.id);
        // A reply nobody waits for any more belongs to a request that timed out.
        if (it == m_pending.end())
            return;
        if (it->second.hook)
            it->second.hook(message);
        it->second.reply = message;
    }
    m_replyArrived.notify_all();
}

} // namespace vrsim
