// Find and replace over the list editor's texts.
#include "SrtListTestSupport.h"

#include "base/SignalProxy.h"
#include "views/FindReplaceWidget.h"
#include "views/SrtListFinder.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>

using namespace SrtListTable;

namespace {

class FindReplaceWidgetTest : public SrtListFixture
{
protected:
    void SetUp() override
    {
        SrtListFixture::SetUp();
        m_list.slot_SelectTxtfile(writeSrt(QStringLiteral("f.srt"),
            {{0, 1000, QStringLiteral("Apple 苹果")}, {1000, 2000, QStringLiteral("香蕉")},
                {2000, 3000, QStringLiteral("apple apple")}, {3000, 4000, QStringLiteral("梨")}}));
        m_find = m_list.findReplaceWidget();
    }

    void search(const QString &text, bool matchCase = false)
    {
        m_find->findField()->setText(text);
        m_find->matchCaseBox()->setChecked(matchCase);
    }

    void click(const char *objectName) { m_find->button(QString::fromLatin1(objectName))->click(); }

    SrtListWidget m_list;
    FindReplaceWidget *m_find = nullptr;
};

} // namespace

TEST_F(FindReplaceWidgetTest, StepsThroughMatchesAndWraps)
{
    search(QStringLiteral("apple"));
    QList<int> rows;
    for (int i = 0; i < 4; ++i) {
        click("pushButton_FindNext");
        rows << m_list.table()->currentRow();
    }
    EXPECT_EQ(rows, (QList<int> {0, 2, 2, 0}));
    click("pushButton_FindPrevious");
    EXPECT_EQ(m_list.table()->currentRow(), 2);

    search(QStringLiteral("apple"), true);
    click("pushButton_FindNext");
    click("pushButton_FindNext");
    EXPECT_EQ(m_list.table()->currentRow(), 2);
    EXPECT_TRUE(m_find->status().isEmpty());
    search(QStringLiteral("葡萄"));
    click("pushButton_FindNext");
    EXPECT_EQ(m_find->status(), QStringLiteral("未找到"));
}

TEST_F(FindReplaceWidgetTest, ReplaceFindsFirstThenReplacesOneAtATime)
{
    QSignalSpy waveItems(SignalProxy::instance(), &SignalProxy::signal_noticeUpdateWaveItem);
    search(QStringLiteral("apple"));
    m_find->replaceField()->setText(QStringLiteral("pear"));
    click("pushButton_Replace"); // shows the first match
    EXPECT_EQ(listTexts()[0], QStringLiteral("Apple 苹果"));
    click("pushButton_Replace");
    click("pushButton_Replace");
    EXPECT_EQ(listTexts(), (QStringList {"pear 苹果", "香蕉", "pear apple", "梨"}));
    EXPECT_EQ(cellText(m_list.table(), 2, TextColumn), QStringLiteral("pear apple"));
    EXPECT_EQ(waveItems.count(), 2);
    // Each replacement is its own step.
    m_list.slot_undo();
    EXPECT_EQ(listTexts()[2], QStringLiteral("apple apple"));

    m_find->replaceField()->setText(QStringLiteral("橙"));
    search(QStringLiteral("APPLE"), true);
    click("pushButton_ReplaceAll");
    EXPECT_EQ(m_find->status(), QStringLiteral("已替换 0 处"));
    search(QStringLiteral("APPLE"));
    click("pushButton_ReplaceAll");
    EXPECT_EQ(m_find->status(), QStringLiteral("已替换 2 处"));
    EXPECT_EQ(listTexts(), (QStringList {"pear 苹果", "香蕉", "橙 橙", "梨"}));
}

TEST_F(FindReplaceWidgetTest, TheFinderSurvivesAChangedList)
{
    SrtListFinder finder;
    FindQuery query;
    query.text = QStringLiteral("a");
    SubtitleEntries entries = currentSubtitleList().snapshot();
    EXPECT_EQ(finder.findNext(entries, query, 3).row, 0);
    EXPECT_EQ(finder.findNext(entries, query, 0).row, 2);
    // The list shrank under the finder; it starts over instead of reading past the end.
    entries.resize(1);
    const TextMatch match = finder.findNext(entries, query, 0);
    EXPECT_EQ(match.row, 0);
    SubtitleEntry entry = entries[0];
    entry.text = toLocal8(QStringLiteral("无"));
    EXPECT_FALSE(finder.replaceCurrent(entry, query, QStringLiteral("b")));
}

TEST_F(FindReplaceWidgetTest, FieldsAndButtonsAreNamed)
{
    m_list.slot_showReplace();
    EXPECT_TRUE(m_find->isVisible());
    EXPECT_EQ(m_find->findField()->accessibleName(), QStringLiteral("查找"));
    EXPECT_EQ(m_find->replaceField()->accessibleName(), QStringLiteral("替换为"));
    EXPECT_EQ(m_find->matchCaseBox()->text(), QStringLiteral("匹配大小写"));
    for (const char *name :
        {"pushButton_FindNext", "pushButton_FindPrevious", "pushButton_Replace", "pushButton_ReplaceAll"})
        EXPECT_FALSE(m_find->button(QString::fromLatin1(name))->text().isEmpty()) << name;
}
