// The list editor's plain logic: commands on entries, cell commits, overlap
// stepping, reading hints and tag colours.
#include "views/SrtListCommands.h"
#include "subtitle/LocalCodec.h"
#include "views/SrtListNavigation.h"
#include "views/SrtListReadingHints.h"

#include <QStringList>
#include <cmath>
#include <gtest/gtest.h>

namespace {
SubtitleEntry timedEntry(qint64 startMs, qint64 endMs, const QString &text = QString())
{
    SubtitleEntry entry;
    entry.startTime = millisecondsToTimeCode(startMs);
    entry.endTime = millisecondsToTimeCode(endMs);
    entry.text = toLocal8(text);
    return entry;
}

qint64 startMs(const SubtitleEntry &entry)
{
    return timeCodeToMilliseconds(entry.startTime);
}

qint64 endMs(const SubtitleEntry &entry)
{
    return timeCodeToMilliseconds(entry.endTime);
}

QStringList texts(const SubtitleEntries &entries)
{
    QStringList result;
    for (const SubtitleEntry &entry : entries)
        result << fromLocal8(entry.text);
    return result;
}

SubtitleEntries three()
{
    SubtitleEntry tagged = timedEntry(2000, 3000, QStringLiteral("二"));
    tagged.tagColor = TagColor(0, 158, 17);
    tagged.durationSeconds = 1;
    SubtitleEntry first = timedEntry(0, 1500, QStringLiteral("一"));
    first.durationSeconds = 2;
    return {first, tagged, timedEntry(3500, 4000, QStringLiteral("三"))};
}
} // namespace

TEST(SrtListCommandsTest, MergesJoinTextsAndTakeTheLaterEnd)
{
    SubtitleEntries entries = three();
    ASSERT_TRUE(mergeWithNext(entries, 0));
    EXPECT_EQ(texts(entries), (QStringList {"一二", "三"}));
    EXPECT_EQ(startMs(entries[0]), 0);
    EXPECT_EQ(endMs(entries[0]), 3000);
    EXPECT_EQ(entries[0].durationSeconds, 3);
    EXPECT_EQ(entries[0].tagColor, TagColor::defaultGray()); // the kept entry's own

    entries = three();
    ASSERT_TRUE(mergeWithPrevious(entries, 2));
    EXPECT_EQ(texts(entries), (QStringList {"一", "二三"}));
    EXPECT_EQ(entries[1].tagColor, TagColor(0, 158, 17));

    // Nothing past either end, nothing outside the list.
    const SubtitleEntries before = three();
    entries = before;
    EXPECT_FALSE(mergeWithPrevious(entries, 0));
    EXPECT_FALSE(mergeWithNext(entries, 2));
    EXPECT_FALSE(eraseEntry(entries, 3));
    EXPECT_FALSE(insertEntryBefore(entries, -1));
    EXPECT_FALSE(applyListCommand(entries, ListCommand::Split, 1));
    EXPECT_EQ(entries, before);
}

TEST(SrtListCommandsTest, InsertsFillTheGapBetweenNeighbours)
{
    SubtitleEntries entries = three();
    ASSERT_TRUE(insertEntryAfter(entries, 0));
    EXPECT_EQ(startMs(entries[1]), 1500);
    EXPECT_EQ(endMs(entries[1]), 2000);
    EXPECT_EQ(entries[1].tagColor, TagColor::defaultGray());
    EXPECT_TRUE(entries[1].text.isEmpty());

    entries = three();
    ASSERT_TRUE(insertEntryBefore(entries, 0));
    EXPECT_EQ(startMs(entries[0]), 0);
    EXPECT_EQ(endMs(entries[0]), 0);
    ASSERT_TRUE(insertEntryAfter(entries, 3));
    EXPECT_EQ(startMs(entries[4]), 4000);
    EXPECT_EQ(endMs(entries[4]), 4000 + kAppendedEntryMs);

    // Overlapping neighbours give an entry that ends before it starts.
    entries = {timedEntry(0, 3000), timedEntry(2000, 4000)};
    ASSERT_TRUE(insertEntryAfter(entries, 0));
    EXPECT_EQ(startMs(entries[1]), 3000);
    EXPECT_EQ(endMs(entries[1]), 2000);
}

