// Framing, request decoding and reply texts: no sockets involved.

#include "LoginBackoff.h"
#include "MessageHeader.h"
#include "ReplyText.h"
#include "RequestBodies.h"
#include "ServiceOptions.h"
#include "TranscriptText.h"
#include "WavFormat.h"

#include <QTextCodec>

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

using namespace cw::service;

TEST(WireFormat, HeaderRoundTripsLittleEndian)
{
    MessageHeader header;
    header.kind = 106;
    header.status = -5;
    header.hasBody = 1;
    header.length = 0x01020304;
    const HeaderBytes bytes = encodeHeader(header);
    EXPECT_EQ(bytes[0], 0xbb);
    EXPECT_EQ(bytes[1], 0x1b);
    EXPECT_EQ(bytes[20], 0x04);
    EXPECT_EQ(bytes[23], 0x01);
    const MessageHeader back = decodeHeader(bytes.data());
    EXPECT_EQ(back.magic, kMagic);
    EXPECT_EQ(back.status, -5);
    EXPECT_EQ(back.length, 0x01020304);
}

TEST(WireFormat, RequestHeaderVerdicts)
{
    struct Case {
        uint32_t magic, version;
        int32_t kind, hasBody, length;
        HeaderVerdict verdict;
    } cases[] = {
        {7099, 1, 2, 1, 40, HeaderVerdict::Ok},
        {7099, 1, 10, 0, -7, HeaderVerdict::Ok},  // no body: the length is not looked at
        {7099, 1, 6, 1, kMaxBodySize, HeaderVerdict::Ok},
        {7098, 1, 2, 1, 40, HeaderVerdict::BadMagic},
        {7099, 2, 2, 1, 40, HeaderVerdict::BadVersion},
        {7099, 1, 0, 1, 40, HeaderVerdict::UnknownKind},
        {7099, 1, 11, 1, 40, HeaderVerdict::UnknownKind},
        {7099, 1, 102, 1, 40, HeaderVerdict::UnknownKind},
        {7099, 1, 2, 1, -1, HeaderVerdict::BadLength},
        {7099, 1, 6, 1, kMaxBodySize + 1, HeaderVerdict::BadLength},
    };
    for (const Case &c : cases) {
        MessageHeader header;
        header.magic = c.magic;
        header.version = c.version;
        header.kind = c.kind;
        header.hasBody = c.hasBody;
        header.length = c.length;
        EXPECT_EQ(checkRequestHeader(header), c.verdict) << c.magic << " " << c.kind << " " << c.length;
    }
}

TEST(WireFormat, RepliesCarryKindPlusHundredAndBodyFlag)
{
    const std::string withBody = encodeReply(KindBalance, 0, "600");
    const MessageHeader a = decodeHeader(reinterpret_cast<const uint8_t *>(withBody.data()));
    EXPECT_EQ(a.kind, 110);
    EXPECT_EQ(a.hasBody, 1);
    EXPECT_EQ(a.length, 3);
    EXPECT_EQ(withBody.substr(24), "600");

    const std::string offset = encodeBodilessReply(KindTranscribe, 0, 123456);
    ASSERT_EQ(offset.size(), 24u);
    const MessageHeader b = decodeHeader(reinterpret_cast<const uint8_t *>(offset.data()));
    EXPECT_EQ(b.kind, 106);
    EXPECT_EQ(b.hasBody, 0);
    EXPECT_EQ(b.length, 123456);
}

