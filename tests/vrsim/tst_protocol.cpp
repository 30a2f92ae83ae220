#include "Codec.h"
#include "Messages.h"

#include <QtTest>

#include <cstring>

using namespace vrsim;

Q_DECLARE_METATYPE(vrsim::DecodeError)
Q_DECLARE_METATYPE(vrsim::Message)

namespace {

QByteArray bytes(const std::vector<uint8_t> &encoded)
{
    return QByteArray(reinterpret_cast<const char *>(encoded.data()), static_cast<int>(encoded.size()));
}

// A header with the given fields, followed by `payload`.
QByteArray frame(uint32_t magic, uint16_t version, uint16_t type, uint32_t length, const QByteArray &payload)
{
    QByteArray out(16, '\0');
    auto put = [&](int at, uint32_t value, int size) {
        for (int i = 0; i < size; ++i)
            out[at + i] = static_cast<char>((value >> (8 * i)) & 0xff);
    };
    put(0, magic, 4);
    put(4, version, 2);
    put(6, type, 2);
    put(8, 7, 4);
    put(12, length, 4);
    return out + payload;
}

QByteArray validFrame(const QByteArray &payload)
{
    return frame(kMagic, kProtocolVersion, static_cast<uint16_t>(MessageType::Event), payload.size(), payload);
}

QByteArray u32(uint32_t value)
{
    QByteArray out(4, '\0');
    for (int i = 0; i < 4; ++i)
        out[i] = static_cast<char>((value >> (8 * i)) & 0xff);
    return out;
}

Message sample()
{
    Message message(MessageType::CreateOverlay, 42);
    message << int64_t(-5) << 0x100000001ull << 2.5 << std::string("oxaAlertOverlay") << std::string()
            << Bytes {0, 1, 2, 255};
    return message;
}

} // namespace

class TestProtocol : public QObject
{
    Q_OBJECT

private slots:
    void roundTrip();
    void streamSplitsAnywhere();
    void malformed_data();
    void malformed();
    void streamRejectsBadHeaderBeforePayload();
    void readerFlagsMissingOrMistypedValues();
    void typedMessagesRoundTrip();
    void typedDecodeRefuses_data();
    void typedDecodeRefuses();
};

void TestProtocol::roundTrip()
{
    const Message original = sample();
    const std::vector<uint8_t> encoded = encode(original);
    Message decoded;
    QCOMPARE(decode(encoded.data(), encoded.size(), decoded), DecodeError::None);
    QCOMPARE(decoded.type, original.type);
    QCOMPARE(decoded.id, original.id);
    QVERIFY(decoded.values == original.values);
}

void TestProtocol::streamSplitsAnywhere()
{
    // Three messages, the middle one large, fed in every chunk size from 1 byte up: the reader
    // thread and the server see arbitrary recv boundaries.
    Message big(MessageType::Frame);
    big << Bytes(70000, 0x5a);
    std::vector<uint8_t> stream;
    for (const Message &message : {sample(), big, Message(MessageType::Sync, 9)}) {
        const std::vector<uint8_t> encoded = encode(message);
        stream.insert(stream.end(), encoded.begin(), encoded.end());
    }
    for (size_t chunk : {size_t(1), size_t(7), size_t(16), size_t(4096), stream.size()}) {
        StreamDecoder decoder;
        std::vector<Message> received;
        for (size_t at = 0; at < stream.size(); at += chunk) {
            decoder.append(stream.data() + at, std::min(chunk, stream.size() - at));
            Message message;
            StreamDecoder::Result result;
            while ((result = decoder.next(message)) == StreamDecoder::Result::Ready)
                received.push_back(message);
            QCOMPARE(result, StreamDecoder::Result::NeedMore);
        }
        QCOMPARE(received.size(), size_t(3));
        QVERIFY(received[0].values == sample().values);
        QVERIFY(received[1].values == big.values);
        QCOMPARE(received[2].id, 9u);
        QCOMPARE(decoder.buffered(), size_t(0));
    }
}

