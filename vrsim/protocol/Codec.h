#pragma once

#include "Message.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace vrsim {

// Wire format, little endian: a 16-byte header (magic "VRSM", version u16, type u16, id u32,
// payload length u32), then the values, each a tag byte and its body: integer i64, real f64,
// text and bytes as u32 length plus that many bytes.
constexpr uint32_t kMagic = 0x4d535256;
constexpr uint16_t kProtocolVersion = 1;
constexpr size_t kHeaderSize = 16;
// Large enough for a 4096 x 4096 RGBA frame and its few other values.
constexpr uint32_t kMaxFrameSide = 4096;
constexpr uint32_t kMaxPayload = kMaxFrameSide * kMaxFrameSide * 4 + 4096;
// Keys, names and file paths; anything longer is not a sane request.
constexpr uint32_t kMaxTextLength = 64 * 1024;
constexpr uint32_t kMaxValues = 4096;

enum class DecodeError {
    None,
    BadMagic,
    WrongVersion,
    UnknownType,
    Oversized,
    Truncated,
    BadTag,
    TooManyValues,
};

const char *decodeErrorText(DecodeError error);

std::vector<uint8_t> encode(const Message &message);

// Decodes exactly one message that fills [data, data + size).
DecodeError decode(const uint8_t *data, size_t size, Message &message);

// Splits a byte stream into messages. A bad header is reported as soon as its 16 bytes are in,
// before any of its payload is buffered.
class StreamDecoder
{
public:
    enum class Result {
        NeedMore,
        Ready,
        Failed,
    };

    void append(const uint8_t *data, size_t size);
    Result next(Message &message);
    DecodeError error() const { return m_error; }
    size_t buffered() const { return m_buffer.size() - m_start; }

private:
    std::vector<uint8_t> m_buffer;
    size_t m_start = 0;
    DecodeError m_error = DecodeError::None;
};

} // namespace vrsim
