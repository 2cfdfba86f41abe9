#include "subtitle/FindReplace.h"
#include "subtitle/SubtitleList.h"
#include "subtitle/TimingOperations.h"
#include "subtitle/UndoHistory.h"

#include "SubtitleTestSupport.h"

#include <gtest/gtest.h>

namespace {

SubtitleEntries numbered(int count)
{
    SubtitleEntries entries;
    for (int i = 0; i < count; ++i)
        entries.append(makeEntry(i * 1000, i * 1000 + 900, "text number " + QByteArray::number(i)));
    return entries;
}

QByteArrayList textsOf(const SubtitleList &list)
{
    QByteArrayList texts;
    for (const SubtitleEntry &e : list.snapshot())
        texts.append(e.text);
    return texts;
}

} // namespace

TEST(Undo, RowAndWholeListStepsGoBackAndForth)
{
    SubtitleList list;
    list.replaceDocument(numbered(3));
    const SubtitleEntries original = list.snapshot();

    list.replace(1, makeEntry(0, 1, "edited"));
    list.edit([](SubtitleEntries &e) { e.remove(0); });
    const SubtitleEntries edited = list.snapshot();

    RestoredChange change = list.undo();
    EXPECT_EQ(change.kind, RestoredChange::WholeList);
    EXPECT_EQ(textsOf(list), QByteArrayList({"text number 0", "edited", "text number 2"}));
    change = list.undo();
    EXPECT_EQ(change.kind, RestoredChange::Row);
    EXPECT_EQ(change.row, 1);
    EXPECT_EQ(list.snapshot(), original);
    EXPECT_FALSE(list.canUndo());
    EXPECT_FALSE(list.undo().restored());

    EXPECT_EQ(list.redo().kind, RestoredChange::Row);
    EXPECT_EQ(list.redo().kind, RestoredChange::WholeList);
    EXPECT_EQ(list.snapshot(), edited);
    EXPECT_FALSE(list.canRedo());

    // A new edit after an undo drops what could have been redone.
    list.undo();
    list.append(makeEntry(0, 1, "branch"));
    EXPECT_FALSE(list.canRedo());
}

TEST(Undo, ReplaceAllIsOneStep)
{
    SubtitleList list;
    list.replaceDocument(numbered(5));
    FindQuery query;
    query.text = "number";
    EXPECT_EQ(list.edit([&](SubtitleEntries &e) { return replaceAll(e, query, "no."); }), 5);
    list.undo();
    EXPECT_EQ(list.snapshot(), numbered(5));
    EXPECT_FALSE(list.canUndo());
}

// Opening a file, a job's result or a project is no edit: nothing before it
// can be undone, and it cannot be undone itself.
TEST(Undo, NewDocumentsAndPausedRecordingLeaveNoSteps)
{
    SubtitleList list;
    list.append(makeEntry(0, 1));
    list.replaceDocument(numbered(2));
    EXPECT_FALSE(list.canUndo());

    list.erase(0);
    list.setRecording(false); // a worker fills the list
    list.clear();
    list.append(numbered(4));
    EXPECT_FALSE(list.canUndo());
    EXPECT_FALSE(list.undo().restored());
    list.setRecording(true);
    list.erase(0);
    list.undo();
    EXPECT_EQ(list.size(), 4);
    EXPECT_FALSE(list.canUndo());

    list.erase(0);
    list.clearHistory();
    EXPECT_FALSE(list.canUndo());
}

TEST(Undo, RestoringRescansTheOverlaps)
{
    SubtitleList list;
    list.replaceDocument({makeEntry(1000, 3000), makeEntry(2000, 4000), makeEntry(5000, 6000)});
    scanOverlaps(list);
    resolveOverlaps(list, KeepStarts);
    EXPECT_TRUE(list.overlapPairs().isEmpty());

    list.undo();
    EXPECT_EQ(list.overlapPairs(), OverlapPairs({{0, 1}}));
    EXPECT_TRUE(list.at(0).overlapping);
    EXPECT_TRUE(list.at(1).overlapping);
    EXPECT_FALSE(list.at(2).overlapping);
    list.redo();
    EXPECT_TRUE(list.overlapPairs().isEmpty());
    EXPECT_FALSE(list.at(1).overlapping);
}

