// The list editor: opening files, typed edits, the pop-up's commands, the
// empty state, overlaps and following playback.
#include "SrtListTestSupport.h"

#include "base/SignalProxy.h"
#include "views/DragSrtWidget.h"
#include "views/SplitTimeWidget.h"
#include "views/SrtListTheme.h"
#include "views/SrtPopWidget.h"

#include <QLabel>
#include <QMimeData>
#include <QRadioButton>
#include <QSignalSpy>
#include <QSlider>
#include <QUrl>

using namespace SrtListTable;

namespace {

using SrtListWidgetTest = SrtListFixture;

QColor foreground(const SrtListWidget &list, int row, int column)
{
    return list.table()->item(row, column)->data(Qt::ForegroundRole).value<QColor>();
}

QColor background(const SrtListWidget &list, int row, int column)
{
    return list.table()->item(row, column)->data(Qt::BackgroundRole).value<QColor>();
}

} // namespace

TEST_F(SrtListWidgetTest, OpensASubtitleFileIntoTheTable)
{
    SrtListWidget list;
    EXPECT_TRUE(list.showsEmptyState());
    QSignalSpy blocks(SignalProxy::instance(), &SignalProxy::signal_updateTimeBlock);
    const QString path = writeSrt(QStringLiteral("talk.SRT"), fourCues());
    list.slot_SelectTxtfile(path);

    EXPECT_FALSE(list.showsEmptyState());
    EXPECT_EQ(listTexts(), (QStringList {"一", "二", "三", "四"}));
    EXPECT_EQ(columnTexts(list, NumberColumn), (QStringList {"1", "2", "3", "4"}));
    EXPECT_EQ(columnTexts(list, StartColumn).first(), QStringLiteral("00:00:01,000"));
    EXPECT_EQ(columnTexts(list, EndColumn).last(), QStringLiteral("00:00:05,000"));
    EXPECT_EQ(list.table()->item(0, TextColumn)->toolTip(), QStringLiteral("一"));
    EXPECT_EQ(list.table()->horizontalHeaderItem(TextColumn)->text(), QStringLiteral("文本内容"));
    EXPECT_EQ(list.table()->columnWidth(NumberColumn), 68);
    EXPECT_EQ(list.table()->columnWidth(TextColumn), 370);
    EXPECT_EQ(currentProject().subtitleFilePath, path);
    EXPECT_EQ(currentProject().textEncoding, 2);
    EXPECT_EQ(blocks.count(), 1);
}

TEST_F(SrtListWidgetTest, DroppingFilesOpensTheFirstOnly)
{
    SrtListWidget list;
    const QString first = writeSrt(QStringLiteral("a.srt"), fourCues());
    const QString second = writeSrt(QStringLiteral("b.srt"), {{0, 1000, QStringLiteral("别的")}});
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(first), QUrl::fromLocalFile(second)});
    list.dropArea()->announceFiles(DropAreaWidget::localFiles(&data));
    EXPECT_EQ(listTexts().size(), 4);
    EXPECT_EQ(currentProject().subtitleFilePath, first);
}

TEST_F(SrtListWidgetTest, AFailedOpenKeepsTheListAndSaysWhy)
{
    SrtListWidget list;
    list.show();
    const QString good = writeSrt(QStringLiteral("good.srt"), fourCues());
    list.slot_SelectTxtfile(good);

    list.slot_SelectTxtfile(workFile(QStringLiteral("missing.srt")));
    list.slot_SelectTxtfile(workFile(QStringLiteral("notes.doc")));
    const QString longLine = workFile(QStringLiteral("long.txt"));
    writeFile(longLine, toLocal8(QString(60, QChar(0x4E00)) + QStringLiteral("\r\n短\r\n")));
    list.slot_SelectTxtfile(longLine);

    EXPECT_EQ(boxTexts,
        (QStringList {QStringLiteral("文件读取失败！"), QStringLiteral("文本格式不支持！"),
            QStringLiteral("字幕文本中存在行内容过长，需作断行处理，然后重新开始！")}));
    EXPECT_EQ(listTexts(), (QStringList {"一", "二", "三", "四"}));
    EXPECT_EQ(list.table()->rowCount(), 4);
    EXPECT_EQ(currentProject().subtitleFilePath, good);
    // Reported here, so no later step trips over the flag.
    EXPECT_FALSE(currentProject().lineTooLong);

    // Off screen (the start page opening a transcript) the flag is left for
    // the start page to report.
    list.hide();
    boxTexts.clear();
    list.slot_SelectTxtfile(longLine);
    EXPECT_TRUE(boxTexts.isEmpty());
    EXPECT_TRUE(currentProject().lineTooLong);
    EXPECT_EQ(listTexts().size(), 4);
}

