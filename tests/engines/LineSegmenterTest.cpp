// Recognised words into readable lines: the subtitle rules on hand-made and
// random word lists, punctuation, Chinese, and the pause fitting before it.

#include "LineSegmenter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

using namespace cw::engines;

namespace {

std::vector<std::string> texts(const std::vector<TimedLine> &lines) {
    std::vector<std::string> out;
    for (const TimedLine &l : lines)
        out.push_back(l.text);
    return out;
}

std::vector<TimedWord> evenWords(const std::vector<std::string> &words, int64_t wordMs, int64_t gapMs,
                                 int64_t from = 0) {
    std::vector<TimedWord> out;
    int64_t t = from;
    for (const std::string &w : words) {
        out.push_back({w, t, t + wordMs});
        t += wordMs + gapMs;
    }
    return out;
}

std::string withoutSpaces(const std::string &text) {
    std::string out;
    for (char c : text)
        if (c != ' ')
            out += char(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

bool startsWithAny(const std::string &text, std::initializer_list<const char *> marks) {
    for (const char *m : marks)
        if (text.rfind(m, 0) == 0)
            return true;
    return false;
}

}  // namespace

TEST(LineSegmenter, CountsCharactersAndKnowsWhereSpacesGo) {
    EXPECT_EQ(displayLength("hello"), 5u);
    EXPECT_EQ(displayLength("今天天气"), 4u);
    EXPECT_EQ(displayLength("café"), 4u);
    EXPECT_EQ(displayLength("\xff\xfe"), 2u);  // stray bytes count one each
    EXPECT_TRUE(joinsWithoutSpace("今天", "天气"));
    EXPECT_TRUE(joinsWithoutSpace("我用", "Linux"));
    EXPECT_TRUE(joinsWithoutSpace("好", "，"));
    EXPECT_FALSE(joinsWithoutSpace("hello", "world"));
    EXPECT_FALSE(joinsWithoutSpace("안녕", "하세요"));  // Korean is written with spaces
}

TEST(LineSegmenter, CutsAtPausesAndHoldsShortLines) {
    // A pause ends a line; the first line is held to its minimum time.
    auto lines = segmentWords({{"good", 0, 300}, {"morning", 320, 700}, {"how", 1100, 1300}, {"are", 1320, 1500},
                               {"you", 1520, 1800}});
    ASSERT_EQ(texts(lines), (std::vector<std::string>{"Good morning", "How are you"}));
    EXPECT_EQ(lines[0].startMs, 0);
    EXPECT_EQ(lines[0].endMs, 830);
    EXPECT_EQ(lines[1].startMs, 1100);

    // Too long for one line: the cut goes to the widest gap, not the first fit.
    std::vector<TimedWord> words = evenWords({"the", "quick", "brown", "fox", "jumps", "over", "the", "lazy", "dog",
                                              "and", "keeps", "running"},
                                             300, 20);
    for (size_t i = 6; i < words.size(); ++i) {
        words[i].startMs += 230;
        words[i].endMs += 230;
    }
    EXPECT_EQ(texts(segmentWords(words)),
              (std::vector<std::string>{"The quick brown fox jumps over", "The lazy dog and keeps running"}));

    // A short answer joins what follows after a short pause rather than
    // flashing by; after a long silence it stays alone, held for 0.83 s.
    EXPECT_EQ(texts(segmentWords({{"Yes", 0, 300}, {".", 300, 300}, {"I", 650, 750}, {"think", 760, 1100},
                                  {"so", 1110, 1400}, {".", 1400, 1400}})),
              (std::vector<std::string>{"Yes. I think so."}));
    lines = segmentWords({{"Yes", 0, 300}, {".", 300, 300}, {"No", 2300, 2600}, {".", 2600, 2600}});
    ASSERT_EQ(texts(lines), (std::vector<std::string>{"Yes.", "No."}));
    EXPECT_EQ(lines[0].endMs, 830);
    // The last line stops at the end of the audio.
    lines = segmentWords({{"yes", 100, 400}}, {}, 600);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].endMs, 600);

