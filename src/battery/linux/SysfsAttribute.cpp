#include "battery/linux/SysfsAttribute.h"

#include <cerrno>
#include <fcntl.h>
#include <limits>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The kernel formats an attribute into one page; a longer file is none of its.
constexpr qint64 maxAttributeSize = 4096;

// Closes the descriptor on every way out of the reader.
class FileDescriptor
{
public:
    explicit FileDescriptor(int fd)
        : m_fd(fd)
    { }
    ~FileDescriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    FileDescriptor(const FileDescriptor &) = delete;
    FileDescriptor &operator=(const FileDescriptor &) = delete;

    int get() const { return m_fd; }

private:
    int m_fd;
};

} // namespace

std::optional<QByteArray> readSysfsAttribute(const QByteArray &path)
{
    // The reading pass runs on the GUI thread, so nothing here may wait: a
    // FIFO or a device in place of an attribute would block an ordinary open
    // or read for good. O_NONBLOCK makes the open return at once whatever the
    // entry is, and only a regular file is read after that.
    const FileDescriptor file(::open(path.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (file.get() < 0)
        return std::nullopt;

    struct stat info
    { };
    if (::fstat(file.get(), &info) != 0 || !S_ISREG(info.st_mode))
        return std::nullopt;

    // One byte more than an attribute can hold tells a too-long file apart.
    // A regular file answers a read short only at its end, so a short read
    // needs no second one to find the end: the pass runs every 1.5 s for as
    // long as the program does, and each call counts.
    char content[maxAttributeSize + 1];
    size_t length = 0;
    while (length < sizeof(content)) {
        const ssize_t n = ::read(file.get(), content + length, sizeof(content) - length);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return std::nullopt;
        length += static_cast<size_t>(n);
        if (n == 0 || length < sizeof(content))
            break;
    }
    if (length > maxAttributeSize)
        return std::nullopt;
    return QByteArray(content, static_cast<int>(length)).trimmed();
}

bool sysfsEntryExists(const QByteArray &path)
{
    struct stat info
    { };
    return ::stat(path.constData(), &info) == 0;
}

std::optional<int64_t> parseSysfsCount(const QByteArray &text)
{
    if (text.isEmpty())
        return std::nullopt;

    int64_t value = 0;
    for (const char digit : text) {
        if (digit < '0' || digit > '9')
            return std::nullopt;
        if (value > (std::numeric_limits<int64_t>::max() - (digit - '0')) / 10)
            return std::nullopt;
        value = value * 10 + (digit - '0');
    }
    return value;
}