void TestProtocol::malformed_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<DecodeError>("expected");

    const QByteArray good = bytes(encode(sample()));
    const QByteArray text = QByteArray(1, 3) + u32(5) + "abcde";

    QTest::newRow("empty") << QByteArray() << DecodeError::Truncated;
    QTest::newRow("half a header") << good.left(9) << DecodeError::Truncated;
    QTest::newRow("payload cut short") << good.left(good.size() - 1) << DecodeError::Truncated;
    QTest::newRow("trailing bytes") << good + 'x' << DecodeError::Oversized;
    QTest::newRow("bad magic") << frame(0x12345678, kProtocolVersion, 1, 0, {}) << DecodeError::BadMagic;
    QTest::newRow("older version") << frame(kMagic, 0, 1, 0, {}) << DecodeError::WrongVersion;
    QTest::newRow("newer version") << frame(kMagic, kProtocolVersion + 1, 1, 0, {}) << DecodeError::WrongVersion;
    QTest::newRow("type 0") << frame(kMagic, kProtocolVersion, 0, 0, {}) << DecodeError::UnknownType;
    QTest::newRow("type past the last") << frame(kMagic, kProtocolVersion, kLastMessageType + 1, 0, {})
                                        << DecodeError::UnknownType;
    QTest::newRow("length over the limit")
        << frame(kMagic, kProtocolVersion, 1, kMaxPayload + 1, {}) << DecodeError::Oversized;
    QTest::newRow("length 4 GiB") << frame(kMagic, kProtocolVersion, 1, 0xffffffffu, {}) << DecodeError::Oversized;
    QTest::newRow("unknown tag") << validFrame(QByteArray(1, 9)) << DecodeError::BadTag;
    QTest::newRow("tag 0") << validFrame(QByteArray(1, 0)) << DecodeError::BadTag;
    QTest::newRow("integer cut short") << validFrame(QByteArray(1, 1) + QByteArray(7, 0)) << DecodeError::Truncated;
    QTest::newRow("real cut short") << validFrame(QByteArray(1, 2) + QByteArray(3, 0)) << DecodeError::Truncated;
    QTest::newRow("text length cut short") << validFrame(QByteArray(1, 3) + QByteArray(2, 0)) << DecodeError::Truncated;
    QTest::newRow("text longer than payload") << validFrame(text.left(text.size() - 1)) << DecodeError::Truncated;
    QTest::newRow("byte length near 4 GiB")
        << validFrame(QByteArray(1, 4) + u32(0xfffffffbu) + "abc") << DecodeError::Truncated;
    QTest::newRow("text over its limit") << validFrame(
        QByteArray(1, 3) + u32(kMaxTextLength + 1) + QByteArray(int(kMaxTextLength) + 1, 'k'))
                                         << DecodeError::Oversized;
    QTest::newRow("too many values") << validFrame(QByteArray(1, 1).append(QByteArray(8, 0)).repeated(kMaxValues + 1))
                                     << DecodeError::TooManyValues;
}

void TestProtocol::malformed()
{
    QFETCH(QByteArray, input);
    QFETCH(DecodeError, expected);

    Message message(MessageType::Status, 3);
    QCOMPARE(decode(reinterpret_cast<const uint8_t *>(input.constData()), size_t(input.size()), message), expected);
    // A failed decode leaves the caller's message alone.
    QCOMPARE(message.type, MessageType::Status);
    QCOMPARE(message.id, 3u);

    // The stream decoder fails the same way once the bytes are complete, and stays failed.
    if (expected != DecodeError::Truncated && expected != DecodeError::Oversized) {
        StreamDecoder decoder;
        decoder.append(reinterpret_cast<const uint8_t *>(input.constData()), size_t(input.size()));
        QCOMPARE(decoder.next(message), StreamDecoder::Result::Failed);
        QCOMPARE(decoder.error(), expected);
        const std::vector<uint8_t> good = encode(sample());
        decoder.append(good.data(), good.size());
        QCOMPARE(decoder.next(message), StreamDecoder::Result::Failed);
    }
}

void TestProtocol::streamRejectsBadHeaderBeforePayload()
{
    // A peer announcing 4 GiB must be refused on its header, not after we buffered gigabytes.
    const QByteArray header = frame(kMagic, kProtocolVersion, 1, 0xffffffffu, {});
    StreamDecoder decoder;
    decoder.append(reinterpret_cast<const uint8_t *>(header.constData()), size_t(header.size()));
    Message message;
    QCOMPARE(decoder.next(message), StreamDecoder::Result::Failed);
    QCOMPARE(decoder.error(), DecodeError::Oversized);
}

void TestProtocol::readerFlagsMissingOrMistypedValues()
{
    Message message(MessageType::Input);
    message << std::string("key") << int64_t(1);

    MessageReader inOrder(message);
    QCOMPARE(inOrder.text(), std::string("key"));
    QCOMPARE(inOrder.integer(), int64_t(1));
    QVERIFY(inOrder.ok());
    QVERIFY(inOrder.atEnd());
    inOrder.real();
    QVERIFY(!inOrder.ok());

    MessageReader mistyped(message);
    QCOMPARE(mistyped.integer(), int64_t(0));
    QVERIFY(!mistyped.ok());
    // Later reads stay failed even where the kind would match.
    QCOMPARE(mistyped.integer(), int64_t(0));
    QVERIFY(!mistyped.ok());
}

