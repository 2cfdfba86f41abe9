// The split dialog: the text proposal and the split it makes.
#include "ShellFixture.h"
#include "TimingTestSupport.h"

#include "subtitle/SubtitleList.h"
#include "views/SplitTimeWidget.h"

#include <QSignalSpy>
#include <QSlider>

namespace {

class SplitTimeWidgetTest : public ShellFixture
{
protected:
    void SetUp() override
    {
        ShellFixture::SetUp();
        SubtitleEntry tagged = timedEntry(10000, 12000, QStringLiteral("一二三四五"));
        tagged.tagColor = TagColor(212, 49, 49);
        currentSubtitleList().replaceDocument({timedEntry(0, 1000, QStringLiteral("前")), tagged});
    }
};

} // namespace

TEST_F(SplitTimeWidgetTest, TheTextProposalFollowsTheSlider)
{
    SplitTimeWidget dialog;
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("切分时间轴"));
    // The slider moves from 0 to 50, so the slider rule has the last word.
    dialog.setRow(1);
    EXPECT_EQ(dialog.slider()->value(), 50);
    EXPECT_EQ(dialog.frontText(), QStringLiteral("一二三"));
    EXPECT_EQ(dialog.backText(), QStringLiteral("四五"));
    // Already at 50: the halving stands.
    dialog.setRow(1);
    EXPECT_EQ(dialog.frontText(), QStringLiteral("一二"));
    EXPECT_EQ(dialog.backText(), QStringLiteral("三四五"));

    const struct
    {
        int value;
        QString front, back;
    } cases[] = {{0, "", "一二三四五"}, {9, "", "一二三四五"}, {10, "一", "二三四五"}, {25, "一", "二三四五"},
        {70, "一二三四", "五"}, {100, "一二三四五", ""}};
    for (const auto &c : cases) {
        dialog.slider()->setValue(c.value);
        EXPECT_EQ(dialog.frontText() + QLatin1Char('|') + dialog.backText(), c.front + QLatin1Char('|') + c.back)
            << c.value;
    }
}

TEST_F(SplitTimeWidgetTest, SplitsTimeByPercentAndTextByTheProposal)
{
    SplitTimeWidget dialog;
    QSignalSpy updated(&dialog, &SplitTimeWidget::signal_noticeUpdate);
    dialog.setRow(1);
    dialog.show();
    dialog.slider()->setValue(25);
    dialog.slot_clickSplitButton();

    EXPECT_FALSE(dialog.isVisible());
    ASSERT_EQ(updated.count(), 1);
    const SubtitleEntries entries = currentSubtitleList().snapshot();
    ASSERT_EQ(entries.size(), 3);
    EXPECT_EQ(startMs(entries[1]), 10000);
    EXPECT_EQ(endMs(entries[1]), 10500);
    EXPECT_EQ(fromLocal8(entries[1].text), QStringLiteral("一"));
    EXPECT_EQ(entries[1].tagColor, TagColor(212, 49, 49));
    EXPECT_EQ(startMs(entries[2]), 10500);
    EXPECT_EQ(endMs(entries[2]), 12000);
    EXPECT_EQ(fromLocal8(entries[2].text), QStringLiteral("二三四五"));
    EXPECT_EQ(entries[2].tagColor, TagColor::defaultGray());

    // One undo step puts the entry back whole.
    currentSubtitleList().undo();
    ASSERT_EQ(currentSubtitleList().size(), 2);
    EXPECT_EQ(fromLocal8(currentSubtitleList().at(1).text), QStringLiteral("一二三四五"));
    EXPECT_EQ(endMs(currentSubtitleList().at(1)), 12000);
}

TEST_F(SplitTimeWidgetTest, AtTheEndTheNewEntryIsEmptyAndAtZeroNothingSplits)
{
    SplitTimeWidget dialog;
    QSignalSpy updated(&dialog, &SplitTimeWidget::signal_noticeUpdate);
    dialog.setRow(1);
    dialog.slider()->setValue(100);
    dialog.slot_clickSplitButton();
    ASSERT_EQ(currentSubtitleList().size(), 3);
    EXPECT_EQ(endMs(currentSubtitleList().at(1)), 12000);
    EXPECT_EQ(startMs(currentSubtitleList().at(2)), 12000);
    EXPECT_EQ(endMs(currentSubtitleList().at(2)), 12000);
    EXPECT_TRUE(currentSubtitleList().at(2).text.isEmpty());
    EXPECT_EQ(updated.count(), 1);

    const quint64 version = currentSubtitleList().version();
    dialog.setRow(0);
    dialog.show();
    dialog.slider()->setValue(0);
    dialog.slot_clickSplitButton();
    EXPECT_FALSE(dialog.isVisible());
    dialog.setRow(0);
    dialog.show();
    dialog.slot_clickCancelButton();
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(currentSubtitleList().version(), version);
    EXPECT_EQ(updated.count(), 1);
}

TEST_F(SplitTimeWidgetTest, ARowGoneSinceItWasGivenSplitsNothing)
{
    SplitTimeWidget dialog;
    QSignalSpy updated(&dialog, &SplitTimeWidget::signal_noticeUpdate);
    dialog.setRow(1);
    currentSubtitleList().erase(1);
    dialog.slot_clickSplitButton();
    EXPECT_EQ(currentSubtitleList().size(), 1);
    EXPECT_EQ(updated.count(), 0);
}
