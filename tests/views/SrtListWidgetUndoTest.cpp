// Undo and redo in the list editor: each kind of change comes back through
// the list, the view follows and the other views are told as for the change.
#include "SrtListTestSupport.h"

#include "base/SignalProxy.h"
#include "views/FindReplaceWidget.h"

#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>

using namespace SrtListTable;

namespace {

class SrtListWidgetUndoTest : public SrtListFixture
{
protected:
    void SetUp() override
    {
        SrtListFixture::SetUp();
        m_path = writeSrt(QStringLiteral("u.srt"), fourCues());
        m_list.slot_SelectTxtfile(m_path);
    }

    // Undo, then redo: the list and the table go back and forth with it,
    // and each step tells the other views what the change itself told.
    void expectUndoRedo(const QStringList &before, const QStringList &after, bool wholeList)
    {
        QSignalSpy waveItems(SignalProxy::instance(), &SignalProxy::signal_noticeUpdateWaveItem);
        QSignalSpy blocks(SignalProxy::instance(), &SignalProxy::signal_updateTimeBlock);
        ASSERT_EQ(listTexts(), after);
        m_list.slot_undo();
        EXPECT_EQ(listTexts(), before);
        EXPECT_EQ(columnTexts(m_list, TextColumn), before);
        m_list.slot_redo();
        EXPECT_EQ(listTexts(), after);
        EXPECT_EQ(columnTexts(m_list, TextColumn), after);
        EXPECT_EQ(blocks.count(), wholeList ? 2 : 0);
        EXPECT_EQ(waveItems.count(), wholeList ? 0 : 2);
    }

    SrtListWidget m_list;
    QString m_path;
    const QStringList m_start {"一", "二", "三", "四"};
};

} // namespace

TEST_F(SrtListWidgetUndoTest, RowChangesComeBackOneRowAtATime)
{
    m_list.table()->item(2, TextColumn)->setText(QStringLiteral("丙"));
    expectUndoRedo(m_start, {"一", "二", "丙", "四"}, false);

    m_list.slot_noticeColorTag(0, QColor(212, 49, 49));
    m_list.slot_undo();
    EXPECT_EQ(currentSubtitleList().at(0).tagColor, TagColor::defaultGray());
    EXPECT_EQ(m_list.table()->item(0, TextColumn)->data(Qt::ForegroundRole).value<QColor>(), srtListColours().text);

    // A time edit that made an overlap: undo takes the overlap back too.
    m_list.table()->item(0, EndColumn)->setText(QStringLiteral("00:00:02,500"));
    EXPECT_EQ(m_list.overlapCountLabel()->text(), QStringLiteral("1"));
    m_list.slot_undo();
    EXPECT_EQ(endMsOf(0), 2000);
    EXPECT_EQ(cellText(m_list.table(), 0, EndColumn), QStringLiteral("00:00:02,000"));
    EXPECT_EQ(m_list.overlapCountLabel()->text(), QStringLiteral("0"));
}

TEST_F(SrtListWidgetUndoTest, StructuralChangesComeBackWhole)
{
    m_list.slot_noticeCommand(1, QStringLiteral("mergenext"));
    expectUndoRedo(m_start, {"一", "二三", "四"}, true);
    m_list.slot_noticeCommand(0, QStringLiteral("insertlineafter"));
    expectUndoRedo({"一", "二三", "四"}, {"一", "", "二三", "四"}, true);
    m_list.slot_noticeCommand(3, QStringLiteral("delete"));
    expectUndoRedo({"一", "", "二三", "四"}, {"一", "", "二三"}, true);

    // Back past all three, then deleted down to nothing and back again.
    for (int i = 0; i < 3; ++i)
        m_list.slot_undo();
    EXPECT_EQ(listTexts(), m_start);
    for (int i = 0; i < 4; ++i)
        m_list.slot_noticeCommand(0, QStringLiteral("delete"));
    EXPECT_TRUE(m_list.showsEmptyState());
    m_list.slot_undo();
    EXPECT_FALSE(m_list.showsEmptyState());
    EXPECT_EQ(listTexts(), QStringList {"四"});
}

TEST_F(SrtListWidgetUndoTest, OverlapRemovalAndReplaceAllAreOneStepEach)
{
    m_list.table()->item(0, EndColumn)->setText(QStringLiteral("00:00:02,500"));
    m_list.slot_NoticeProcessOverlay(0);
    EXPECT_EQ(endMsOf(0), 2000);
    m_list.slot_undo();
    EXPECT_EQ(endMsOf(0), 2500);
    EXPECT_EQ(m_list.overlapCountLabel()->text(), QStringLiteral("1"));
    m_list.slot_redo();
    EXPECT_EQ(endMsOf(0), 2000);

    FindReplaceWidget *find = m_list.findReplaceWidget();
    for (int row = 0; row < 4; ++row)
        m_list.table()->item(row, TextColumn)->setText(QStringLiteral("第%1句").arg(row));
    const QStringList numbered {"第0句", "第1句", "第2句", "第3句"};
    find->findField()->setText(QStringLiteral("句"));
    find->replaceField()->setText(QStringLiteral("行"));
    emit find->signal_replaceAll();
    EXPECT_EQ(find->status(), QStringLiteral("已替换 4 处"));
    expectUndoRedo(numbered, {"第0行", "第1行", "第2行", "第3行"}, true);
}

TEST_F(SrtListWidgetUndoTest, ANewDocumentStartsANewHistory)
{
    m_list.table()->item(0, TextColumn)->setText(QStringLiteral("甲"));
    m_list.slot_SelectTxtfile(writeSrt(QStringLiteral("other.srt"), {{0, 1000, QStringLiteral("别的字幕")}}));
    m_list.slot_undo();
    EXPECT_EQ(listTexts(), QStringList {"别的字幕"});

    m_list.table()->item(0, TextColumn)->setText(QStringLiteral("改"));
    resetCurrentProject();
    m_list.slot_undo();
    EXPECT_TRUE(currentSubtitleList().isEmpty());
    EXPECT_TRUE(m_list.showsEmptyState());
}

TEST_F(SrtListWidgetUndoTest, RefusedWhileAJobRuns)
{
    m_list.slot_noticeCommand(0, QStringLiteral("delete"));
    currentProject().taskRunning = true;
    m_list.slot_undo();
    EXPECT_EQ(listTexts().size(), 3);
    currentProject().taskRunning = false;
    m_list.slot_undo();
    EXPECT_EQ(listTexts().size(), 4);
}

TEST_F(SrtListWidgetUndoTest, KeysWorkAnywhereInTheWindow)
{
    m_list.show();
    m_list.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&m_list));
    m_list.slot_noticeCommand(0, QStringLiteral("delete"));
    QTest::keyClick(&m_list, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(listTexts(), m_start);
    QTest::keyClick(&m_list, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(listTexts().size(), 3);
    QTest::keyClick(&m_list, Qt::Key_Z, Qt::ControlModifier);
    QTest::keyClick(&m_list, Qt::Key_Y, Qt::ControlModifier);
    EXPECT_EQ(listTexts().size(), 3);
    QTest::keyClick(&m_list, Qt::Key_H, Qt::ControlModifier);
    EXPECT_TRUE(m_list.findReplaceWidget()->isVisible());
}
