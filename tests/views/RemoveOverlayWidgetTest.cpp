// The overlap dialog hands the checked mode to the list editor.
#include "ShellFixture.h"
#include "TimingTestSupport.h"

#include "base/SignalProxy.h"
#include "subtitle/SubtitleList.h"
#include "subtitle/TimingOperations.h"
#include "views/RemoveOverlayWidget.h"

#include <QPointer>
#include <QRadioButton>
#include <QSignalSpy>

using RemoveOverlayWidgetTest = ShellFixture;

TEST_F(RemoveOverlayWidgetTest, EachChoiceRepairsOverlapsItsOwnWay)
{
    // Stands in for the list editor, which does the work on the hub signal.
    QObject editor;
    QObject::connect(SignalProxy::instance(), &SignalProxy::signal_NoticeProcessOverlay, &editor, [](int mode) {
        scanOverlaps(currentSubtitleList());
        resolveOverlaps(currentSubtitleList(), mode);
    });
    const struct
    {
        QString label;
        qint64 firstEnd, secondStart;
    } cases[] = {{"起始优先", 2000, 2000}, {"结束优先", 3000, 3000}, {"平均划分", 2500, 2500}};
    for (int mode = 0; mode < 3; ++mode) {
        SCOPED_TRACE(mode);
        currentSubtitleList().replaceDocument({timedEntry(1000, 3000), timedEntry(2000, 4000)});
        QPointer<RemoveOverlayWidget> dialog = new RemoveOverlayWidget;
        ASSERT_EQ(dialog->modeButton(mode)->text(), cases[mode].label);
        dialog->modeButton(mode)->click();
        QSignalSpy chosen(SignalProxy::instance(), &SignalProxy::signal_NoticeProcessOverlay);
        dialog->slot_clickApplyButton();
        settle(0);
        EXPECT_TRUE(dialog.isNull());
        ASSERT_EQ(chosen.count(), 1);
        EXPECT_EQ(chosen[0][0].toInt(), mode);
        const SubtitleEntries entries = currentSubtitleList().snapshot();
        EXPECT_EQ(endMs(entries[0]), cases[mode].firstEnd);
        EXPECT_EQ(startMs(entries[1]), cases[mode].secondStart);
        EXPECT_EQ(startMs(entries[0]), 1000);
        EXPECT_EQ(endMs(entries[1]), 4000);
    }
}

TEST_F(RemoveOverlayWidgetTest, StartsOnTheFirstChoiceAndCancelSendsNothing)
{
    QSignalSpy chosen(SignalProxy::instance(), &SignalProxy::signal_NoticeProcessOverlay);
    QPointer<RemoveOverlayWidget> cancelled = new RemoveOverlayWidget;
    EXPECT_EQ(cancelled->windowTitle(), QStringLiteral("去除重叠"));
    EXPECT_EQ(cancelled->windowModality(), Qt::ApplicationModal);
    cancelled->slot_clickCancelButton();
    settle(0);
    EXPECT_TRUE(cancelled.isNull());
    EXPECT_EQ(chosen.count(), 0);

    QPointer<RemoveOverlayWidget> untouched = new RemoveOverlayWidget;
    EXPECT_TRUE(untouched->modeButton(0)->isChecked());
    untouched->modeButton(2)->click();
    untouched->modeButton(1)->click(); // one choice at a time
    EXPECT_FALSE(untouched->modeButton(2)->isChecked());
    untouched->slot_clickApplyButton();
    ASSERT_EQ(chosen.count(), 1);
    EXPECT_EQ(chosen[0][0].toInt(), 1);
}