TEST(Undo, HistoryKeepsTheNewestStepsWithinItsLimits)
{
    SubtitleList list;
    list.replaceDocument(numbered(3));
    for (int i = 0; i < 150; ++i)
        list.replace(0, makeEntry(0, 1, QByteArray::number(i)));
    int undone = 0;
    while (list.undo().restored())
        ++undone;
    EXPECT_EQ(undone, UndoHistory::DefaultMaxSteps);
    EXPECT_EQ(list.at(0).text, "49");

    // Whole-list steps of 1000 entries, with room for about two of them.
    list.replaceDocument(numbered(1000));
    const qint64 oneStep = 1000 * qint64(sizeof(SubtitleEntry));
    list.setHistoryLimits(100, oneStep * 5 / 2);
    for (int i = 1; i <= 5; ++i)
        shiftBoundaries(list, 1, 0, KeepStarts);
    EXPECT_LE(list.historyBytes(), oneStep * 5 / 2);
    undone = 0;
    while (list.undo().restored())
        ++undone;
    EXPECT_EQ(undone, 2);
    EXPECT_EQ(timeCodeToMilliseconds(list.at(1).startTime), 1000 + 3);
}

// A step keeps alive what only it holds: a copy of the array of entries, but
// not the texts it shares with the list, which implicit sharing keeps once.
TEST(Undo, StepEstimatesCountOnlyWhatTheStepAloneHolds)
{
    const SubtitleEntries before = numbered(1000);
    const qint64 array = before.capacity() * qint64(sizeof(SubtitleEntry));
    const qint64 texts = 1000 * qint64(16);

    SubtitleEntries shifted = before;
    for (SubtitleEntry &e : shifted)
        e.startTime.seconds += 1;
    const qint64 shiftEstimate = estimateWholeListBytes(before, shifted);
    EXPECT_GE(shiftEstimate, array);
    EXPECT_LT(shiftEstimate, array + texts / 10);

    SubtitleEntries inserted = before;
    inserted.insert(500, makeEntry(0, 1));
    SubtitleEntries erased = before;
    erased.remove(10);
    EXPECT_LT(estimateWholeListBytes(before, inserted), array + texts / 10);
    EXPECT_LT(estimateWholeListBytes(before, erased), array + texts / 10);

    SubtitleEntries retyped = before;
    for (SubtitleEntry &e : retyped)
        e.text = e.text + "!";
    EXPECT_GE(estimateWholeListBytes(before, retyped), array + texts);

    EXPECT_LT(estimateWholeListBytes(before, before), 1024);
}

TEST(Undo, ADragIsOneStepThatNeverSwallowsAnEarlierEdit)
{
    SubtitleList list;
    list.replaceDocument(numbered(3));
    list.replace(1, makeEntry(1000, 1900, "typed"));
    const SubtitleEntries typed = list.snapshot();

    // A drag of the same row: its first write opens a step, the rest extend it.
    EXPECT_TRUE(list.replace(1, makeEntry(1100, 2000, "typed"), SubtitleList::Step::New));
    EXPECT_TRUE(list.replace(1, makeEntry(1200, 2100, "typed"), SubtitleList::Step::Continue));
    EXPECT_FALSE(list.replace(1, makeEntry(1200, 2100, "typed"), SubtitleList::Step::Continue));
    EXPECT_TRUE(list.replace(1, makeEntry(1300, 2200, "typed"), SubtitleList::Step::Continue));

    list.undo();
    EXPECT_EQ(list.snapshot(), typed);
    list.undo();
    EXPECT_EQ(list.snapshot(), numbered(3));

    // Continuing on another row, or after an undo, is a step of its own.
    list.redo();
    list.replace(2, makeEntry(2000, 2500, "text number 2"), SubtitleList::Step::Continue);
    list.undo();
    EXPECT_EQ(list.snapshot(), typed);
}