TEST(RequestBodies, AccountBodiesAcceptOnlyWellFormedMembers)
{
    const std::string digest = "0123456789abcdef0123456789ABCDEF";
    struct Case {
        const char *body;
        bool ok;
    } registrations[] = {
        {"{\"username\":\"ann@x_1\",\"password\":\"0123456789abcdef0123456789abcdef\",\"E-mail\":\"a@b\"}", true},
        {"{\"username\":\"ann\",\"password\":\"0123456789abcdef0123456789abcdef\",\"E-mail\":\"\"}", true},
        {"{\"username\":\"ann\",\"password\":\"0123456789abcdef0123456789abcdef\"}", false},         // no e-mail
        {"{\"username\":\"an n\",\"password\":\"0123456789abcdef0123456789abcdef\",\"E-mail\":\"\"}", false},
        {"{\"username\":\"\",\"password\":\"0123456789abcdef0123456789abcdef\",\"E-mail\":\"\"}", false},
        {"{\"username\":\"ann\",\"password\":\"secret\",\"E-mail\":\"\"}", false},                  // not a digest
        {"{\"username\":\"ann\",\"password\":\"0123456789abcdef0123456789abcdeg\",\"E-mail\":\"\"}", false},
        {"{\"username\":7,\"password\":\"0123456789abcdef0123456789abcdef\",\"E-mail\":\"\"}", false},
        {"[\"username\"]", false},
        {"{\"username\":\"ann\"", false},
        {"", false},
    };
    for (const Case &c : registrations)
        EXPECT_EQ(decodeRegistration(c.body).has_value(), c.ok) << c.body;
    EXPECT_FALSE(decodeRegistration("{\"username\":\"" + std::string(65, 'a') + "\",\"password\":\"" + digest
                                    + "\",\"E-mail\":\"\"}"));
    const auto login = decodeLogin("{\"username\":\"ann\",\"password\":\"" + digest + "\"}");
    ASSERT_TRUE(login);
    EXPECT_EQ(login->passwordDigest, "0123456789abcdef0123456789abcdef");  // compared in one case

    // A NUL inside the body must not cut the JSON short and pass.
    std::string withNul = "{\"session\":\"0123456789abcdef0123456789abcdef\"}";
    withNul.insert(1, 1, '\0');
    EXPECT_FALSE(decodeSession(withNul));

    struct RechargeCase {
        const char *body;
        bool ok;
        long long duration;
    } recharges[] = {
        {"{\"session\":\"0123456789abcdef0123456789abcdef\",\"money\":\"25\",\"duration\":3600}", true, 3600},
        {"{\"session\":\"0123456789abcdef0123456789abcdef\",\"money\":\"25\",\"duration\":-3600}", true, -3600},
        {"{\"session\":\"0123456789abcdef0123456789abcdef\",\"money\":\"25\",\"duration\":1.5}", false, 0},
        {"{\"session\":\"0123456789abcdef0123456789abcdef\",\"money\":\"25\",\"duration\":1e300}", false, 0},
        {"{\"session\":\"0123456789abcdef0123456789abcdef\",\"money\":\"25\",\"duration\":\"3600\"}", false, 0},
        {"{\"session\":\"short\",\"money\":\"25\",\"duration\":3600}", false, 0},
    };
    for (const RechargeCase &c : recharges) {
        const auto request = decodeRecharge(c.body);
        EXPECT_EQ(request.has_value(), c.ok) << c.body;
        if (request) {
            EXPECT_EQ(request->duration, c.duration);
        }
    }
}

TEST(RequestBodies, AnnouncementLimits)
{
    auto body = [](long long audioSize, long long textSize, const char *textFinger, int hours) {
        return "{\"username\":\"ann\",\"session\":\"0123456789abcdef0123456789abcdef\",\"filename\":\"a.wav\","
               "\"audio_size\":" + std::to_string(audioSize) + ",\"fingerprint\":\"0123456789abcdef0123456789abcdef\","
               "\"type\":\"unknown\",\"size\":1,\"source_finger\":\"unknown\",\"textname\":\"\",\"text_finger\":\""
               + textFinger + "\",\"text_size\":" + std::to_string(textSize) + ",\"duration\":\"1:2:5\",\"hours\":"
               + std::to_string(hours) + ",\"minutes\":2,\"seconds\":5}";
    };
    const char *finger = "00112233445566778899aabbccddeeff";
    struct Case {
        long long audio, text;
        const char *finger;
        int hours;
        bool ok;
    } cases[] = {
        {44, 0, "", 1, true},
        {43, 0, "", 1, false},
        {0x7fffffffLL, 0, "", 1, true},
        {0x80000000LL, 0, "", 1, false},
        {1000, 16 << 20, finger, 1, true},
        {1000, (16 << 20) + 1, finger, 1, false},
        {1000, 10, "", 1, false},  // a transcript needs its digest
        {1000, -1, "", 1, false},
        {1000, 0, "", -1, false},
    };
    for (const Case &c : cases)
        EXPECT_EQ(decodeAnnouncement(body(c.audio, c.text, c.finger, c.hours)).has_value(), c.ok)
            << c.audio << " " << c.text << " " << c.hours;
    const auto a = decodeAnnouncement(body(1000, 0, "", 1));
    ASSERT_TRUE(a);
    EXPECT_EQ(a->durationSeconds, 3725);
    EXPECT_FALSE(a->hasTranscript());
}

