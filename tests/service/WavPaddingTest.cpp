// Odd-sized chunks in uploaded WAVs: RIFF pads them with a zero byte, some
// writers do not; the service takes both and prefers the padded reading.

#include "WavFormat.h"

#include <gtest/gtest.h>

#include <string>

using namespace cw::service;

namespace {

void put32(std::string &out, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out += char((v >> (8 * i)) & 0xff);
}

std::string chunk(const std::string &id, const std::string &body, bool pad)
{
    std::string out = id;
    put32(out, uint32_t(body.size()));
    out += body;
    if (pad && body.size() % 2)
        out += '\0';
    return out;
}

std::string formatChunk()
{
    std::string body;
    const auto put16 = [&body](uint16_t v) { body += char(v & 0xff), body += char(v >> 8); };
    put16(1);
    put16(1);
    put32(body, 16000);
    put32(body, 32000);
    put16(2);
    put16(16);
    return chunk("fmt ", body, true);
}

std::string wav(const std::string &chunksBeforeData)
{
    return std::string("RIFF\0\0\0\0WAVE", 12) + chunksBeforeData + chunk("data", std::string(100, '\x01'), true);
}

std::optional<WavLayout> parse(const std::string &file, std::string *reason)
{
    return parseWav(reinterpret_cast<const uint8_t *>(file.data()), file.size(), int64_t(file.size()), reason);
}

}  // namespace

TEST(WavPadding, OddChunksReadPaddedOrNot)
{
    const std::string list = "INFOabc"; // 7 bytes
    struct Case {
        const char *name;
        std::string file;
        int64_t dataOffset;
    } cases[] = {
        {"padded, before fmt", wav(chunk("LIST", list, true) + formatChunk()), 12 + 16 + 24 + 8},
        {"unpadded, before fmt", wav(chunk("LIST", list, false) + formatChunk()), 12 + 15 + 24 + 8},
        {"padded, after fmt", wav(formatChunk() + chunk("LIST", list, true)), 12 + 24 + 16 + 8},
        {"unpadded, after fmt", wav(formatChunk() + chunk("LIST", list, false)), 12 + 24 + 15 + 8},
        {"both in one file", wav(chunk("LIST", list, true) + formatChunk() + chunk("junk", "x", false)),
         12 + 16 + 24 + 9 + 8},
    };
    for (const Case &c : cases) {
        std::string reason;
        const auto layout = parse(c.file, &reason);
        ASSERT_TRUE(layout.has_value()) << c.name << ": " << reason;
        EXPECT_EQ(layout->dataOffset, c.dataOffset) << c.name;
        EXPECT_EQ(layout->dataBytes, 100) << c.name;
    }
}

TEST(WavPadding, PaddedReadingWinsWhenBothCouldBeChunks)
{
    // After the odd chunk: a zero pad byte, then "data". Read unpadded, the
    // next id would be "\0dat", which no writer makes.
    const std::string file = wav(formatChunk() + chunk("odd ", "abc", true));
    std::string reason;
    const auto layout = parse(file, &reason);
    ASSERT_TRUE(layout.has_value()) << reason;
    EXPECT_EQ(layout->dataOffset, int64_t(file.size()) - 100);
    // An odd last chunk ends the walk, with a reason, whichever reading.
    const std::string noData = std::string("RIFF\0\0\0\0WAVE", 12) + formatChunk() + chunk("LIST", "abc", false);
    EXPECT_FALSE(parse(noData, &reason));
    EXPECT_EQ(reason, "no data chunk");
    std::string huge = wav(formatChunk());
    huge[16] = '\x10', huge[17] = '\x00', huge[18] = '\x2d'; // fmt size 0x2d0010
    reason.clear();
    EXPECT_FALSE(parse(huge, &reason));
    EXPECT_EQ(reason, "fmt chunk runs past the header");
}
