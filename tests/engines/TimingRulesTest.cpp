// Decoder words, utterance planning, the ordering rules every result obeys,
// pause snapping, and the script split for the synthesiser.

#include "LineSegmenter.h"
#include "LineTiming.h"
#include "SphinxRecognizer.h"
#include "VoiceRuns.h"

#include <gtest/gtest.h>

using namespace cw::engines;

TEST(Recognition, DecoderWordsBecomeReadable) {
    const std::pair<const char *, const char *> cases[] = {
        {"hello", "hello"}, {"read(2)", "read"}, {"<s>", ""}, {"</s>", ""}, {"<sil>", ""},
        {"[NOISE]", ""},    {"++UM++", ""},       {"don't", "don't"},
    };
    for (const auto &[in, out] : cases)
        EXPECT_EQ(readableWord(in), out) << in;
}

TEST(Utterances, JoinSpeechUpToTheLimitAndPadIntoSilence) {
    struct Case {
        const char *name;
        std::vector<Span> speech;
        int64_t audioMs;
        std::vector<std::pair<int64_t, int64_t>> expected;
    } cases[] = {
        {"close regions joined", {{1000, 3000}, {3500, 6000}}, 10000, {{850, 6150}}},
        {"limit respected", {{0, 9000}, {9500, 14000}, {14500, 20000}}, 20000, {{0, 14150}, {14350, 20000}}},
        {"overlong region cut evenly", {{0, 30000}}, 30000, {{0, 15000}, {15000, 30000}}},
        {"padding stops halfway to the neighbour", {{0, 14000}, {14100, 20000}}, 20000, {{0, 14050}, {14050, 20000}}},
        {"nothing", {}, 5000, {}},
    };
    for (const Case &c : cases) {
        std::vector<std::pair<int64_t, int64_t>> got;
        for (const Span &u : planUtterances(c.speech, c.audioMs, 15000, 150))
            got.emplace_back(u.startMs, u.endMs);
        EXPECT_EQ(got, c.expected) << c.name;
    }
}

TEST(LineTiming, EnforcesOrderInsideTheAudio) {
    struct Case {
        const char *name;
        std::vector<std::pair<int64_t, int64_t>> in;
        int64_t audioMs;
        std::vector<std::pair<int64_t, int64_t>> expected;
    } cases[] = {
        {"already fine", {{0, 100}, {200, 400}}, 1000, {{0, 100}, {200, 400}}},
        {"overlap pushed back", {{0, 500}, {300, 800}}, 1000, {{0, 500}, {500, 800}}},
        {"too short widened", {{200, 200}, {900, 950}}, 1000, {{200, 300}, {900, 1000}}},
        {"past the end pulled in", {{800, 1200}, {1100, 1500}}, 1000, {{800, 900}, {900, 1000}}},
        {"negative start", {{-50, 20}}, 1000, {{0, 100}}},
        {"crowded: one ms each", {{0, 0}, {0, 0}, {0, 0}}, 3, {{0, 1}, {1, 2}, {2, 3}}},
    };
    for (const Case &c : cases) {
        std::vector<TimedLine> lines;
        for (auto [s, e] : c.in)
            lines.push_back({s, e, "x"});
        ASSERT_TRUE(enforceLineOrder(lines, c.audioMs)) << c.name;
        std::vector<std::pair<int64_t, int64_t>> got;
        for (const TimedLine &l : lines)
            got.emplace_back(l.startMs, l.endMs);
        EXPECT_EQ(got, c.expected) << c.name;
    }
    std::vector<TimedLine> tooMany(5);
    EXPECT_FALSE(enforceLineOrder(tooMany, 4));
}

TEST(LineTiming, SnapsBoundariesToNearbyPauses) {
    std::vector<TimedLine> lines = {{480, 2100, "a"}, {2200, 4000, "b"}, {4100, 6000, "c"}};
    const std::vector<Span> pauses = {{0, 500}, {1990, 2300}, {3000, 3060}, {5000, 5400}, {5900, 7000}};
    snapToPauses(lines, pauses);
    EXPECT_EQ(lines[0].startMs, 500);   // speech resumes after the leading silence
    EXPECT_EQ(lines[0].endMs, 1990);    // the pause between a and b
    EXPECT_EQ(lines[1].startMs, 2300);
    EXPECT_EQ(lines[1].endMs, 4000);    // no pause within reach of 4050: left alone
    EXPECT_EQ(lines[2].startMs, 4100);
    EXPECT_EQ(lines[2].endMs, 5900);    // trailing silence
}

TEST(LineTiming, PrefersALongPauseOverAShortNearerOne) {
    std::vector<TimedLine> lines = {{0, 3000, "a"}, {3000, 6000, "b"}};
    snapToPauses(lines, {{2900, 2960}, {3100, 3500}});
    EXPECT_EQ(lines[0].endMs, 3100);
    EXPECT_EQ(lines[1].startMs, 3500);
}

TEST(VoiceRuns, SplitsMixedScripts) {
    struct Case {
        const char *text;
        Script fallback;
        std::vector<std::pair<Script, std::string>> expected;
    } cases[] = {
        {"hello world", Script::Han, {{Script::Latin, "hello world"}}},
        {"你好，世界", Script::Latin, {{Script::Han, "你好，世界"}}},
        {"我喜欢 iPhone 手机", Script::Latin,
         {{Script::Han, "我喜欢 "}, {Script::Latin, "iPhone "}, {Script::Han, "手机"}}},
        {"2024年", Script::Latin, {{Script::Han, "2024年"}}},
        {"1, 2, 3", Script::Han, {{Script::Han, "1, 2, 3"}}},
        {"", Script::Han, {}},
        {"\xff\xfeok", Script::Han, {{Script::Latin, "\xff\xfeok"}}},
    };
    for (const Case &c : cases) {
        std::vector<std::pair<Script, std::string>> got;
        for (const VoiceRun &r : splitVoiceRuns(c.text, c.fallback))
            got.emplace_back(r.script, r.text);
        EXPECT_EQ(got, c.expected) << c.text;
    }
    EXPECT_TRUE(containsHan("abc 中"));
    EXPECT_FALSE(containsHan("abc é"));
}
