// Line segmentation of recognised words, the ordering rules every result
// obeys, pause snapping, and the script split for the synthesiser.

#include "LineSegmenter.h"
#include "LineTiming.h"
#include "SphinxRecognizer.h"
#include "VoiceRuns.h"

#include <gtest/gtest.h>

using namespace cw::engines;

namespace {

std::vector<std::string> texts(const std::vector<TimedLine> &lines) {
    std::vector<std::string> out;
    for (const TimedLine &l : lines)
        out.push_back(l.text);
    return out;
}

std::vector<TimedWord> evenWords(const std::vector<std::string> &words, int64_t wordMs, int64_t gapMs) {
    std::vector<TimedWord> out;
    int64_t t = 0;
    for (const std::string &w : words) {
        out.push_back({w, t, t + wordMs});
        t += wordMs + gapMs;
    }
    return out;
}

}  // namespace

TEST(LineSegmenter, CutsAtPausesLengthAndDuration) {
    struct Case {
        const char *name;
        std::vector<TimedWord> words;
        std::vector<std::string> expected;
    } cases[] = {
        {"one short line", evenWords({"he", "was", "not", "ill"}, 200, 50), {"He was not ill"}},
        {"a pause ends a line",
         {{"good", 0, 300}, {"morning", 320, 700}, {"how", 1100, 1300}, {"are", 1320, 1500}, {"you", 1520, 1800}},
         {"Good morning", "How are you"}},
        {"at most 42 characters",
         evenWords({"the", "quick", "brown", "fox", "jumps", "over", "the", "lazy", "dog", "and", "keeps",
                    "running"},
                   150, 20),
         {"The quick brown fox jumps over the lazy", "Dog and keeps running"}},
        {"at most seven seconds", evenWords({"a", "b", "c", "d", "e"}, 1900, 50), {"A b c", "D e"}},
        {"empty words are skipped", {{"", 0, 10}, {"yes", 20, 300}}, {"Yes"}},
    };
    for (const Case &c : cases) {
        const std::vector<TimedLine> lines = segmentWords(c.words);
        EXPECT_EQ(texts(lines), c.expected) << c.name;
        for (const TimedLine &l : lines) {
            EXPECT_LE(l.text.size(), 42u) << c.name;
            EXPECT_LE(l.endMs - l.startMs, 7000) << c.name;
            EXPECT_LT(l.startMs, l.endMs) << c.name;
        }
    }
    // Times come from the first and last word.
    const auto lines = segmentWords({{"good", 100, 400}, {"day", 420, 900}});
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].startMs, 100);
    EXPECT_EQ(lines[0].endMs, 900);
    // A line is as sure as its words are on average.
    std::vector<TimedWord> words = {{"good", 0, 300}, {"morning", 320, 700}, {"how", 1100, 1300}};
    words[0].confidence = 0.9;
    words[1].confidence = 0.5;
    words[2].confidence = 0.2;
    const std::vector<TimedLine> scored = segmentWords(words);
    ASSERT_EQ(scored.size(), 2u);
    EXPECT_DOUBLE_EQ(scored[0].confidence, 0.7);
    EXPECT_DOUBLE_EQ(scored[1].confidence, 0.2);
}

TEST(LineSegmenter, WordEdgesInPausesGoBackToTheSpeech) {
    // The decoder let "us" run on into the pause and "he" start inside it.
    std::vector<TimedWord> words = {{"for", 6100, 6400}, {"us", 6400, 7300}, {"he", 7200, 7600},
                                    {"was", 7600, 7900}};
    fitWordsToPauses(words, {{6970, 7410}});
    EXPECT_EQ(words[1].endMs, 6970);
    EXPECT_EQ(words[2].startMs, 7410);
    EXPECT_EQ(words[2].endMs, 7600);
    const bool marks[] = {false, false, true, false};
    for (size_t i = 0; i < words.size(); ++i)
        EXPECT_EQ(words[i].pauseBefore, marks[i]) << i;
    EXPECT_EQ(texts(segmentWords(words)), (std::vector<std::string>{"For us", "He was"}));

    // A word stretched across a whole pause keeps its longer side.
    std::vector<TimedWord> across = {{"was", 20500, 20900}, {"seen", 20950, 21650}, {"by", 21700, 21900}};
    fitWordsToPauses(across, {{21019, 21501}});
    EXPECT_EQ(across[1].startMs, 21501);
    EXPECT_TRUE(across[1].pauseBefore);
    EXPECT_EQ(texts(segmentWords(across)), (std::vector<std::string>{"Was", "Seen by"}));

    // A word wholly inside a pause keeps its times (the detector may have
    // missed a soft word).
    std::vector<TimedWord> soft = {{"oh", 1000, 1200}};
    fitWordsToPauses(soft, {{900, 1300}});
    EXPECT_EQ(soft[0].startMs, 1000);
    EXPECT_EQ(soft[0].endMs, 1200);
}

TEST(LineSegmenter, DecoderWordsBecomeReadable) {
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
