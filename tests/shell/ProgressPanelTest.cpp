// The progress panel and its spinning indicator, without a job.
#include "ShellFixture.h"

#include "base/CurrentProject.h"
#include "base/CustomProgressIndicator.h"
#include "base/SignalProxy.h"
#include "shell/SrtProgressWidget.h"
#include "subtitle/SubtitleList.h"

#include <QLabel>
#include <QProgressBar>
#include <QSignalSpy>

using ProgressPanelTest = ShellFixture;

TEST_F(ProgressPanelTest, IndicatorTurnsOnlyWhileStartedAndShown)
{
    QWidget holder;
    auto *indicator = new CustomProgressIndicator(&holder);
    indicator->setStepInterval(10);
    EXPECT_FALSE(indicator->isTurning());

    indicator->startAnimation(); // started but not shown
    EXPECT_FALSE(indicator->isTurning());
    holder.show();
    EXPECT_TRUE(indicator->isTurning());
    const int before = indicator->step();
    settle(80);
    EXPECT_NE(indicator->step(), before);
    EXPECT_FALSE(indicator->grab().isNull());

    holder.hide(); // a hidden panel costs nothing
    EXPECT_FALSE(indicator->isTurning());
    holder.show();
    EXPECT_TRUE(indicator->isTurning());
    indicator->stopAnimation();
    EXPECT_FALSE(indicator->isTurning());
    const int stopped = indicator->step();
    settle(50);
    EXPECT_EQ(indicator->step(), stopped);
}

// A finished upload of a one-byte transcript reads 1 of 1: the panel shows
// it and nothing more, since only the job's outcome completes a job.
TEST_F(ProgressPanelTest, ProgressReportsNeverCompleteAJob)
{
    SrtProgressWidget panel;
    EXPECT_EQ(panel.label()->text(), QStringLiteral("正在处理"));
    EXPECT_EQ(panel.size(), QSize(829, 609));
    SubtitleEntry entry;
    entry.text = "mine";
    currentSubtitleList().replaceDocument({entry});
    currentProject().taskRunning = true;
    currentProject().recognitionMode = true;
    QSignalSpy edit(SignalProxy::instance(), &SignalProxy::signal_StartEditSrt);
    QSignalSpy completed(&panel, &SrtProgressWidget::signal_jobCompleted);

    panel.slot_noticeProgress(1, 2, QStringLiteral("正在上传文本..."));
    EXPECT_EQ(panel.bar()->value(), 50);
    panel.slot_noticeProgress(1, 1, QStringLiteral("正在上传文本..."));
    EXPECT_EQ(panel.bar()->value(), 100);
    EXPECT_EQ(panel.label()->text(), QStringLiteral("正在上传文本..."));
    panel.slot_noticeProgress(5, 0, QStringLiteral("正在生成字幕..."));
    EXPECT_EQ(panel.bar()->value(), 0);
    settle(SrtProgressWidget::CompletionDelayMs + 100);

    EXPECT_EQ(edit.count(), 0);
    EXPECT_EQ(completed.count(), 0);
    EXPECT_TRUE(currentProject().taskRunning);
    EXPECT_TRUE(currentProject().recognitionMode);
    EXPECT_EQ(currentSubtitleList().size(), 1);

    panel.clearText();
    EXPECT_TRUE(panel.label()->text().isEmpty());
    EXPECT_EQ(panel.bar()->value(), 0);
}
