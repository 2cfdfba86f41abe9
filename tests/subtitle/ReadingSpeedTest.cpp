#include "subtitle/EncodingLoss.h"
#include "subtitle/LocalCodec.h"
#include "subtitle/ReadingSpeed.h"
#include "subtitle/SubtitleCheck.h"

#include "SubtitleTestSupport.h"

#include <QMap>
#include <cmath>
#include <gtest/gtest.h>

namespace {
SubtitleEntry timed(int startMs, int endMs, const char *utf8)
{
    return makeEntry(startMs, endMs, toLocal8(QString::fromUtf8(utf8)));
}
} // namespace

TEST(ReadingSpeed, CountsCharactersNotBytes)
{
    // 10 characters, 26 bytes in the local form, over 2 s.
    EXPECT_DOUBLE_EQ(charactersPerSecond(timed(1000, 3000, "你好，世界 😀 ok")), 5.0);
    EXPECT_DOUBLE_EQ(charactersPerSecond(timed(0, 500, "abcde")), 10.0);
    EXPECT_EQ(charactersPerSecond(timed(0, 500, "")), 0.0);
    EXPECT_TRUE(std::isinf(charactersPerSecond(timed(2000, 2000, "a"))));
    EXPECT_TRUE(std::isinf(charactersPerSecond(timed(3000, 2000, "a"))));

    EXPECT_EQ(longestLineLength(timed(0, 1, "短行\r\n一行更长的字幕😀\nabc")), 8);
    EXPECT_EQ(characterCount(QString::fromUtf8("ab\r\ncd")), 4);
    EXPECT_EQ(longestLineLength(timed(0, 1, "")), 0);
}

TEST(ReadingSpeed, LimitsComeFromSettingsOrDefaults)
{
    QMap<QString, QString> stored;
    const auto read = [&](const QString &key) { return stored.value(key); };
    ReadingLimits limits = readingLimitsFrom(read);
    EXPECT_EQ(limits.maxCharsPerSecond, 20.0);
    EXPECT_EQ(limits.maxLineLength, 42);

    stored[ReadingLimitKeys::MaxCharsPerSecond] = "15.5";
    stored[ReadingLimitKeys::MaxLineLength] = " 37 ";
    limits = readingLimitsFrom(read);
    EXPECT_EQ(limits.maxCharsPerSecond, 15.5);
    EXPECT_EQ(limits.maxLineLength, 37);

    stored[ReadingLimitKeys::MaxCharsPerSecond] = "fast";
    stored[ReadingLimitKeys::MaxLineLength] = "0";
    limits = readingLimitsFrom(read);
    EXPECT_EQ(limits.maxCharsPerSecond, 20.0);
    EXPECT_EQ(limits.maxLineLength, 42);
}

TEST(SubtitleCheck, ReportsEachKindOfFindingByRow)
{
    ReadingLimits limits;
    limits.maxCharsPerSecond = 10;
    limits.maxLineLength = 5;
    const SubtitleEntries entries = {
        timed(0, 2000, "fine"),
        timed(2000, 3001, "ok"),   // overlaps the next by 1 ms
        timed(3000, 4000, "toolong"), // 7 characters: too long, not too fast
        timed(4000, 4000, "  "),  // empty: no speed or length findings
        timed(5000, 5100, "abc"), // 30 per second
        timed(5100, 6000, "end"), // equal times do not overlap
    };
    EXPECT_EQ(checkSubtitles(entries, limits),
              SubtitleFindings({{SubtitleFinding::Overlap, 1, 0},
                                {SubtitleFinding::LineTooLong, 2, 7},
                                {SubtitleFinding::EmptyText, 3, 0},
                                {SubtitleFinding::TooFast, 4, 30}}));
    EXPECT_EQ(entries[1].overlapping, false); // no flag is touched
    EXPECT_TRUE(checkSubtitles({timed(0, 1000, "ok")}, limits).isEmpty());
}

TEST(EncodingLoss, CountsWhatTheTargetCannotHold)
{
    const SubtitleEntries entries = {timed(0, 1, "한국어 😀 café"), timed(0, 1, "你好"), timed(0, 1, "plain")};
    EXPECT_EQ(countUnencodableCharacters(entries, "GBK"), 4);  // 3 Hangul, 1 emoji
    EXPECT_EQ(countUnencodableCharacters(entries, "Big5"), 5); // and é
    EXPECT_EQ(countUnencodableCharacters(entries, "GB18030"), 0);
    EXPECT_EQ(countUnencodableCharacters(entries, "UTF-8"), 0);
    EXPECT_EQ(countUnencodableCharacters(entries, "no-such-codec"), -1);
    EXPECT_EQ(countUnencodableCharacters({}, "GBK"), 0);
}