TEST_F(SrtListWidgetTest, TypedEditsReachTheEntryBeforePlaybackStarts)
{
    SrtListWidget list;
    list.slot_SelectTxtfile(writeSrt(QStringLiteral("t.srt"), fourCues()));
    ASSERT_FALSE(playbackState().playerStarted);
    QSignalSpy waveItems(SignalProxy::instance(), &SignalProxy::signal_noticeUpdateWaveItem);

    list.table()->item(1, TextColumn)->setText(QStringLiteral("  改过的  "));
    EXPECT_EQ(listTexts()[1], QStringLiteral("改过的"));
    // A start typed loosely is taken and written back in full.
    list.table()->item(2, StartColumn)->setText(QStringLiteral("0:0:2,5"));
    EXPECT_EQ(startMsOf(2), 2005);
    EXPECT_EQ(SrtListTable::cellText(list.table(), 2, StartColumn), QStringLiteral("00:00:02,005"));
    list.table()->item(2, EndColumn)->setText(QStringLiteral("00:00:09,000"));
    EXPECT_EQ(endMsOf(2), 9000);
    ASSERT_EQ(waveItems.count(), 3);
    EXPECT_EQ(waveItems[2][0].toInt(), 2);
    // Entry 2 now starts inside entry 1 and runs past entry 3's start.
    EXPECT_EQ(list.overlapCountLabel()->text(), QStringLiteral("2"));
}

TEST_F(SrtListWidgetTest, HighlightingNeverCommitsAnEdit)
{
    SrtListWidget list;
    list.slot_SelectTxtfile(writeSrt(QStringLiteral("t.srt"), fourCues()));
    playbackState().playerStarted = true;
    const quint64 version = currentSubtitleList().version();
    QSignalSpy seeks(SignalProxy::instance(), &SignalProxy::signal_SpinposChanged);

    list.slot_noticePlayState(2, 0, 0, 0);
    EXPECT_EQ(list.highlightedRow(), 2);
    EXPECT_EQ(list.table()->currentRow(), 2);
    EXPECT_EQ(background(list, 2, TextColumn), srtListColours().highlight);
    list.slot_tablewidgetcellClicked(1, StartColumn);
    EXPECT_FALSE(list.table()->item(2, TextColumn)->data(Qt::BackgroundRole).isValid());
    EXPECT_EQ(background(list, 1, NumberColumn), srtListColours().highlight);
    list.slot_rightMenu(list.table()->visualItemRect(list.table()->item(3, StartColumn)).center());
    EXPECT_EQ(list.menuRow(), 3);

    EXPECT_EQ(currentSubtitleList().version(), version);
    ASSERT_EQ(seeks.count(), 1);
    EXPECT_DOUBLE_EQ(seeks[0][0].toDouble(), 2.0);
}

TEST_F(SrtListWidgetTest, FollowsPlaybackAndDrivesIt)
{
    SrtListWidget list;
    list.slot_SelectTxtfile(writeSrt(QStringLiteral("t.srt"), fourCues()));
    QSignalSpy space(SignalProxy::instance(), &SignalProxy::signal_noticeSpaceButton);

    // Before playback a click only highlights.
    list.slot_tablewidgetcellClicked(0, TextColumn);
    EXPECT_EQ(list.clickedRow(), -1);
    list.slot_noticePlayState(3, 0, 0, 0);
    EXPECT_EQ(list.highlightedRow(), 0);

    playbackState().playerStarted = true;
    playbackState().playerPaused = true;
    list.slot_tablewidgetcellClicked(1, TextColumn);
    EXPECT_EQ(playbackState().pausedSeekSource, 3);
    // The list moved the position itself: its own reports are ignored.
    list.slot_noticePlayState(3, 0, 0, 0);
    EXPECT_EQ(list.highlightedRow(), 1);
    list.slot_cellDoubleClicked(1, TextColumn);
    EXPECT_EQ(space.count(), 0);

    playbackState().playerPaused = false;
    playbackState().pausedSeekSource = -1;
    list.slot_cellDoubleClicked(1, TextColumn);
    EXPECT_EQ(space.count(), 1);
    list.slot_cellDoubleClicked(2, TextColumn);
    EXPECT_EQ(space.count(), 1);
    list.slot_noticePlayState(7, 0, 0, 0); // past the end
    list.slot_noticePlayState(-1, 0, -1, -1);
    EXPECT_EQ(list.highlightedRow(), 1);
}