TEST(ReplyText, ResultTextBlocksInGbk)
{
    const std::vector<cw::engines::TimedLine> lines = {
        {500, 2000, "你好", 1.0},
        {2100, 3725000 + 42, "line\rwith\nbreaks", 0.374},
        {360000000, 360000001, "late", 0.0},
    };
    const std::string text = resultText(lines);
    const QByteArray gbkHello = QTextCodec::codecForName("GBK")->fromUnicode(QStringLiteral("你好"));
    const std::string expected = "1,100\n00:00:00,500 --> 00:00:02,000\n" + gbkHello.toStdString() + "\n\n"
                                 "2,37\n00:00:02,100 --> 01:02:05,042\nline with breaks\n\n"
                                 "3,0\n100:00:00,000 --> 100:00:00,001\nlate\n\n";
    EXPECT_EQ(text, expected);
    // The second number always reads as 0..100, whatever an engine computed.
    EXPECT_EQ(confidencePercent(0.005), 1);
    EXPECT_EQ(confidencePercent(0.004), 0);
    EXPECT_EQ(confidencePercent(1.7), 100);
    EXPECT_EQ(confidencePercent(-0.2), 0);
    EXPECT_EQ(confidencePercent(std::nan("")), 0);
    EXPECT_EQ(progressBody(100, 37), "100,37");
    EXPECT_EQ(loginReplyBody("abc"), "{\n\t\"session\":\t\"abc\"\n}");
}

TEST(ReplyText, RecordFieldsCannotBreakTheLineLayout)
{
    const std::string line = queryLine(0, "a,b\nc.wav", 12, "done");
    EXPECT_EQ(std::count(line.begin(), line.end(), ','), 3);
    EXPECT_EQ(line.find('\n'), std::string::npos);
    EXPECT_NE(line.find("a b c.wav,12,done"), std::string::npos);
    const std::string record = recordLine(0, '+', "25", 3600);
    EXPECT_EQ(record.substr(19), ",+,25,3600");
}

namespace {

std::string wavHeader(uint16_t format, uint16_t channels, uint32_t rate, uint16_t bits, uint32_t dataSize,
                      const std::string &extraChunk = {})
{
    std::string h = "RIFF    WAVE" + extraChunk + "fmt ";
    auto put = [&h](uint32_t v, int n) {
        for (int i = 0; i < n; ++i)
            h += char((v >> (8 * i)) & 0xff);
    };
    put(16, 4);
    put(format, 2);
    put(channels, 2);
    put(rate, 4);
    put(rate * channels * bits / 8, 4);
    put(channels * bits / 8, 2);
    put(bits, 2);
    h += "data";
    put(dataSize, 4);
    return h;
}

}  // namespace

