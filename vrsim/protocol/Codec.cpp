#include "Codec.h"

#include <cstring>

namespace vrsim {

namespace {

enum Tag : uint8_t {
    TagInteger = 1,
    TagReal = 2,
    TagText = 3,
    TagBytes = 4,
};

void putU16(std::vector<uint8_t> &out, uint16_t value)
{
    out.push_back(static_cast<uint8_t>(value));
    out.push_back(static_cast<uint8_t>(value >> 8));
}

void putU32(std::vector<uint8_t> &out, uint32_t value)
{
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back(static_cast<uint8_t>(value >> shift));
}

void putU64(std::vector<uint8_t> &out, uint64_t value)
{
    for (int shift = 0; shift < 64; shift += 8)
        out.push_back(static_cast<uint8_t>(value >> shift));
}

uint16_t getU16(const uint8_t *p)
{
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

uint32_t getU32(const uint8_t *p)
{
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16)
        | (static_cast<uint32_t>(p[3]) << 24);
}

uint64_t getU64(const uint8_t *p)
{
    return static_cast<uint64_t>(getU32(p)) | (static_cast<uint64_t>(getU32(p + 4)) << 32);
}

struct Header
{
    MessageType type;
    uint32_t id;
    uint32_t length;
};

DecodeError readHeader(const uint8_t *p, Header &header)
{
    if (getU32(p) != kMagic)
        return DecodeError::BadMagic;
    if (getU16(p + 4) != kProtocolVersion)
        return DecodeError::WrongVersion;
    const uint16_t type = getU16(p + 6);
    if (type < kFirstMessageType || type > kLastMessageType)
        return DecodeError::UnknownType;
    header.type = static_cast<MessageType>(type);
    header.id = getU32(p + 8);
    header.length = getU32(p + 12);
    if (header.length > kMaxPayload)
        return DecodeError::Oversized;
    return DecodeError::None;
}

DecodeError readValues(const uint8_t *p, size_t size, std::vector<Value> &values)
{
    size_t at = 0;
    while (at < size) {
        if (values.size() >= kMaxValues)
            return DecodeError::TooManyValues;
        const uint8_t tag = p[at++];
        switch (tag) {
        case TagInteger:
        case TagReal: {
            if (size - at < 8)
                return DecodeError::Truncated;
            const uint64_t bits = getU64(p + at);
            at += 8;
            if (tag == TagInteger) {
                values.emplace_back(static_cast<int64_t>(bits));
            } else {
                double real;
                std::memcpy(&real, &bits, sizeof real);
                values.emplace_back(real);
            }
            break;
        }
        case TagText:
        case TagBytes: {
            if (size - at < 4)
                return DecodeError::Truncated;
            const uint32_t length = getU32(p + at);
            at += 4;
            if (tag == TagText && length > kMaxTextLength)
                return DecodeError::Oversized;
            if (size - at < length)
                return DecodeError::Truncated;
            if (tag == TagText)
                values.emplace_back(std::string(reinterpret_cast<const char *>(p + at), length));
            else
                values.emplace_back(Bytes(p + at, p + at + length));
            at += length;
            break;
        }
        default:
            return DecodeError::BadTag;
        }
    }
    return DecodeError::None;
}

} // namespace

const char *decodeErrorText(DecodeError error)
{
    switch (error) {
    case DecodeError::None:
        return "no error";
    case DecodeError::BadMagic:
        return "not a vrsim message";
    case DecodeError::WrongVersion:
        return "unsupported protocol version";
    case DecodeError::UnknownType:
        return "unknown message type";
    case DecodeError::Oversized:
        return "message too large";
    case DecodeError::Truncated:
        return "truncated message";
    case DecodeError::BadTag:
        return "malformed value";
    case DecodeError::TooManyValues:
        return "too many values";
    }
    return "unknown error";
}

std::vector<uint8_t> encode(const Message &message)
{
    std::vector<uint8_t> out;
    size_t payload = 0;
    for (const Value &value : message.values) {
        if (const auto *text = std::get_if<std::string>(&value))
            payload += 5 + text->size();
        else if (const auto *bytes = std::get_if<Bytes>(&value))
            payload += 5 + bytes->size();
        else
            payload += 9;
    }
    out.reserve(kHeaderSize + payload);
    putU32(out, kMagic);
    putU16(out, kProtocolVersion);
    putU16(out, static_cast<uint16_t>(message.type));
    putU32(out, message.id);
    putU32(out, static_cast<uint32_t>(payload));
    for (const Value &value : message.values) {
        if (const auto *integer = std::get_if<int64_t>(&value)) {
            out.push_back(TagInteger);
            putU64(out, static_cast<uint64_t>(*integer));
        } else if (const auto *real = std::get_if<double>(&value)) {
            uint64_t bits;
            std::memcpy(&bits, real, sizeof bits);
            out.push_back(TagReal);
            putU64(out, bits);
        } else if (const auto *text = std::get_if<std::string>(&value)) {
            out.push_back(TagText);
            putU32(out, static_cast<uint32_t>(text->size()));
            out.insert(out.end(), text->begin(), text->end());
        } else if (const auto *bytes = std::get_if<Bytes>(&value)) {
            out.push_back(TagBytes);
            putU32(out, static_cast<uint32_t>(bytes->size()));
            out.insert(out.end(), bytes->begin(), bytes->end());
        }
    }
    return out;
}

DecodeError decode(const uint8_t *data, size_t size, Message &message)
{
    if (size < kHeaderSize)
        return DecodeError::Truncated;
    Header header;
    if (const DecodeError error = readHeader(data, header); error != DecodeError::None)
        return error;
    if (size - kHeaderSize < header.length)
        return DecodeError::Truncated;
    // Bytes past the payload are the start of something this call was not given whole.
    if (size - kHeaderSize > header.length)
        return DecodeError::Oversized;
    Message decoded(header.type, header.id);
    if (const DecodeError error = readValues(data + kHeaderSize, header.length, decoded.values);
        error != DecodeError::None)
        return error;
    message = std::move(decoded);
    return DecodeError::None;
}

void StreamDecoder::append(const uint8_t *data, size_t size)
{
    if (m_start > 0 && m_start >= m_buffer.size() / 2) {
        m_buffer.erase(m_buffer.begin(), m_buffer.begin() + static_cast<std::ptrdiff_t>(m_start));
        m_start = 0;
    }
    m_buffer.insert(m_buffer.end(), data, data + size);
}

StreamDecoder::Result StreamDecoder::next(Message &message)
{
    if (m_error != DecodeError::None)
        return Result::Failed;
    const size_t available = m_buffer.size() - m_start;
    if (available < kHeaderSize)
        return Result::NeedMore;
    Header header;
    m_error = readHeader(m_buffer.data() + m_start, header);
    if (m_error != DecodeError::None)
        return Result::Failed;
    const size_t total = kHeaderSize + header.length;
    if (available < total)
        return Result::NeedMore;
    m_error = decode(m_buffer.data() + m_start, total, message);
    if (m_error != DecodeError::None)
        return Result::Failed;
    m_start += total;
    if (m_start == m_buffer.size()) {
        m_buffer.clear();
        m_start = 0;
    }
    return Result::Ready;
}

} // namespace vrsim
