// The pure frame decoder and header layout.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>

#include "FakeService.h"
#include "frame.h"

namespace {

struct DecodeCase {
    const char *name;
    std::string bytes;
    VxFrameResult result;
    size_t consumed;
    const char *body; // nullptr: no body
};

std::string bytesWithTail(std::string frame, const std::string &tail)
{
    return frame + tail;
}

TEST(FrameDecode, Table)
{
    const std::string big(16, 'x');
    const DecodeCase cases[] = {
        {"empty input", "", VX_FRAME_INCOMPLETE, 0, nullptr},
        {"short header", encodeFrame(101, 0, 1, 4, "ab").substr(0, 23), VX_FRAME_INCOMPLETE, 0, nullptr},
        {"body not all in", encodeFrame(101, 0, 1, 4, "ab"), VX_FRAME_INCOMPLETE, 0, nullptr},
        {"whole message", encodeFrame(101, 0, 1, 4, "abcd"), VX_FRAME_OK, 28, "abcd"},
        {"trailing bytes left alone", bytesWithTail(encodeFrame(101, 0, 1, 2, "ab"), "zz"), VX_FRAME_OK, 26, "ab"},
        {"no-body flag skips the length", encodeFrame(106, 0, 0, 99, ""), VX_FRAME_OK, 24, nullptr},
        {"has-body with length 0", encodeFrame(110, 0, 1, 0, ""), VX_FRAME_OK, 24, nullptr},
        {"other has-body value still has a body", encodeFrame(106, -1, 2, 3, "abc"), VX_FRAME_OK, 27, "abc"},
        {"negative length", encodeFrame(101, 0, 1, 0xffffffffu, big), VX_FRAME_BAD_LENGTH, 0, nullptr},
        {"most negative length", encodeFrame(101, 0, 1, 0x80000000u, big), VX_FRAME_BAD_LENGTH, 0, nullptr},
        {"length over 64 MiB", encodeFrame(101, 0, 1, 64u * 1024 * 1024 + 1, big), VX_FRAME_BAD_LENGTH, 0, nullptr},
        {"length of 64 MiB waits for the body", encodeFrame(101, 0, 1, 64u * 1024 * 1024, big), VX_FRAME_INCOMPLETE, 0, nullptr},
        {"wrong magic", encodeFrame(101, 0, 1, 2, "ab").replace(1, 1, "\x7f"), VX_FRAME_BAD_HEADER, 0, nullptr},
        {"wrong version", encodeFrame(101, 0, 1, 2, "ab").replace(4, 1, "\x02"), VX_FRAME_BAD_HEADER, 0, nullptr},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        ServiceMessage *message = reinterpret_cast<ServiceMessage *>(1);
        size_t consumed = 7;
        VxFrameResult result = vx_decode_frame(reinterpret_cast<const uint8_t *>(c.bytes.data()),
                                               c.bytes.size(), &message, &consumed);
        EXPECT_EQ(result, c.result);
        EXPECT_EQ(consumed, c.consumed);
        if (result != VX_FRAME_OK) {
            EXPECT_EQ(message, nullptr);
            continue;
        }
        ASSERT_NE(message, nullptr);
        if (c.body) {
            ASSERT_NE(message->body, nullptr);
            EXPECT_STREQ(message->body, c.body);
            EXPECT_EQ(message->body_size, strlen(c.body));
        } else {
            EXPECT_EQ(message->body, nullptr);
        }
        vx_message_free(message);
    }
}

TEST(FrameDecode, KeepsEveryHeaderField)
{
    const std::string bytes = encodeFrame(106, -5, 0, 123456, "");
    ServiceMessage *message = nullptr;
    size_t consumed = 0;
    ASSERT_EQ(vx_decode_frame(reinterpret_cast<const uint8_t *>(bytes.data()), bytes.size(),
                              &message, &consumed),
              VX_FRAME_OK);
    EXPECT_EQ(message->header.magic, 7099u);
    EXPECT_EQ(message->header.version, 1u);
    EXPECT_EQ(message->header.kind, 106u);
    EXPECT_EQ(message->header.status, -5);
    EXPECT_EQ(message->header.has_body, 0u);
    EXPECT_EQ(message->header.length, 123456u);
    vx_message_free(message);
}

// Arbitrary bytes never crash the decoder and never claim more than they hold.
TEST(FrameDecode, ArbitraryBytesAreSafe)
{
    std::mt19937 random(7099);
    for (int round = 0; round < 20000; ++round) {
        std::string bytes(random() % 64, '\0');
        for (auto &b : bytes)
            b = static_cast<char>(random());
        if (bytes.size() >= 24 && round % 2 == 0) // keep lengths small half the time
            bytes[21] = bytes[22] = bytes[23] = 0;
        ServiceMessage *message = nullptr;
        size_t consumed = 0;
        if (vx_decode_frame(reinterpret_cast<const uint8_t *>(bytes.data()), bytes.size(), &message,
                            &consumed) == VX_FRAME_OK) {
            ASSERT_LE(consumed, bytes.size());
            vx_message_free(message);
        }
    }
}

TEST(FrameEncode, RequestIsHeaderThenBodyLittleEndian)
{
    ServiceMessage *request = vx_message_new_request(9, strdup("{}"));
    size_t n = 0;
    uint8_t *frame = vx_encode_frame(request, &n);
    const std::string expected("\xbb\x1b\x00\x00\x01\x00\x00\x00\x09\x00\x00\x00"
                               "\x00\x00\x00\x00\x01\x00\x00\x00\x02\x00\x00\x00{}",
                               26);
    EXPECT_EQ(std::string(reinterpret_cast<char *>(frame), n), expected);
    free(frame);
    vx_message_free(request);

    // An empty body still sends the whole header, has-body 1, length 0.
    request = vx_message_new_request(5, nullptr);
    frame = vx_encode_frame(request, &n);
    EXPECT_EQ(std::string(reinterpret_cast<char *>(frame), n), encodeFrame(5, 0, 1, 0));
    free(frame);
    vx_message_free(request);
}

} // namespace
