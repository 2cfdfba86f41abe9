// The boundary dialog: slider read-outs and the shift it asks for.
#include "ShellFixture.h"
#include "TimingTestSupport.h"

#include "base/SignalProxy.h"
#include "subtitle/SubtitleList.h"
#include "subtitle/TimingOperations.h"
#include "views/MarginTimeAdjustWidget.h"
#include "views/TimingLabels.h"

#include <QComboBox>
#include <QLabel>
#include <QPointer>
#include <QSignalSpy>
#include <QSlider>

#include <climits>

using MarginTimeAdjustWidgetTest = ShellFixture;

TEST_F(MarginTimeAdjustWidgetTest, SlidersShowDirectionAndDistance)
{
    MarginTimeAdjustWidget dialog;
    EXPECT_EQ(dialog.startDirectionLabel()->text(), QString());
    EXPECT_EQ(dialog.startValueLabel()->text(), QStringLiteral("   0ms"));
    const struct
    {
        int value;
        QString start, end, shown;
    } cases[] = {
        {5, "延后", "延长", "   5ms"},
        {-50, "提前", "缩短", "  50ms"},
        {999, "延后", "延长", " 999ms"},
        {-1000, "提前", "缩短", "1000ms"},
        {0, "  ", "  ", "   0ms"},
        {5000, "延后", "延长", "1000ms"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.value);
        dialog.startSlider()->setValue(c.value);
        dialog.endSlider()->setValue(c.value);
        EXPECT_EQ(dialog.startDirectionLabel()->text(), c.start);
        EXPECT_EQ(dialog.startValueLabel()->text(), c.shown);
        EXPECT_EQ(dialog.endDirectionLabel()->text(), c.end);
        EXPECT_EQ(dialog.endValueLabel()->text(), c.shown);
    }
    // Beyond the slider the text still keeps its last six characters.
    EXPECT_EQ(boundaryShiftValueText(-123456), QStringLiteral("3456ms"));
    EXPECT_EQ(boundaryShiftValueText(INT_MIN), QStringLiteral("3648ms"));
}

TEST_F(MarginTimeAdjustWidgetTest, ConfirmAsksTheEditorForTheShiftAndMode)
{
    // Stands in for the list editor, which does the work on the hub signal.
    QObject editor;
    QObject::connect(SignalProxy::instance(), &SignalProxy::signal_NoticeMarginTimeAdjustment, &editor,
        [](int start, int end, int mode) { shiftBoundaries(currentSubtitleList(), start, end, mode); });
    QSignalSpy asked(SignalProxy::instance(), &SignalProxy::signal_NoticeMarginTimeAdjustment);
    const struct
    {
        int start, end, mode;
        qint64 firstStart, firstEnd, secondStart, secondEnd;
    } cases[] = {
        // Ends 400 ms later make the two overlap by 200 ms; each mode repairs it.
        {0, 400, 0, 1000, 2200, 2200, 3400},
        {0, 400, 1, 1000, 2400, 2400, 3400},
        {0, 400, 2, 1000, 2300, 2300, 3400},
        {-1000, -300, 0, 0, 1200, 1200, 2700},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << c.start << "/" << c.end << "/" << c.mode);
        currentSubtitleList().replaceDocument({timedEntry(1000, 2000), timedEntry(2200, 3000)});
        asked.clear();
        QPointer<MarginTimeAdjustWidget> dialog = new MarginTimeAdjustWidget;
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        dialog->startSlider()->setValue(c.start);
        dialog->endSlider()->setValue(c.end);
        dialog->modeComboBox()->setCurrentIndex(c.mode);
        dialog->slot_clickConfirmButton();
        settle(0);
        EXPECT_TRUE(dialog.isNull());
        ASSERT_EQ(asked.count(), 1);
        EXPECT_EQ(asked[0], (QList<QVariant> {c.start, c.end, c.mode}));
        const SubtitleEntries entries = currentSubtitleList().snapshot();
        EXPECT_EQ(startMs(entries[0]), c.firstStart);
        EXPECT_EQ(endMs(entries[0]), c.firstEnd);
        EXPECT_EQ(startMs(entries[1]), c.secondStart);
        EXPECT_EQ(endMs(entries[1]), c.secondEnd);
    }
}

TEST_F(MarginTimeAdjustWidgetTest, CancelSendsNothing)
{
    QSignalSpy asked(SignalProxy::instance(), &SignalProxy::signal_NoticeMarginTimeAdjustment);
    MarginTimeAdjustWidget dialog;
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("字幕边界时间批量调整"));
    EXPECT_EQ(dialog.startSlider()->minimum(), -1000);
    EXPECT_EQ(dialog.endSlider()->maximum(), 1000);
    EXPECT_EQ(dialog.modeComboBox()->count(), 3);
    dialog.startSlider()->setValue(300);
    dialog.slot_clickCancelButton();
    EXPECT_EQ(asked.count(), 0);
}