TEST(WavFormat, AcceptsOnlyPcm16kMono16)
{
    const std::string list = std::string("LIST") + char(3) + '\0' + '\0' + '\0' + "abc" + '\0';  // odd size, padded
    // Sizes that once wrapped a 32-bit chunk walk back onto the same chunk.
    const auto junk = [](uint32_t size) {
        std::string chunk = "junk";
        for (int i = 0; i < 4; ++i)
            chunk += char((size >> (8 * i)) & 0xff);
        return chunk;
    };
    struct Case {
        std::string header;
        int64_t fileSize;
        bool ok;
        int64_t dataOffset, dataBytes;
    } cases[] = {
        {wavHeader(1, 1, 16000, 16, 32000), 44 + 32000, true, 44, 32000},
        {wavHeader(1, 1, 16000, 16, 0xFFFFFFFF), 44 + 1001, true, 44, 1000},  // streamed size, odd tail dropped
        {wavHeader(1, 1, 16000, 16, 64000), 44 + 32000, true, 44, 32000},     // claims more than the file holds
        {wavHeader(1, 1, 16000, 16, 100, list), 56 + 100, true, 56, 100},
        {wavHeader(1, 1, 16000, 16, 100, junk(0xFFFFFFF8)), 52 + 100, false, 0, 0},
        {wavHeader(1, 1, 16000, 16, 100, junk(0xFFFFFFF7)), 52 + 100, false, 0, 0},
        {wavHeader(3, 1, 16000, 32, 100), 144, false, 0, 0},
        {wavHeader(1, 2, 16000, 16, 100), 144, false, 0, 0},
        {wavHeader(1, 1, 44100, 16, 100), 144, false, 0, 0},
        {wavHeader(1, 1, 16000, 8, 100), 144, false, 0, 0},
        {wavHeader(1, 1, 16000, 16, 0), 44, false, 0, 0},
        {"RIFX    WAVEfmt ", 100, false, 0, 0},
        {std::string(44, '\0'), 44, false, 0, 0},
    };
    for (const Case &c : cases) {
        std::string reason;
        const auto layout = parseWav(reinterpret_cast<const uint8_t *>(c.header.data()), c.header.size(), c.fileSize, &reason);
        EXPECT_EQ(layout.has_value(), c.ok) << reason;
        if (layout) {
            EXPECT_EQ(layout->dataOffset, c.dataOffset);
            EXPECT_EQ(layout->dataBytes, c.dataBytes);
        }
    }
    // The walk gives up when the service stops.
    const std::string header = wavHeader(1, 1, 16000, 16, 100);
    const std::atomic<bool> stopping{true};
    EXPECT_FALSE(parseWav(reinterpret_cast<const uint8_t *>(header.data()), header.size(), 144, nullptr, &stopping));

    WavLayout layout;
    layout.dataBytes = 320000;
    EXPECT_EQ(layout.chargedSeconds(), 10);
    layout.dataBytes = 320002;
    EXPECT_EQ(layout.chargedSeconds(), 11);
}

TEST(TranscriptText, PlainLinesOrSubtitleBlocks)
{
    const auto gbk = [](const char *utf8) {
        return QTextCodec::codecForName("GBK")->fromUnicode(QString::fromUtf8(utf8)).toStdString();
    };
    struct Case {
        const char *name;
        std::string bytes;
        bool srt;
        std::vector<std::string> texts;
    } cases[] = {
        {"plain, UTF-8 with a mark, CR LF", "\xEF\xBB\xBF" "one\r\ntwo\n", false, {"one", "two"}},
        {"plain, blank lines and spaces", "  \n\t\none  \n\n", false, {"one"}},
        {"plain, UTF-8 without a mark", "\xE4\xBD\xA0\xE5\xA5\xBD\n", false, {"你好"}},
        {"plain, GBK", gbk("第一行\r\n\r\n  第二行  \n"), false, {"第一行", "第二行"}},
        {"plain, nothing", "\n \n", false, {}},
        {"plain, numbers and a time line later on", "1\nTen to one.\n00:00:01,000 --> 00:00:02,000\n", false,
         {"1", "Ten to one.", "00:00:01,000 --> 00:00:02,000"}},
        {"SRT, GBK with CR LF",
         gbk("1\r\n00:00:01,000 --> 00:00:02,500\r\n你好\r\n\r\n2\r\n00:00:03,000 --> 00:00:04,000\r\n世界\r\n\r\n"), true,
         {"你好", "世界"}},
        {"SRT with a mark, CR line ends, no final blank line",
         "\xEF\xBB\xBF" "1\r00:00:01,000 --> 00:00:02,000\rone\r\r2\r00:00:02,000 --> 00:00:03,000\rtwo", true,
         {"one", "two"}},
        {"SRT, texts over two lines",
         "1\n00:00:01,000 --> 00:00:02,000\nfirst half\n second half \n\n2\n00:00:02,000 --> 00:00:03,000\nnext\n",
         true, {"first half second half", "next"}},
        {"SRT without index lines", "00:00:01,000 --> 00:00:02,000\none\n\n00:00:02,000 --> 00:00:03,000\ntwo\n", true,
         {"one", "two"}},
        {"SRT, blocks without blank lines between",
         "1\n00:00:01,000 --> 00:00:02,000\none\n2\n00:00:02,000 --> 00:00:03,000\ntwo\n"
         "00:00:03,000 --> 00:00:04,000\nthree\n",
         true, {"one", "two", "three"}},
        {"SRT, a number as text",
         "\n\n1\n00:00:01,000 --> 00:00:02,000\n42\n\n2\n00:00:02,000 --> 00:00:03,000\n7\nnot an index\n", true,
         {"42", "7 not an index"}},
        {"SRT, text after a blank line stays with its block",
         "1\n00:00:01,000 --> 00:00:02,000\n\nlate text\n\n2\n00:00:02,000 --> 00:00:03,000\ntwo\n", true,
         {"late text", "two"}},
        {"SRT, empty block dropped",
         "1\n00:00:01,000 --> 00:00:02,000\n\n2\n00:00:02,000 --> 00:00:03,000\ntwo\n", true, {"two"}},
        {"SRT, loose time lines",
         "1\n0:00:01.5 --> 100:00:02,25 X1:10 X2:20\none\n\n2\n00:00:02,000-->00:00:03,000\ntwo\n", true,
         {"one", "two"}},
        {"SRT, markup kept in the text", "1\n00:00:01,000 --> 00:00:02,000\n<i>one</i>\n", true, {"<i>one</i>"}},
    };
    for (const Case &c : cases) {
        const Transcript t = readTranscript(c.bytes);
        std::vector<std::string> texts;
        for (const TranscriptEntry &e : t.entries)
            texts.push_back(e.text);
        EXPECT_EQ(t.srt, c.srt) << c.name;
        EXPECT_EQ(texts, c.texts) << c.name;
    }

    // The synthesiser would read markup out loud.
    EXPECT_EQ(withoutMarkup("<i>Hello</i>, <font color=\"#ff0000\">world</font>"), "Hello, world");
    EXPECT_EQ(withoutMarkup("{\\an8}Up  here"), "Up here");
    EXPECT_EQ(withoutMarkup("a < b and c > d, {not a tag}"), "a < b and c > d, {not a tag}");
    EXPECT_EQ(readTranscript("<b>bold</b> line\n").entries.at(0).spoken, "bold line");
}

