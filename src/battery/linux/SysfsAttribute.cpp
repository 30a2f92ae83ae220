#include "battery/linux/SysfsAttribute.h"

#include <QFile>

#include <limits>

namespace {

// The kernel formats an attribute into one page; a longer file is none of its.
constexpr qint64 maxAttributeSize = 4096;

} // namespace

std::optional<QByteArray> readSysfsAttribute(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return std::nullopt;

    QByteArray content(maxAttributeSize + 1, Qt::Uninitialized);
    const qint64 length = file.read(content.data(), content.size());
    if (length < 0 || length > maxAttributeSize)
        return std::nullopt;
    content.truncate(static_cast<int>(length));
    return content.trimmed();
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