TEST(SrtListCommandsTest, WordsAndCellCommits)
{
    EXPECT_EQ(commandWordForLabel(QStringLiteral("label_SPlit"), 0, 1), QStringLiteral("split"));
    EXPECT_EQ(commandWordForLabel(QStringLiteral("label_MergePrev"), 1, 2), QStringLiteral("mergeprev"));
    EXPECT_EQ(commandForWord(QStringLiteral("insertlinebefore")), ListCommand::InsertBefore);
    EXPECT_EQ(commandForWord(QStringLiteral("Delete")), ListCommand::None);

    SubtitleEntry entry = three()[1];
    const SubtitleEntry edited = entryFromCells(entry,
        {QStringLiteral("7"), QStringLiteral(" 00:00:75,1500 "), QStringLiteral("junk"), QStringLiteral(" 好 ")});
    EXPECT_EQ(edited.number, 7);
    EXPECT_EQ(startMs(edited), 76500);
    EXPECT_EQ(endMs(edited), 0);
    EXPECT_EQ(fromLocal8(edited.text), QStringLiteral("好"));
    EXPECT_EQ(edited.tagColor, entry.tagColor);
    EXPECT_EQ(edited.durationSeconds, entry.durationSeconds);
    EXPECT_EQ(entryFromCells(entry, {QStringLiteral("x"), QString(), QString(), QString()}).number, 0);
}

TEST(SrtListCommandsTest, FlaggedSteppingWrapsBothWays)
{
    const QVector<bool> flags {false, true, false, true, false};
    EXPECT_EQ(nextFlaggedRow(flags, -1), 1);
    EXPECT_EQ(nextFlaggedRow(flags, 1), 3);
    EXPECT_EQ(nextFlaggedRow(flags, 3), 1);
    EXPECT_EQ(nextFlaggedRow(flags, 4), 1);
    EXPECT_EQ(nextFlaggedRow(flags, 99), 1); // a cursor left past the end
    EXPECT_EQ(previousFlaggedRow(flags, -1), 3);
    EXPECT_EQ(previousFlaggedRow(flags, 3), 1);
    EXPECT_EQ(previousFlaggedRow(flags, 1), 3);
    EXPECT_EQ(previousFlaggedRow(flags, 0), 3);
    EXPECT_EQ(nextFlaggedRow({false, false}, 0), -1);
    EXPECT_EQ(previousFlaggedRow({}, -1), -1);

    SubtitleEntries lone {timedEntry(0, 1000)};
    lone[0].overlapping = true;
    EXPECT_EQ(shownOverlaps(lone), QVector<bool> {false});
    EXPECT_EQ(clampedRow(2, 2), -1);
    EXPECT_EQ(clampedRow(1, 2), 1);
}

TEST(SrtListCommandsTest, ReadingHintsCountCharactersPerLine)
{
    ReadingLimits limits;
    limits.maxCharsPerSecond = 10;
    limits.maxLineLength = 4;
    ReadingHint hint = readingHint(QStringLiteral("一二三\r\n四五六七八"), 1000, limits);
    EXPECT_DOUBLE_EQ(hint.charsPerSecond, 8.0);
    EXPECT_EQ(hint.longestLine, 5);
    EXPECT_FALSE(hint.tooFast);
    EXPECT_TRUE(hint.tooLong);
    EXPECT_EQ(readingWarningText(hint, limits), QStringLiteral("一行过长：5 字，上限 4"));

    // An emoji is one character; no time at all is infinitely fast.
    hint = readingHint(QStringLiteral("\U0001F600"), 0, limits);
    EXPECT_TRUE(std::isinf(hint.charsPerSecond));
    EXPECT_TRUE(hint.tooFast);
    EXPECT_EQ(hint.longestLine, 1);
    EXPECT_FALSE(readingHint(QString(), 0, limits).flagged());
    EXPECT_TRUE(readingHintText(readingHint(QStringLiteral("ab"), 500, limits), limits)
                    .startsWith(QStringLiteral("每秒字数：4.0（上限 10）")));
}

TEST(SrtListCommandsTest, TagColoursByButtonName)
{
    EXPECT_EQ(tagColorForButtonName(QStringLiteral("radioButton_Red")), TagColor(212, 49, 49));
    EXPECT_EQ(tagColorForButtonName(QStringLiteral("radioButton_YELLOW")), TagColor(255, 153, 7));
    EXPECT_EQ(tagColorForButtonName(QStringLiteral("radioButton_Green")), TagColor(0, 158, 17));
    EXPECT_EQ(tagColorForButtonName(QStringLiteral("radioButton_Blue")), TagColor(42, 120, 228));
    EXPECT_EQ(tagColorForButtonName(QStringLiteral("radioButton_Pink")), TagColor::defaultGray());
    EXPECT_EQ(tagPaletteIndex(TagColor(42, 120, 228)), 4);
    EXPECT_EQ(tagPaletteIndex(TagColor(42, 120, 228, 10)), 0);
}