TEST(LoginBackoff, FreeTriesThenDoublingThenDayOfRest)
{
    struct Case {
        int failures;
        int64_t waited;
        bool may;
    } cases[] = {
        {0, 0, true}, {4, 0, true}, {5, 0, false}, {5, 1, true}, {6, 1, false}, {6, 2, true},
        {30, 3599, false}, {30, 3600, true}, {99, 3600, true}, {100, 3600, false}, {100, 86400, true},
    };
    for (const Case &c : cases)
        EXPECT_EQ(LoginBackoff::mayTry(c.failures, 1000, 1000 + c.waited), c.may) << c.failures << " " << c.waited;
    EXPECT_EQ(LoginBackoff::failuresAfterFailure(100), 100);
    // Checks in flight count as failures only for whether another may start.
    EXPECT_TRUE(LoginBackoff::mayStart(0, 0, 4, 1000));
    EXPECT_FALSE(LoginBackoff::mayStart(0, 0, 5, 1000));
    EXPECT_FALSE(LoginBackoff::mayStart(4, 0, 1, 1000));
    EXPECT_TRUE(LoginBackoff::mayStart(5, 999, 0, 1000));
    EXPECT_FALSE(LoginBackoff::mayStart(5, 999, 1, 1000));
}

TEST(ServiceOptions, CommandLines)
{
    ServiceOptions options;
    std::string error;
    ASSERT_TRUE(parseServiceOptions({"--listen", "127.0.0.1", "--port", "0", "--data", "/tmp/x", "--initial-balance",
                                     "60", "--workers", "3"},
                                    &options, &error));
    EXPECT_EQ(options.port, 0);
    EXPECT_EQ(options.initialBalance, 60);
    EXPECT_EQ(options.workers, 3);
    ServiceOptions add;
    ASSERT_TRUE(parseServiceOptions({"--data", "/tmp/x", "add-user", "ann", "pw", "--balance", "7"}, &add, &error));
    EXPECT_EQ(add.mode, ServiceOptions::Mode::AddUser);
    EXPECT_EQ(add.newUser, "ann");
    EXPECT_EQ(add.newBalance, 7);
    for (const std::vector<std::string> &bad :
         std::vector<std::vector<std::string>>{{"--port", "70000"}, {"--port"}, {"--workers", "0"}, {"--bogus"},
                                               {"add-user", "ann"}, {"frobnicate"}, {"--initial-balance", "-1"}}) {
        ServiceOptions ignored;
        EXPECT_FALSE(parseServiceOptions(bad, &ignored, &error)) << bad[0];
    }
}
