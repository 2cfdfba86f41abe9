#include "subtitle/LocalCodec.h"
#include "subtitle/SplitText.h"
#include "subtitle/SubtitleList.h"
#include "subtitle/TimingOperations.h"

#include "SubtitleTestSupport.h"

#include <gtest/gtest.h>

namespace {
using Span = std::pair<qint32, qint32>;

SubtitleEntries makeEntries(const std::vector<Span> &spans)
{
    SubtitleEntries entries;
    for (const Span &s : spans)
        entries.append(makeEntry(s.first, s.second));
    return entries;
}

std::vector<Span> spansOf(const SubtitleEntries &entries)
{
    std::vector<Span> spans;
    for (const SubtitleEntry &e : entries)
        spans.emplace_back(timeCodeToMilliseconds(e.startTime), timeCodeToMilliseconds(e.endTime));
    return spans;
}
} // namespace

TEST(OverlapScan, FlagsOnlyStrictlyOverlappingNeighbours)
{
    SubtitleEntries entries = makeEntries({{0, 1000}, {1000, 2000}, {1999, 3000}, {2500, 2600}, {0, 100}});
    entries[0].overlapping = true; // stale flag from an earlier scan
    const OverlapPairs pairs = scanOverlaps(entries);
    EXPECT_EQ(pairs, OverlapPairs({{1, 2}, {2, 3}, {3, 4}}));
    EXPECT_FALSE(entries[0].overlapping);
    EXPECT_TRUE(entries[1].overlapping);
    EXPECT_TRUE(entries[4].overlapping);

    SubtitleEntries single = makeEntries({{0, 1000}});
    single[0].overlapping = true;
    EXPECT_TRUE(scanOverlaps(single).isEmpty());
    EXPECT_TRUE(single[0].overlapping); // fewer than two entries: flags left alone
}

TEST(ResolveOverlaps, ModesAndChains)
{
    const struct { const char *name; std::vector<Span> before; int mode; std::vector<Span> after; } cases[] = {
        {"keep starts", {{1000, 3000}, {2000, 4000}}, KeepStarts, {{1000, 2000}, {2000, 4000}}},
        {"keep ends", {{1000, 3000}, {2000, 4000}}, KeepEnds, {{1000, 3000}, {3000, 4000}}},
        {"halfway", {{1000, 3000}, {2000, 4000}}, MeetHalfway, {{1000, 2500}, {2500, 4000}}},
        {"halfway odd overlap", {{0, 1005}, {1000, 2000}}, MeetHalfway, {{0, 1003}, {1002, 2000}}},
        {"unknown mode", {{1000, 3000}, {2000, 4000}}, 7, {{1000, 3000}, {2000, 4000}}},
        {"chain keep ends", {{0, 3000}, {1000, 4000}, {2000, 5000}}, KeepEnds, {{0, 3000}, {3000, 4000}, {4000, 5000}}},
        {"chain keep starts", {{0, 3000}, {1000, 4000}, {2000, 5000}}, KeepStarts, {{0, 1000}, {1000, 2000}, {2000, 5000}}},
        {"chain halfway", {{0, 3000}, {1000, 4000}, {2000, 5000}}, MeetHalfway, {{0, 2000}, {2000, 3000}, {3000, 5000}}},
        {"end before start stays", {{5000, 4000}, {3000, 6000}}, KeepEnds, {{5000, 4000}, {4000, 6000}}},
    };
    for (const auto &c : cases) {
        SubtitleEntries entries = makeEntries(c.before);
        for (SubtitleEntry &e : entries)
            e.tagColor = TagColor(255, 0, 0);
        OverlapPairs pairs = scanOverlaps(entries);
        resolveOverlaps(entries, pairs, c.mode);
        EXPECT_EQ(spansOf(entries), c.after) << c.name;
        EXPECT_TRUE(pairs.isEmpty()) << c.name;
        for (const SubtitleEntry &e : entries)
            EXPECT_EQ(e.tagColor, TagColor::defaultGray()) << c.name; // every mode resets the tag
    }
}

TEST(ResolveOverlaps, FiveMillisecondOverlapStaysFlaggedAfterHalfway)
{
    SubtitleEntries entries = makeEntries({{0, 1005}, {1000, 2000}});
    OverlapPairs pairs = scanOverlaps(entries);
    resolveOverlaps(entries, pairs, MeetHalfway);
    EXPECT_FALSE(entries[0].overlapping);
    EXPECT_EQ(scanOverlaps(entries).size(), 1);
}

