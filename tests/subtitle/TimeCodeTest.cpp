#include "subtitle/FileNameCheck.h"
#include "subtitle/LocalCodec.h"
#include "subtitle/SrtItem.h"
#include "subtitle/TimeCode.h"

#include "SubtitleTestSupport.h"

#include <gtest/gtest.h>

TEST(TimeCode, FormatsFixedWidthFields)
{
    const struct { TimeCode time; const char *text; } cases[] = {
        {tc(0, 0, 0, 0), "00:00:00,000"},
        {tc(1, 2, 3, 4), "01:02:03,004"},
        {tc(10, 5, 9, 50), "10:05:09,050"},
        {tc(123, 0, 0, 0), "23:00:00,000"}, // cut to the last two digits
        {tc(0, 0, 75, 1500), "00:00:75,500"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(formatTimeCode(c.time), QString::fromLatin1(c.text)) << c.text;
}

TEST(TimeCode, ParsesLeniently)
{
    const struct { const char *text; TimeCode time; } cases[] = {
        {"01:02:03,004", tc(1, 2, 3, 4)},
        {"1:2:3,45", tc(1, 2, 3, 45)},
        {"00:00:01,5", tc(0, 0, 1, 5)}, // milliseconds are an integer, not a fraction
        {"01:02:03", tc(1, 2, 3, 0)},
        {"", tc(0, 0, 0, 0)},
        {"abc", tc(0, 0, 0, 0)},
        {"xx:05:yy,7", tc(0, 5, 0, 7)},
        {"00:00:75,1500", tc(0, 0, 75, 1500)},
    };
    for (const auto &c : cases)
        EXPECT_EQ(parseTimeCode(QString::fromLatin1(c.text)), c.time) << c.text;
    EXPECT_EQ(timeCodeToMilliseconds(parseTimeCode("00:00:75,1500")), 76500);
}

TEST(TimeCode, SecondsConversionRoundsToWholeMilliseconds)
{
    const struct { double seconds; TimeCode time; } cases[] = {
        {3599.9, tc(0, 59, 59, 900)}, {59.8, tc(0, 0, 59, 800)}, {-0.3, tc(0, 0, 0, 0)},
        {0.0015, tc(0, 0, 0, 1)},     {3661.001, tc(1, 1, 1, 1)},
    };
    for (const auto &c : cases)
        EXPECT_EQ(secondsToTimeCode(c.seconds), c.time) << c.seconds;
    EXPECT_EQ(formatSeconds(3599.9), "00:59:59,900");
    EXPECT_DOUBLE_EQ(timeCodeToSeconds(tc(1, 1, 1, 500)), 3661.5);
}

TEST(TimeCode, MillisecondsSurviveTheSecondsRoundTrip)
{
    for (qint32 t = 0; t < 200000; t += 7)
        ASSERT_EQ(timeCodeToMilliseconds(secondsToTimeCode(t / 1000.0)), t);
    for (qint32 t = 359990000; t < 360010000; t += 13)
        ASSERT_EQ(timeCodeToMilliseconds(secondsToTimeCode(t / 1000.0)), t);
}

TEST(SrtItem, ConvertsBothWaysThroughTheLocalCodePage)
{
    SubtitleEntry entry;
    entry.startTime = tc(0, 1, 2, 345);
    entry.endTime = tc(0, 1, 3, 0);
    entry.text = toLocal8(QString::fromUtf8("你好 world"));
    entry.tagColor = TagColor(255, 0, 0);
    entry.number = 9;
    entry.overlapping = true;

    const SrtItem item = entryToSrtItem(entry);
    EXPECT_EQ(item.begintime, "00:01:02,345");
    EXPECT_EQ(item.endtime, "00:01:03,000");
    EXPECT_EQ(item.text, QString::fromUtf8("你好 world"));
    EXPECT_EQ(item.tagcolor, TagColor(255, 0, 0));

    const SubtitleEntry back = srtItemToEntry(item);
    EXPECT_EQ(back.startTime, entry.startTime);
    EXPECT_EQ(back.text, entry.text);
    EXPECT_EQ(back.tagColor, entry.tagColor);
    EXPECT_EQ(back.number, 0);
    EXPECT_FALSE(back.overlapping);
}

// Projects used to lose every character outside GBK on opening.
TEST(SrtItem, CharacterOutsideGbkSurvivesTheEntry)
{
    SrtItem item;
    item.text = QString::fromUtf8("a\xF0\x9F\x98\x80" "b");
    EXPECT_EQ(srtItemToEntry(item).text, QByteArray("a\x94\x39\xFC\x36" "b"));
    EXPECT_EQ(entryToSrtItem(srtItemToEntry(item)).text, item.text);
}

TEST(FileNameCheck, RejectsEmptyAndReservedCharacters)
{
    EXPECT_TRUE(isValidFileName("movie.mp4"));
    EXPECT_TRUE(isValidFileName(QString::fromUtf8("讲座 第一课")));
    EXPECT_FALSE(isValidFileName(""));
    for (const char c : QByteArray("\\/:*?\"<>|"))
        EXPECT_FALSE(isValidFileName(QStringLiteral("a%1b").arg(QLatin1Char(c)))) << c;
}