TEST_F(SrtListWidgetTest, PopUpCommandsChangeTheListAndRebuild)
{
    SrtListWidget list;
    list.slot_SelectTxtfile(writeSrt(QStringLiteral("t.srt"), fourCues()));
    QSignalSpy blocks(SignalProxy::instance(), &SignalProxy::signal_updateTimeBlock);

    list.slot_noticeCommand(1, QStringLiteral("mergenext"));
    EXPECT_EQ(listTexts(), (QStringList {"一", "二三", "四"}));
    EXPECT_EQ(endMsOf(1), 4000);
    list.slot_noticeCommand(2, QStringLiteral("mergeprev"));
    EXPECT_EQ(listTexts(), (QStringList {"一", "二三四"}));
    list.slot_noticeCommand(0, QString()); // a merge without a neighbour
    list.slot_noticeCommand(1, QStringLiteral("insertlineafter"));
    list.slot_noticeCommand(0, QStringLiteral("insertlinebefore"));
    EXPECT_EQ(listTexts(), (QStringList {"", "一", "二三四", ""}));
    EXPECT_EQ(startMsOf(0), 0);
    EXPECT_EQ(endMsOf(0), 1000);
    EXPECT_EQ(startMsOf(3), 5000);
    EXPECT_EQ(endMsOf(3), 6000);
    EXPECT_EQ(columnTexts(list, NumberColumn), (QStringList {"1", "2", "3", "4"}));
    EXPECT_EQ(blocks.count(), 4);

    // Split through the dialog the list owns.
    list.slot_noticeCommand(2, QStringLiteral("split"));
    ASSERT_TRUE(list.splitDialog()->isVisible());
    EXPECT_EQ(list.splitDialog()->row(), 2);
    list.splitDialog()->slider()->setValue(50);
    list.splitDialog()->slot_clickSplitButton();
    EXPECT_EQ(list.table()->rowCount(), 5);
    EXPECT_EQ(listTexts().mid(2, 2), (QStringList {"二三", "四"}));
    EXPECT_EQ(blocks.count(), 5);
}

TEST_F(SrtListWidgetTest, DeletingEverythingShowsTheEmptyStateAndForgetsRows)
{
    SrtListWidget list;
    const QString path = writeSrt(QStringLiteral("t.srt"), fourCues());
    list.slot_SelectTxtfile(path);
    playbackState().playerStarted = true;
    list.slot_tablewidgetcellClicked(3, TextColumn);
    list.slot_rightMenu(list.table()->visualItemRect(list.table()->item(2, TextColumn)).center());
    EXPECT_TRUE(list.popWidget()->isVisible());
    ASSERT_EQ(list.clickedRow(), 3);

    list.slot_noticeCommand(3, QStringLiteral("delete"));
    EXPECT_EQ(list.highlightedRow(), -1);
    EXPECT_EQ(list.clickedRow(), -1);
    EXPECT_EQ(list.menuRow(), -1);
    EXPECT_FALSE(list.popWidget()->isVisible());
    // Merging the last two, then deleting the last one.
    list.slot_noticeCommand(1, QStringLiteral("mergenext"));
    list.slot_noticeCommand(1, QStringLiteral("mergeprev"));
    list.slot_noticeCommand(0, QStringLiteral("delete"));
    EXPECT_TRUE(currentSubtitleList().isEmpty());
    EXPECT_TRUE(list.showsEmptyState());
    EXPECT_EQ(list.table()->rowCount(), 0);

    // Stale rows from anywhere are ignored.
    list.slot_tablewidgetcellClicked(0, TextColumn);
    list.slot_cellDoubleClicked(0, TextColumn);
    list.slot_noticePlayState(0, 0, 0, 0);
    list.slot_noticeColorTag(0, Qt::red);
    list.slot_noticeCommand(0, QStringLiteral("delete"));
    list.slot_noticeCommand(0, QStringLiteral("split"));
    list.slot_noticeUpdateSrtlistWidgetItem(0);
    list.slot_clickNextButton();
    list.slot_rightMenu(QPoint(5, 5));
    EXPECT_FALSE(list.splitDialog()->isVisible());
    EXPECT_EQ(list.overlapCursor(), -1);

    list.slot_SelectTxtfile(path);
    EXPECT_FALSE(list.showsEmptyState());
    EXPECT_EQ(list.table()->rowCount(), 4);
}