void TestProtocol::typedMessagesRoundTrip()
{
    // Fixed arrays, lists of structs and the full 64 bits of a handle all come back as sent.
    msg::SetOverlayTransform transform;
    transform.handle = 0xfedcba9876543210ull;
    transform.device = 3;
    for (size_t i = 0; i < transform.matrix.size(); ++i)
        transform.matrix[i] = 0.5 * static_cast<double>(i) - 2;
    const std::vector<uint8_t> wire = encode(transform.encode(11));
    Message decoded;
    QCOMPARE(decode(wire.data(), wire.size(), decoded), DecodeError::None);
    QCOMPARE(decoded.id, 11u);
    const std::optional<msg::SetOverlayTransform> back = msg::SetOverlayTransform::decode(decoded);
    QVERIFY(back);
    QCOMPARE(back->handle, transform.handle);
    QCOMPARE(back->device, transform.device);
    QVERIFY(back->matrix == transform.matrix);

    msg::SyncReply sync;
    sync.overlays = {{1, 2, 3, 4}, {0x100000001ull, 7, 128, 64}};
    const std::optional<msg::SyncReply> syncBack = msg::SyncReply::decode(sync.encode());
    QVERIFY(syncBack);
    QCOMPARE(syncBack->overlays.size(), size_t(2));
    QCOMPARE(syncBack->overlays[1].handle, 0x100000001ull);
    QCOMPARE(syncBack->overlays[1].textureWidth, 128);
}

void TestProtocol::typedDecodeRefuses_data()
{
    QTest::addColumn<QString>("as");
    QTest::addColumn<Message>("message");
    QTest::addColumn<bool>("accepted");

    const Message create = Message(MessageType::CreateOverlay) << "key"
                                                               << "name" << true;
    QTest::newRow("well formed") << "CreateOverlay" << create << true;
    QTest::newRow("another type") << "CreateOverlay"
                                  << (Message(MessageType::SetOverlayFromFile) << "key"
                                                                               << "name" << true)
                                  << false;
    QTest::newRow("a value missing") << "CreateOverlay"
                                     << (Message(MessageType::CreateOverlay) << "key"
                                                                             << "name")
                                     << false;
    QTest::newRow("a value left over") << "CreateOverlay" << (Message(create) << 1) << false;
    QTest::newRow("a value of the wrong kind")
        << "CreateOverlay" << (Message(MessageType::CreateOverlay) << "key" << 5 << true) << false;
    // Narrow fields refuse what they cannot hold rather than wrap it.
    QTest::newRow("error code past 32 bits")
        << "Result" << (Message(MessageType::Reply) << (int64_t(1) << 40)) << false;
    QTest::newRow("unsigned field below 0") << "ArmedFailures" << (Message(MessageType::ArmedFailures) << -1) << false;
    QTest::newRow("method past 8 bits") << "TryFailure" << (Message(MessageType::TryFailure) << 256) << false;
    // A list's count is checked against what is there before anything is allocated.
    QTest::newRow("list count past the values")
        << "SyncReply" << (Message(MessageType::Reply) << int64_t(1000000) << 30) << false;
    QTest::newRow("list count below 0") << "SyncReply" << (Message(MessageType::Reply) << -1) << false;
}

void TestProtocol::typedDecodeRefuses()
{
    QFETCH(QString, as);
    QFETCH(Message, message);
    QFETCH(bool, accepted);

    bool decoded = false;
    if (as == QLatin1String("CreateOverlay"))
        decoded = msg::CreateOverlay::decode(message).has_value();
    else if (as == QLatin1String("Result"))
        decoded = msg::Result::decode(message).has_value();
    else if (as == QLatin1String("ArmedFailures"))
        decoded = msg::ArmedFailures::decode(message).has_value();
    else if (as == QLatin1String("TryFailure"))
        decoded = msg::TryFailure::decode(message).has_value();
    else if (as == QLatin1String("SyncReply"))
        decoded = msg::SyncReply::decode(message).has_value();
    else
        QFAIL("no such message in the test");
    QCOMPARE(decoded, accepted);
}

QTEST_GUILESS_MAIN(TestProtocol)
#include "tst_protocol.moc"
