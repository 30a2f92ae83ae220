// libFuzzer entry for the protocol decoder: whatever bytes a peer sends, decoding must neither
// crash nor read out of bounds, and what it accepts must encode back to the same bytes.
#include "Codec.h"

#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    vrsim::Message message;
    if (vrsim::decode(data, size, message) == vrsim::DecodeError::None) {
        const std::vector<uint8_t> again = vrsim::encode(message);
        if (again.size() != size || std::memcmp(again.data(), data, size) != 0)
            __builtin_trap();
        vrsim::MessageReader reader(message);
        while (reader.ok() && !reader.atEnd())
            reader.integer();
    }

    // The same bytes as a stream, cut into chunks whose size the input picks.
    vrsim::StreamDecoder stream;
    const size_t chunk = size > 0 ? data[0] % 23 + 1 : 1;
    for (size_t at = 0; at < size; at += chunk) {
        stream.append(data + at, std::min(chunk, size - at));
        vrsim::StreamDecoder::Result result;
        while ((result = stream.next(message)) == vrsim::StreamDecoder::Result::Ready) { }
        if (result == vrsim::StreamDecoder::Result::Failed)
            break;
    }
    return 0;
}