    // Seven seconds at most, even without a pause.
    for (const TimedLine &l : segmentWords(evenWords({"a", "b", "c", "d", "e"}, 1900, 50)))
        EXPECT_LE(l.endMs - l.startMs, 7000) << l.text;
}

TEST(LineSegmenter, HoldsFastLinesForTheirReadingTime) {
    // 39 characters spoken in 1.2 s need 1.95 s at 20 a second.
    const std::vector<std::string> fast = {"abcdefghi", "abcdefghi", "abcdefghi", "abcdefghi"};
    std::vector<TimedWord> words = evenWords(fast, 270, 40);
    words.push_back({"okay", 2700, 3000});
    auto lines = segmentWords(words);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].endMs, 1950);
    // Never over the next line: held only up to where it starts.
    words.back() = {"okay", 1500, 1800};
    lines = segmentWords(words);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].endMs, 1500);
    EXPECT_EQ(lines[1].startMs, 1500);
}

TEST(LineSegmenter, KeepsPunctuationWithItsWord) {
    const auto lines = segmentWords({{"Hello", 0, 400},
                                     {",", 400, 400},
                                     {"world", 450, 900},
                                     {".", 900, 900},
                                     {"(", 3000, 3000},
                                     {"laughs", 3000, 3500},
                                     {")", 3500, 3500},
                                     {"\"", 3600, 3600},
                                     {"Run", 3600, 3900},
                                     {"\"", 3900, 3900}});
    EXPECT_EQ(texts(lines), (std::vector<std::string>{"Hello, world.", "(laughs) \"Run\""}));

    // Forced cuts in a run of short clauses never strand a comma.
    std::vector<TimedWord> words;
    for (int i = 0; i < 12; ++i) {
        words.push_back({"word", i * 400, i * 400 + 300});
        words.push_back({",", i * 400 + 300, i * 400 + 300});
    }
    for (const TimedLine &l : segmentWords(words)) {
        EXPECT_FALSE(startsWithAny(l.text, {","})) << l.text;
        EXPECT_EQ(l.text.find(" ,"), std::string::npos) << l.text;
        EXPECT_LE(displayLength(l.text), 42u) << l.text;
    }

    // With punctuation only sentence starts get a capital; without, every line.
    EXPECT_EQ(texts(segmentWords({{"the", 0, 200}, {"cat", 210, 400}, {"sat", 410, 600}, {",", 600, 600},
                                  {"then", 2600, 2800}, {"it", 2810, 3000}, {"slept", 3010, 3400}, {".", 3400, 3400}})),
              (std::vector<std::string>{"The cat sat,", "then it slept."}));
}

TEST(LineSegmenter, ChineseIsCountedInCharactersWithoutSpaces) {
    EXPECT_EQ(texts(segmentWords({{"今天", 0, 400}, {"天气", 400, 800}, {"很好", 800, 1200}, {"。", 1200, 1200}})),
              (std::vector<std::string>{"今天天气很好。"}));
    EXPECT_EQ(texts(segmentWords({{"我用", 0, 400}, {"Linux", 400, 900}, {"系统", 900, 1300}})),
              (std::vector<std::string>{"我用Linux系统"}));

    // Sixty characters of speech without a pause: two lines of at most 42.
    std::vector<std::string> pairs(30, "天气");
    auto lines = segmentWords(evenWords(pairs, 250, 0));
    ASSERT_EQ(lines.size(), 2u);
    std::string joined;
    for (const TimedLine &l : lines) {
        EXPECT_LE(displayLength(l.text), 42u);
        EXPECT_EQ(l.text.find(' '), std::string::npos);
        joined += l.text;
    }
    EXPECT_EQ(displayLength(joined), 60u);

    // One "word" of sixty characters is cut with its time shared out; the
    // full stop stays on the last piece.
    std::string long60;
    for (int i = 0; i < 30; ++i)
        long60 += "很好";
    lines = segmentWords({{long60, 1000, 7000}, {"。", 7000, 7000}});
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].startMs, 1000);
    EXPECT_EQ(displayLength(lines[0].text), 42u);
    EXPECT_EQ(lines[1].startMs, 1000 + 6000 * 42 / 61);  // the mark shares the word's time
    EXPECT_EQ(lines[1].text.substr(lines[1].text.size() - 3), "。");
}