TEST(ResolveOverlaps, StalePairsAreLeftAlone)
{
    SubtitleEntries entries = makeEntries({{0, 2000}, {1000, 3000}});
    OverlapPairs pairs = scanOverlaps(entries);
    entries.remove(1); // the list changed after the scan
    entries.append(makeEntry(5000, 6000));
    entries[0].tagColor = TagColor(0, 0, 255);
    resolveOverlaps(entries, pairs, KeepStarts);
    EXPECT_EQ(spansOf(entries), std::vector<Span>({{0, 2000}, {5000, 6000}}));
    EXPECT_EQ(entries[0].tagColor, TagColor(0, 0, 255));
    pairs = {{1, 2}, {-1, 0}};
    resolveOverlaps(entries, pairs, KeepStarts); // out of range: no crash
    EXPECT_TRUE(pairs.isEmpty());
}

TEST(ShiftBoundaries, ShiftsClampsAndResolves)
{
    const struct { const char *name; std::vector<Span> before; int start, end, mode; std::vector<Span> after; } cases[] = {
        {"negative clamps to zero", {{300, 1000}, {2000, 3000}}, -1000, 0, KeepStarts, {{0, 1000}, {1000, 3000}}},
        {"later ends create overlaps", {{0, 1000}, {1200, 2000}}, 0, 500, KeepEnds, {{0, 1500}, {1500, 2500}}},
        {"both directions", {{1000, 2000}, {3000, 4000}}, 100, -100, KeepStarts, {{1100, 1900}, {3100, 3900}}},
        {"ends before starts stay", {{1000, 1100}, {3000, 3100}}, 0, -1000, KeepStarts, {{1000, 100}, {3000, 2100}}},
    };
    for (const auto &c : cases) {
        SubtitleEntries entries = makeEntries(c.before);
        OverlapPairs pairs;
        EXPECT_TRUE(shiftBoundaries(entries, pairs, c.start, c.end, c.mode)) << c.name;
        EXPECT_EQ(spansOf(entries), c.after) << c.name;
    }
    SubtitleEntries single = makeEntries({{300, 1000}});
    OverlapPairs pairs;
    EXPECT_FALSE(shiftBoundaries(single, pairs, -1000, 0, KeepStarts));
    EXPECT_EQ(spansOf(single), std::vector<Span>({{300, 1000}}));
}

TEST(SplitEntry, SplitsTimeByPercentAndInsertsAfter)
{
    SubtitleEntries entries = makeEntries({{10000, 12000}, {20000, 21000}});
    entries[0].tagColor = TagColor(255, 0, 0);
    entries[0].number = 5;
    ASSERT_TRUE(splitEntry(entries, 0, 25, "front", QString::fromUtf8("后面")));
    EXPECT_EQ(spansOf(entries), std::vector<Span>({{10000, 10500}, {10500, 12000}, {20000, 21000}}));
    EXPECT_EQ(entries[0].text, "front");
    EXPECT_EQ(entries[0].tagColor, TagColor(255, 0, 0));
    EXPECT_EQ(entries[0].number, 5);
    EXPECT_EQ(entries[1].text, toLocal8(QString::fromUtf8("后面")));
    EXPECT_EQ(entries[1].tagColor, TagColor::defaultGray());
    EXPECT_EQ(entries[1].number, 0);

    ASSERT_TRUE(splitEntry(entries, 2, 100, "all", ""));
    EXPECT_EQ(spansOf(entries).back(), Span(21000, 21000));
    EXPECT_EQ(entries.last().text, "");

    const SubtitleEntries before = entries;
    EXPECT_FALSE(splitEntry(entries, 0, 0, "a", "b"));
    EXPECT_FALSE(splitEntry(entries, 9, 50, "a", "b"));
    EXPECT_EQ(entries, before);
}

TEST(SplitText, HalvesAndSliderRule)
{
    const QString five = QStringLiteral("abcde");
    EXPECT_EQ(splitTextInHalf(five).front, "ab");
    EXPECT_EQ(splitTextInHalf(five).back, "cde");
    EXPECT_EQ(splitTextAtPercent(five, 50).front, "abc");
    EXPECT_EQ(splitTextAtPercent(five, 50).back, "de");
    EXPECT_EQ(splitTextAtPercent(five, 100).back, "");
    EXPECT_EQ(splitTextAtPercent(five, 0).front, "");
}

TEST(SubtitleList, OperationsOnTheSharedListKeepTheirPairs)
{
    SubtitleList list;
    list.assign(makeEntries({{1000, 3000}, {2000, 4000}}));
    EXPECT_EQ(scanOverlaps(list).size(), 1);
    EXPECT_EQ(list.overlapPairs().size(), 1);
    EXPECT_TRUE(list.at(0).overlapping);
    resolveOverlaps(list, MeetHalfway);
    EXPECT_TRUE(list.overlapPairs().isEmpty());
    EXPECT_EQ(spansOf(list.snapshot()), std::vector<Span>({{1000, 2500}, {2500, 4000}}));

    list.insert(2, makeEntry(5000, 6000));
    list.erase(0);
    list.replace(0, makeEntry(1, 2));
    EXPECT_EQ(spansOf(list.snapshot()), std::vector<Span>({{1, 2}, {5000, 6000}}));
    list.clear();
    EXPECT_TRUE(list.isEmpty());
}