TEST_F(SrtListWidgetTest, TagsColourTheTextAndAreKept)
{
    SrtListWidget list;
    list.slot_SelectTxtfile(writeSrt(QStringLiteral("t.srt"), fourCues()));
    // Untagged text takes the table's text colour on the dark table.
    EXPECT_EQ(foreground(list, 0, TextColumn), srtListColours().text);

    list.slot_noticeColorTag(1, QColor(0, 158, 17));
    EXPECT_EQ(currentSubtitleList().at(1).tagColor, TagColor(0, 158, 17));
    EXPECT_EQ(foreground(list, 1, TextColumn), QColor(0, 158, 17));
    // A rebuild keeps it.
    list.slot_loadSrtData();
    EXPECT_EQ(foreground(list, 1, TextColumn), QColor(0, 158, 17));
    // The pop-up opens on the row's tag.
    list.slot_rightMenu(list.table()->visualItemRect(list.table()->item(1, TextColumn)).center());
    EXPECT_TRUE(list.popWidget()->colourButton(3)->isChecked());
}

TEST_F(SrtListWidgetTest, OverlapCountAndNavigationFollowEveryRebuild)
{
    SrtListWidget list;
    // Pairs (0, 1) and (2, 3).
    list.slot_SelectTxtfile(writeSrt(QStringLiteral("o.srt"),
        {{0, 1500, QStringLiteral("a")}, {1000, 2000, QStringLiteral("b")}, {2000, 3500, QStringLiteral("c")},
            {3000, 4000, QStringLiteral("d")}, {4000, 5000, QStringLiteral("e")}}));
    EXPECT_EQ(list.overlapCountLabel()->text(), QStringLiteral("2"));
    EXPECT_EQ(foreground(list, 0, TextColumn), srtListColours().overlap);
    EXPECT_EQ(foreground(list, 4, TextColumn), srtListColours().text);

    QList<int> visited;
    for (int i = 0; i < 5; ++i) {
        list.slot_clickNextButton();
        visited << list.overlapCursor();
    }
    EXPECT_EQ(visited, (QList<int> {0, 1, 2, 3, 0}));
    EXPECT_EQ(list.highlightedRow(), 0);
    list.slot_clickPrevButton();
    EXPECT_EQ(list.overlapCursor(), 3);

    // An entry put between c and d (3500 to 3000) parts that pair.
    list.slot_noticeCommand(3, QStringLiteral("insertlinebefore"));
    EXPECT_EQ(list.overlapCountLabel()->text(), QStringLiteral("1"));
    list.slot_noticeCommand(3, QStringLiteral("delete"));
    EXPECT_EQ(list.overlapCountLabel()->text(), QStringLiteral("2"));
    list.slot_noticeCommand(1, QStringLiteral("delete"));
    EXPECT_EQ(list.overlapCountLabel()->text(), QStringLiteral("1"));
    EXPECT_EQ(foreground(list, 0, TextColumn), srtListColours().text);

    // Mode 2 leaves a 5 ms overlap 1 ms apart; the count says so at once.
    list.slot_SelectTxtfile(
        writeSrt(QStringLiteral("p.srt"), {{0, 1005, QStringLiteral("x")}, {1000, 2000, QStringLiteral("y")}}));
    list.slot_NoticeProcessOverlay(2);
    EXPECT_EQ(endMsOf(0), 1003);
    EXPECT_EQ(startMsOf(1), 1002);
    EXPECT_EQ(list.overlapCountLabel()->text(), QStringLiteral("1"));
    list.slot_NoticeProcessOverlay(0);
    EXPECT_EQ(list.overlapCountLabel()->text(), QStringLiteral("0"));
    list.slot_clickNextButton();
    EXPECT_EQ(list.overlapCursor(), -1);

    // A lone entry has no neighbour to overlap, whatever its old flag says.
    list.slot_SelectTxtfile(workFile(QStringLiteral("p.srt")));
    list.slot_noticeCommand(1, QStringLiteral("delete"));
    EXPECT_EQ(foreground(list, 0, TextColumn), srtListColours().text);
    EXPECT_EQ(list.overlapCountLabel()->text(), QStringLiteral("0"));
}