TEST(LineSegmenter, RandomSpeechKeepsEveryRule) {
    std::mt19937 random(20261208);
    const std::vector<std::string> english = {"a", "we", "the", "said", "morning", "yesterday", "extraordinary", "it's"};
    const std::vector<std::string> marks = {",", ".", "?", "。"};
    const std::vector<std::string> han = {"天", "天气", "我们一起", "公园"};
    const SegmentRules rules;
    for (int round = 0; round < 300; ++round) {
        std::vector<TimedWord> words;
        int64_t t = std::uniform_int_distribution<int64_t>(0, 500)(random);
        std::string spoken;
        const int count = std::uniform_int_distribution<int>(1, 80)(random);
        for (int i = 0; i < count; ++i) {
            // The first word is a word: a line may only start with a mark
            // when the engine's output does.
            const int kind = i == 0 ? 0 : std::uniform_int_distribution<int>(0, 9)(random);
            std::string text = kind < 6 ? english[random() % english.size()]
                               : kind < 8 ? han[random() % han.size()] : marks[random() % marks.size()];
            const int64_t length = kind < 8 ? std::uniform_int_distribution<int64_t>(60, 700)(random) : 0;
            const int gapKind = std::uniform_int_distribution<int>(0, 9)(random);
            const int64_t gap = gapKind < 6 ? std::uniform_int_distribution<int64_t>(0, 60)(random)
                                : gapKind < 8 ? std::uniform_int_distribution<int64_t>(100, 299)(random)
                                              : std::uniform_int_distribution<int64_t>(300, 2500)(random);
            if (kind < 8 && i > 0)
                t += gap;
            words.push_back({text, t, t + length});
            t += length;
            spoken += text;
        }
        const int64_t audioMs = t + std::uniform_int_distribution<int64_t>(0, 2000)(random);
        const std::vector<TimedLine> lines = segmentWords(words, rules, audioMs);
        std::string shown;
        for (size_t i = 0; i < lines.size(); ++i) {
            const TimedLine &l = lines[i];
            const std::string where = "round " + std::to_string(round) + " line " + std::to_string(i) + ": " + l.text;
            shown += l.text;
            const size_t chars = displayLength(l.text);
            const int64_t shownMs = l.endMs - l.startMs;
            EXPECT_LE(chars, rules.maxChars) << where;
            EXPECT_LE(shownMs, rules.maxMs) << where;
            EXPECT_GT(shownMs, 0) << where;
            EXPECT_LE(l.endMs, audioMs) << where;
            if (i > 0) {
                EXPECT_GE(l.startMs, lines[i - 1].endMs) << where;
            }
            EXPECT_FALSE(startsWithAny(l.text, {",", ".", "?", "。"})) << where;
            for (const char *bad : {" ,", " .", " ?", " 。", "天 ", " 天", "气 ", "园 "})
                EXPECT_EQ(l.text.find(bad), std::string::npos) << where;
            // Shorter than its minimum or reading time only when the next
            // line, the audio's end or the 7 s cap stopped it.
            const int64_t needed = std::max<int64_t>(rules.minMs, int64_t(std::ceil(double(chars) * 50)));
            if (shownMs < needed) {
                const bool stopped = (i + 1 < lines.size() && l.endMs == lines[i + 1].startMs) ||
                                     l.endMs == audioMs || shownMs == rules.maxMs;
                EXPECT_TRUE(stopped) << where << " shown " << shownMs << " ms, needs " << needed;
            }
        }
        EXPECT_EQ(withoutSpaces(shown), withoutSpaces(spoken)) << "round " << round;
    }
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

    // A line is as sure as its words are on average.
    std::vector<TimedWord> scored = {{"good", 0, 300}, {"morning", 320, 700}, {"how", 1100, 1300}};
    scored[0].confidence = 0.9;
    scored[1].confidence = 0.5;
    scored[2].confidence = 0.2;
    const std::vector<TimedLine> lines = segmentWords(scored);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_DOUBLE_EQ(lines[0].confidence, 0.7);
    EXPECT_DOUBLE_EQ(lines[1].confidence, 0.2);
}
