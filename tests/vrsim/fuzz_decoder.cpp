// libFuzzer entry for the protocol decoder: whatever bytes a peer sends, decoding must neither
// crash nor read out of bounds, and what it accepts must encode back to the same bytes. Every
// typed message is tried on what decodes, whatever its header's type, and what a typed decoder
// accepts must come through its own encoder unchanged.
#include "Codec.h"
#include "Messages.h"

#include <cstring>

namespace {

using Replies = vrsim::MessageSet<vrsim::msg::Result, vrsim::msg::HelloReply, vrsim::msg::CreateOverlayReply,
    vrsim::msg::SyncReply, vrsim::msg::ControlReply, vrsim::msg::JsonReply, vrsim::msg::SnapshotReply>;

template<class T>
void tryTyped(const vrsim::Message &message)
{
    vrsim::Message asType = message;
    asType.type = T::kType;
    const std::optional<T> decoded = T::decode(asType);
    if (!decoded)
        return;
    const std::vector<uint8_t> once = vrsim::encode(decoded->encode(message.id));
    vrsim::Message reread;
    if (vrsim::decode(once.data(), once.size(), reread) != vrsim::DecodeError::None)
        __builtin_trap();
    const std::optional<T> again = T::decode(reread);
    if (!again || vrsim::encode(again->encode(message.id)) != once)
        __builtin_trap();
}

template<class... Types>
void tryAll(vrsim::MessageSet<Types...>, const vrsim::Message &message)
{
    (tryTyped<Types>(message), ...);
}

} // namespace

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
        tryAll(vrsim::ApplicationMessages(), message);
        tryAll(vrsim::RuntimePushes(), message);
        tryAll(vrsim::ControlRequests(), message);
        tryAll(Replies(), message);
        tryTyped<vrsim::msg::Hello>(message);
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