TEST_F(SrtListWidgetTest, ABoundaryShiftNeedsTwoEntries)
{
    SrtListWidget list;
    QSignalSpy blocks(SignalProxy::instance(), &SignalProxy::signal_updateTimeBlock);
    list.slot_SelectTxtfile(writeSrt(QStringLiteral("one.srt"), {{1000, 2000, QStringLiteral("一")}}));
    list.slot_NoticeMarginTimeAdjustment(-300, 500, 0);
    EXPECT_EQ(startMsOf(0), 1000);
    EXPECT_EQ(blocks.count(), 1);

    list.slot_SelectTxtfile(writeSrt(QStringLiteral("t.srt"), fourCues()));
    list.slot_NoticeMarginTimeAdjustment(-300, 500, 1);
    EXPECT_EQ(startMsOf(0), 700);
    // Ends moved past the next starts, then resolved keeping the ends.
    EXPECT_EQ(startMsOf(1), 2500);
    EXPECT_EQ(SrtListTable::cellText(list.table(), 1, StartColumn), QStringLiteral("00:00:02,500"));
    EXPECT_EQ(list.overlapCountLabel()->text(), QStringLiteral("0"));
    EXPECT_EQ(blocks.count(), 3);
}

TEST_F(SrtListWidgetTest, RowsOverAReadingLimitAreMarked)
{
    SrtListWidget list;
    list.slot_SelectTxtfile(writeSrt(QStringLiteral("r.srt"),
        {{0, 1000, QString(25, QChar(0x4E00))}, {1000, 9000, QString(45, QChar(0x4E8C))},
            {9000, 10000, QStringLiteral("好")}}));
    QTableWidget *table = list.table();
    EXPECT_EQ(foreground(list, 0, NumberColumn), srtListColours().warning);
    EXPECT_TRUE(table->item(0, NumberColumn)->toolTip().contains(QStringLiteral("语速过快")));
    EXPECT_TRUE(table->item(1, NumberColumn)->toolTip().contains(QStringLiteral("一行过长")));
    EXPECT_TRUE(table->item(2, NumberColumn)->toolTip().isEmpty());
    EXPECT_TRUE(table->item(2, StartColumn)->toolTip().startsWith(QStringLiteral("每秒字数：1.0（上限 20）")));

    // A longer duration typed in clears the mark.
    table->item(0, EndColumn)->setText(QStringLiteral("00:00:02,000"));
    EXPECT_TRUE(table->item(0, NumberColumn)->toolTip().isEmpty());
    EXPECT_FALSE(table->item(0, NumberColumn)->data(Qt::ForegroundRole).isValid());
}

TEST_F(SrtListWidgetTest, ClearingEmptiesTheViewAndTheList)
{
    SrtListWidget list;
    list.slot_SelectTxtfile(writeSrt(QStringLiteral("t.srt"), fourCues()));
    list.slot_clickNextButton();
    resetCurrentProject();
    EXPECT_TRUE(list.showsEmptyState());
    EXPECT_EQ(list.table()->rowCount(), 0);
    EXPECT_EQ(list.overlapCountLabel()->text(), QStringLiteral("0"));
    EXPECT_TRUE(currentSubtitleList().isEmpty());
}
