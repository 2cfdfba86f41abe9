// The player panel against a real player without picture or sound: play
// and pause, the four seek paths, captions, speed, volume, projects.
#include "../TimingTestSupport.h"
#include "PlayerTestSupport.h"

#include "base/AppState.h"
#include "base/CurrentProject.h"
#include "base/PlaybackState.h"
#include "base/SignalProxy.h"
#include "subtitle/SubtitleList.h"
#include "views/CustomToolButton.h"
#include "views/MySlider.h"
#include "views/PlayerWindow.h"
#include "views/SpeedLabel.h"
#include "views/SpeedTipWidget.h"
#include "views/VideoSelectWidget.h"
#include "views/VideoWidget.h"

#include <QApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QToolButton>

namespace {

class VideoWidgetTest : public PlayerFixture
{
protected:
    static SignalProxy *hub() { return SignalProxy::instance(); }

    // Opens `path` as a saved project does, and waits for the loading
    // layer to be released.
    static void openProject(
        const QString &path, double position = 0, double total = 0, double speed = 0, double volume = 0)
    {
        currentProject().mediaFilePath = path;
        _ProjectSetting &setting = currentProject().setting;
        setting.CurrentPlayPos = position;
        setting.TotalTime = total;
        setting.PlaySpeed = speed;
        setting.Volume = volume;
        QSignalSpy layer(hub(), &SignalProxy::signal_noticeShowLoadProjectLayer);
        emit hub()->signal_loadProject();
        ASSERT_TRUE(waitFor([&] { return layer.count() == 1; }));
        EXPECT_FALSE(layer.at(0).at(0).toBool());
    }

    static QToolButton *button(const VideoWidget &widget, const char *name)
    {
        return widget.findChild<QToolButton *>(QLatin1String(name));
    }
    static QLabel *label(const VideoWidget &widget, const char *name)
    {
        return widget.findChild<QLabel *>(QLatin1String(name));
    }
    static MySlider *slider(const VideoWidget &widget)
    {
        return widget.findChild<MySlider *>(QStringLiteral("horizontalSlider"));
    }
    static bool showsImage(const QToolButton *button, const char *image)
    {
        return button->styleSheet().contains(QLatin1String(image));
    }

    static void showActive(VideoWidget &widget)
    {
        widget.resize(900, 600);
        widget.show();
        widget.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&widget));
    }

    static void waitForSeek(VideoWidget &widget, int count = 1)
    {
        QSignalSpy seeked(widget.player(), &MediaPlayer::seekFinished);
        ASSERT_TRUE(waitFor([&] { return seeked.count() >= count; }));
    }
};

} // namespace

TEST_F(VideoWidgetTest, SelectingMediaShowsItAndTheFirstPlayStartsEditing)
{
    VideoWidget widget(quiet());
    QSignalSpy waveform(hub(), &SignalProxy::signal_startLoadwavfile);
    QSignalSpy editing(hub(), &SignalProxy::signal_StartEditSrt);
    QSignalSpy blocks(hub(), &SignalProxy::signal_drawTimeblock);
    EXPECT_FALSE(widget.findChild<VideoSelectWidget *>()->isHidden());
    EXPECT_TRUE(widget.playerWindow()->isHidden());

    emit hub()->signal_SelectMediafile(media().clip());
    EXPECT_EQ(currentProject().mediaFilePath, media().clip());
    ASSERT_EQ(waveform.count(), 1);
    EXPECT_EQ(waveform.at(0).at(0).toString(), media().clip());
    EXPECT_TRUE(widget.findChild<VideoSelectWidget *>()->isHidden());
    EXPECT_FALSE(widget.playerWindow()->isHidden());
    EXPECT_EQ(widget.playerWindow()->fileButton()->text(), QStringLiteral("talk.mp4"));
    EXPECT_FALSE(playbackState().playerStarted);
    EXPECT_FALSE(widget.player()->isPlaying());
    EXPECT_EQ(editing.count(), 0);

    QTest::mouseClick(button(widget, "toolButton_PlaySwitch"), Qt::LeftButton);
    EXPECT_TRUE(playbackState().playerStarted);
    EXPECT_FALSE(playbackState().playerPaused);
    EXPECT_EQ(editing.count(), 1);
    EXPECT_EQ(blocks.count(), 1);
    EXPECT_TRUE(showsImage(button(widget, "toolButton_PlaySwitch"), "pause_normal.png"));

    QTest::mouseClick(button(widget, "toolButton_PlaySwitch"), Qt::LeftButton);
    EXPECT_TRUE(playbackState().playerPaused);
    EXPECT_TRUE(widget.player()->isPaused());
    EXPECT_TRUE(showsImage(button(widget, "toolButton_PlaySwitch"), "play_normal.png"));
    EXPECT_EQ(editing.count(), 1);
}

TEST_F(VideoWidgetTest, SpaceDoesNothingWithoutMediaAndTogglesPlaybackWithIt)
{
    VideoWidget widget(quiet());
    showActive(widget);
    QTest::keyClick(&widget, Qt::Key_Space);
    EXPECT_FALSE(playbackState().playerStarted);
    EXPECT_FALSE(widget.player()->isPlaying());
    EXPECT_TRUE(boxTexts.isEmpty());

    emit hub()->signal_SelectMediafile(media().clip());
    QTest::keyClick(&widget, Qt::Key_Space);
    EXPECT_TRUE(playbackState().playerStarted);
    EXPECT_FALSE(widget.player()->isPaused());
    QTest::keyClick(&widget, Qt::Key_Space);
    EXPECT_TRUE(playbackState().playerPaused);
    EXPECT_TRUE(widget.player()->isPaused());
    emit hub()->signal_noticeSpaceButton();
    EXPECT_FALSE(playbackState().playerPaused);
    EXPECT_FALSE(widget.player()->isPaused());
}

// Mended: the pause flag was flipped on each click, so it went wrong as soon
// as the player paused or resumed by itself.
TEST_F(VideoWidgetTest, PlayAndPauseFollowThePlayerNotAFlippedFlag)
{
    VideoWidget widget(quiet());
    openProject(media().clip());
    ASSERT_TRUE(playbackState().playerPaused);

    widget.slot_clickPlaySwitchButton();
    EXPECT_FALSE(playbackState().playerPaused);
    EXPECT_FALSE(widget.player()->isPaused());

    widget.player()->pause(true); // the player pauses by itself
    ASSERT_TRUE(waitFor([] { return playbackState().playerPaused; }));
    EXPECT_TRUE(showsImage(button(widget, "toolButton_PlaySwitch"), "play_normal.png"));

    playbackState().pausedSeekSource = 2;
    widget.slot_clickPlaySwitchButton();
    EXPECT_FALSE(widget.player()->isPaused());
    EXPECT_FALSE(playbackState().playerPaused);
    EXPECT_EQ(playbackState().pausedSeekSource, -1);
    EXPECT_TRUE(showsImage(button(widget, "toolButton_PlaySwitch"), "pause_normal.png"));
}

// Mended: with the slider unit still at its first 1000 ms, a seek in
// seconds was multiplied out ten times too far.
TEST_F(VideoWidgetTest, ASeekBeforeTheFirstPlayLandsAtItsTime)
{
    VideoWidget widget(quiet());
    emit hub()->signal_SelectMediafile(media().clip());
    widget.slot_clickPlaySwitchButton();
    widget.slot_clickPlaySwitchButton(); // paused before the file is loaded
    ASSERT_EQ(widget.sliderUnit(), 1000);
    ASSERT_TRUE(playbackState().playerPaused);

    QSignalSpy seeked(widget.player(), &MediaPlayer::seekFinished);
    emit hub()->signal_SpinposChanged(2.4);
    ASSERT_TRUE(waitFor([&] { return seeked.count() == 1; }));
    EXPECT_EQ(widget.player()->position(), 2400);
    EXPECT_TRUE(widget.player()->isPlaying());
    EXPECT_EQ(widget.sliderUnit(), 100);
    EXPECT_EQ(slider(widget)->maximum(), 100);
    EXPECT_EQ(slider(widget)->value(), 24);
    EXPECT_EQ(label(widget, "label_Time1")->text(), QStringLiteral("00:00:02,400"));
}

// Mended: nothing writes a project's total time, and the slider divided 0 by
// 0 with it.
TEST_F(VideoWidgetTest, AProjectOpensPausedWhereItWasLeftAtItsSpeedAndVolume)
{
    VideoWidget widget(quiet());
    QSignalSpy pausePos(hub(), &SignalProxy::signal_NoticePausePos);
    currentProject().mediaFilePath = media().clip();
    currentProject().setting.CurrentPlayPos = 4.0;
    currentProject().setting.TotalTime = 0;
    currentProject().setting.PlaySpeed = 1.5;
    currentProject().setting.Volume = 0.5;
    QSignalSpy layer(hub(), &SignalProxy::signal_noticeShowLoadProjectLayer);
    emit hub()->signal_loadProject();

    // At once: the stored position on the labels, and no 0 / 0 on the slider.
    ASSERT_EQ(pausePos.count(), 1);
    EXPECT_DOUBLE_EQ(pausePos.at(0).at(0).toDouble(), 4.0);
    EXPECT_DOUBLE_EQ(pausePos.at(0).at(1).toDouble(), 0.0);
    EXPECT_EQ(label(widget, "label_Time1")->text(), QStringLiteral("00:00:04,000"));
    EXPECT_EQ(slider(widget)->value(), 0);
    EXPECT_EQ(layer.count(), 0);

    ASSERT_TRUE(waitFor([&] { return layer.count() == 1; }));
    EXPECT_FALSE(layer.at(0).at(0).toBool());
    EXPECT_TRUE(playbackState().playerStarted);
    EXPECT_TRUE(playbackState().playerPaused);
    EXPECT_TRUE(widget.player()->isPaused());
    EXPECT_EQ(widget.player()->position(), 4000);
    EXPECT_EQ(label(widget, "label_Time2")->text(), QStringLiteral("00:00:10,000"));
    EXPECT_EQ(slider(widget)->maximum(), 100);
    EXPECT_EQ(slider(widget)->value(), 40);
    EXPECT_DOUBLE_EQ(playbackState().duration, 10.0);
    EXPECT_DOUBLE_EQ(playbackState().playPosition, 4.0);
    EXPECT_EQ(button(widget, "toolButton_PlaySpeed")->text(), QStringLiteral("1.5"));
    EXPECT_DOUBLE_EQ(widget.player()->speed(), 1.5);
    EXPECT_DOUBLE_EQ(playbackState().playSpeed, 1.5);
    EXPECT_DOUBLE_EQ(widget.player()->volume(), 0.5);
    EXPECT_DOUBLE_EQ(playbackState().volume, 0.5);
    EXPECT_EQ(widget.findChild<CustomToolButton *>()->level(), 2);

    // A project saved without speed or volume keeps the current ones.
    openProject(media().clip(), 1.0, 10.0, 0, 0);
    EXPECT_EQ(widget.player()->position(), 1000);
    EXPECT_DOUBLE_EQ(widget.player()->speed(), 1.5);
    EXPECT_DOUBLE_EQ(widget.player()->volume(), 0.5);
}

TEST_F(VideoWidgetTest, AProjectWhoseMediaCannotBeLoadedStillReleasesTheLayer)
{
    VideoWidget widget(quiet());
    openProject(QStringLiteral("proto://host/talk.mp4"), 3.0, 10.0);
    EXPECT_FALSE(widget.player()->isPlaying());
    EXPECT_FALSE(playbackState().playerStarted);
    // Opening it has already asked the user about the missing file.
    EXPECT_TRUE(boxTexts.isEmpty());

    openProject(media().garbage());
    EXPECT_FALSE(playbackState().playerStarted);
    ASSERT_TRUE(waitFor([&] { return boxTexts.size() == 1; }));
}

TEST_F(VideoWidgetTest, UnplayableMediaShowsTheReasonInsteadOfStoppingSilently)
{
    VideoWidget widget(quiet());
    emit hub()->signal_SelectMediafile(media().garbage());
    widget.slot_clickPlaySwitchButton();
    ASSERT_TRUE(waitFor([&] { return boxTexts.size() == 1; }));
    EXPECT_EQ(boxTitles.at(0), QStringLiteral("提示"));
    EXPECT_EQ(boxTexts.at(0), QStringLiteral("无法播放该媒体文件：unrecognized file format"));
    EXPECT_FALSE(playbackState().playerStarted);
    EXPECT_TRUE(showsImage(button(widget, "toolButton_PlaySwitch"), "play_normal.png"));

    // A file gone since it was chosen is refused at once.
    emit hub()->signal_SelectMediafile(workFile(QStringLiteral("gone.mp4")));
    widget.slot_clickPlaySwitchButton();
    ASSERT_EQ(boxTexts.size(), 2);
    EXPECT_TRUE(boxTexts.at(1).startsWith(QStringLiteral("无法播放该媒体文件：")));
    EXPECT_FALSE(playbackState().playerStarted);
}

TEST_F(VideoWidgetTest, SpeedMenuChoicesSetTheButtonTextAndThePlayersSpeed)
{
    VideoWidget widget(quiet());
    showActive(widget);
    const struct
    {
        const char *label;
        QString text;
        double speed;
    } choices[] = {{"label_6", QStringLiteral("0.75"), 0.75}, {"label_5", QStringLiteral("1X"), 1.0},
        {"label_1", QStringLiteral("2X"), 2.0}, {"label_3", QStringLiteral("1.5"), 1.5}};
    for (const auto &choice : choices) {
        QTest::mouseClick(button(widget, "toolButton_PlaySpeed"), Qt::LeftButton);
        ASSERT_TRUE(widget.speedMenu()->isVisible());
        auto *speedLabel = widget.speedMenu()->findChild<SpeedLabel *>(QLatin1String(choice.label));
        ASSERT_TRUE(speedLabel);
        QTest::mouseClick(speedLabel, Qt::LeftButton);
        EXPECT_FALSE(widget.speedMenu()->isVisible());
        EXPECT_EQ(button(widget, "toolButton_PlaySpeed")->text(), choice.text);
        EXPECT_DOUBLE_EQ(widget.player()->speed(), choice.speed);
        EXPECT_DOUBLE_EQ(playbackState().playSpeed, choice.speed);
    }
}

TEST_F(VideoWidgetTest, ASliderClickInTheMiddleSeeksToTheMiddle)
{
    VideoWidget widget(quiet());
    showActive(widget);
    openProject(media().clip());
    MySlider *progress = slider(widget);
    ASSERT_EQ(progress->maximum(), 100);
    QSignalSpy clicks(progress, &MySlider::signal_click);
    QSignalSpy seeked(widget.player(), &MediaPlayer::seekFinished);

    const QPoint middle(progress->width() / 2, progress->height() / 2);
    QTest::mouseClick(progress, Qt::LeftButton, Qt::NoModifier, middle);
    ASSERT_EQ(clicks.count(), 1);
    EXPECT_EQ(clicks.at(0).at(0).toInt(), 50);
    EXPECT_EQ(playbackState().pausedSeekSource, 1);
    ASSERT_TRUE(waitFor([&] { return seeked.count() == 1; }));
    EXPECT_EQ(widget.player()->position(), 5000);
    EXPECT_EQ(progress->value(), 50);
    EXPECT_EQ(label(widget, "label_Time1")->text(), QStringLiteral("00:00:05,000"));

    // On the handle itself: no jump of its own.
    QTest::mouseClick(progress, Qt::LeftButton, Qt::NoModifier, middle);
    EXPECT_EQ(clicks.count(), 1);
}

TEST_F(VideoWidgetTest, WhilePausedPositionReportsLeaveTheSliderButASeekMovesIt)
{
    VideoWidget widget(quiet());
    openProject(media().clip());
    ASSERT_TRUE(playbackState().playerPaused);
    widget.updateSlider(7000);
    EXPECT_EQ(slider(widget)->value(), 0);
    EXPECT_EQ(label(widget, "label_Time1")->text(), QStringLiteral("00:00:00,000"));

    QSignalSpy seeked(widget.player(), &MediaPlayer::seekFinished);
    emit hub()->signal_SpinposChanged(7.0);
    ASSERT_TRUE(waitFor([&] { return seeked.count() == 1; }));
    EXPECT_EQ(slider(widget)->value(), 70);
    EXPECT_EQ(label(widget, "label_Time1")->text(), QStringLiteral("00:00:07,000"));
    EXPECT_DOUBLE_EQ(playbackState().playPosition, 7.0);
}

TEST_F(VideoWidgetTest, ThePlayStateNamesTheFirstEntryUnderThePositionAndTheCaptionShowsIt)
{
    currentSubtitleList().replaceDocument({timedEntry(1000, 3000, QStringLiteral("第一句")),
        timedEntry(2500, 4000, QStringLiteral("第二句")), timedEntry(6000, 7000, QString(200, QChar(0x5B57)))});
    timeScaleValue() = 1.5;
    VideoWidget widget(quiet());
    widget.resize(900, 600);
    widget.show();
    QSignalSpy state(hub(), &SignalProxy::signal_noticePlayState);
    QLabel *caption = label(widget, "label_Srt");

    widget.slot_CallBackPlayPos(2.7, 10);
    ASSERT_EQ(state.count(), 1);
    EXPECT_EQ(state.at(0).at(0).toInt(), 0);
    EXPECT_DOUBLE_EQ(state.at(0).at(1).toDouble(), 2.7 * 150);
    EXPECT_DOUBLE_EQ(state.at(0).at(2).toDouble(), 150.0);
    EXPECT_DOUBLE_EQ(state.at(0).at(3).toDouble(), 450.0);
    EXPECT_EQ(caption->text(), QStringLiteral("第一句"));

    widget.slot_CallBackPlayPos(5.0, 10);
    ASSERT_EQ(state.count(), 2);
    EXPECT_EQ(state.at(1).at(0).toInt(), -1);
    EXPECT_DOUBLE_EQ(state.at(1).at(1).toDouble(), 750.0);
    EXPECT_DOUBLE_EQ(state.at(1).at(2).toDouble(), -1.0);
    EXPECT_DOUBLE_EQ(state.at(1).at(3).toDouble(), -1.0);
    EXPECT_TRUE(caption->text().isEmpty());
    EXPECT_DOUBLE_EQ(playbackState().playPosition, 5.0);

    // Too long for the line: both ends stay, the middle goes.
    widget.slot_CallBackPlayPos(6.5, 10);
    EXPECT_EQ(widget.captionText().size(), 200);
    EXPECT_LT(caption->text().size(), 200);
    EXPECT_TRUE(caption->text().contains(QChar(0x2026)));
    EXPECT_TRUE(caption->text().startsWith(QChar(0x5B57)));
    EXPECT_TRUE(caption->text().endsWith(QChar(0x5B57)));
}

TEST_F(VideoWidgetTest, TheVolumeButtonSetsTheVolumeOnceStartedAndUnmutes)
{
    VideoWidget widget(quiet());
    auto *volume = widget.findChild<CustomToolButton *>();
    QSignalSpy moves(volume, &CustomToolButton::signal_setvolume);
    const auto drag = [volume](int x) {
        QMouseEvent move(QEvent::MouseMove, QPointF(x, 16), volume->mapToGlobal(QPoint(x, 16)), Qt::NoButton,
            Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(volume, &move);
    };

    // Nothing plays yet: the pointer changes nothing.
    QTest::mousePress(volume, Qt::LeftButton, Qt::NoModifier, QPoint(16, 16));
    drag(30);
    QTest::mouseRelease(volume, Qt::LeftButton, Qt::NoModifier, QPoint(30, 16));
    EXPECT_EQ(moves.count(), 0);
    EXPECT_EQ(volume->level(), 3);

    openProject(media().clip());
    QTest::mousePress(volume, Qt::LeftButton, Qt::NoModifier, QPoint(16, 16));
    drag(32);
    EXPECT_DOUBLE_EQ(widget.player()->volume(), 2.0);
    EXPECT_DOUBLE_EQ(playbackState().volume, 2.0);
    EXPECT_EQ(volume->level(), 5);
    EXPECT_TRUE(volume->styleSheet().contains(QLatin1String("volume_5.png")));
    drag(0);
    EXPECT_DOUBLE_EQ(widget.player()->volume(), 0.0);
    EXPECT_TRUE(volume->styleSheet().contains(QLatin1String("volume_0.png")));
    QTest::mouseRelease(volume, Qt::LeftButton, Qt::NoModifier, QPoint(0, 16));
    drag(20); // released: no change
    EXPECT_DOUBLE_EQ(widget.player()->volume(), 0.0);

    QToolButton *mute = button(widget, "toolButton_MuteSwitch");
    QTest::mouseClick(mute, Qt::LeftButton);
    EXPECT_TRUE(widget.isMuted());
    EXPECT_TRUE(widget.player()->isMuted());
    EXPECT_TRUE(showsImage(mute, "mute_normal.png"));
    QTest::mousePress(volume, Qt::LeftButton, Qt::NoModifier, QPoint(16, 16));
    drag(20);
    QTest::mouseRelease(volume, Qt::LeftButton, Qt::NoModifier, QPoint(20, 16));
    EXPECT_FALSE(widget.isMuted());
    EXPECT_FALSE(widget.player()->isMuted());
    EXPECT_TRUE(showsImage(mute, "unmute_normal.png"));
    EXPECT_DOUBLE_EQ(widget.player()->volume(), 1.25);
}

TEST_F(VideoWidgetTest, PlayingTheCurrentLinePausesAtItsEnd)
{
    currentSubtitleList().replaceDocument(
        {timedEntry(400, 700, QStringLiteral("一")), timedEntry(1000, 1300, QStringLiteral("二"))});
    VideoWidget widget(quiet());
    showActive(widget);
    openProject(media().clip(), 0.5);
    QSignalSpy seeked(widget.player(), &MediaPlayer::seekFinished);
    // The clip has a frame every 40 ms; a pause shows the first at or after
    // the line's end.
    const auto playedLine = [&](qint64 start, qint64 end) {
        if (!waitFor([&] { return playbackState().playerPaused && seeked.count() >= 2; }, 5000))
            return ::testing::AssertionFailure() << "the line did not end";
        const qint64 from = seeked.at(0).at(0).toLongLong(); // running: a frame or two later
        const qint64 to = widget.player()->position();
        if (from < start || from >= start + 200 || to < end || to >= end + 40 || seeked.count() != 2)
            return ::testing::AssertionFailure() << from << " to " << to << " in " << seeked.count() << " seeks";
        return ::testing::AssertionSuccess();
    };

    // Under the position: that line, from its start.
    QTest::mouseClick(button(widget, "toolButton_PlayLine"), Qt::LeftButton);
    EXPECT_FALSE(playbackState().playerPaused);
    EXPECT_TRUE(playedLine(400, 700));
    EXPECT_TRUE(showsImage(button(widget, "toolButton_PlaySwitch"), "play_normal.png"));

    // Paused just past its end: the same line again.
    seeked.clear();
    QTest::keyClick(&widget, Qt::Key_P, Qt::ControlModifier);
    EXPECT_TRUE(playedLine(400, 700));

    // Between lines: the next one.
    emit hub()->signal_SpinposChanged(0.85);
    waitForSeek(widget);
    seeked.clear();
    QTest::keyClick(&widget, Qt::Key_P, Qt::ControlModifier);
    EXPECT_TRUE(playedLine(1000, 1300));
}

TEST_F(VideoWidgetTest, AnUntimedClipPlaysToItsEndAndThePanelShowsStopped)
{
    VideoWidget widget(quiet(true));
    emit hub()->signal_SelectMediafile(media().clip());
    widget.slot_clickPlaySwitchButton();
    ASSERT_TRUE(playbackState().playerStarted);
    ASSERT_TRUE(waitFor([] { return !playbackState().playerStarted; }));
    EXPECT_FALSE(widget.player()->isPlaying());
    EXPECT_FALSE(playbackState().playerPaused);
    EXPECT_EQ(slider(widget)->value(), 0);
    EXPECT_EQ(label(widget, "label_Time1")->text(), QStringLiteral("00:00:00,000"));
    EXPECT_EQ(label(widget, "label_Time2")->text(), QStringLiteral("00:00:00,000"));
    EXPECT_TRUE(showsImage(button(widget, "toolButton_PlaySwitch"), "play_normal.png"));
    EXPECT_TRUE(boxTexts.isEmpty());
}

TEST_F(VideoWidgetTest, StopAndClearReturnThePanelToItsStates)
{
    currentSubtitleList().replaceDocument({timedEntry(1000, 3000, QStringLiteral("字幕"))});
    VideoWidget widget(quiet());
    openProject(media().clip(), 2.0, 10.0, 1.5, 0.5);
    ASSERT_EQ(widget.captionText(), QStringLiteral("字幕"));

    emit hub()->signal_stopVideo();
    EXPECT_FALSE(playbackState().playerStarted);
    EXPECT_FALSE(widget.player()->isPlaying());
    EXPECT_EQ(label(widget, "label_Time1")->text(), QStringLiteral("00:00:00,000"));
    EXPECT_FALSE(widget.playerWindow()->isHidden());

    // A play after the stop starts the medium again from its beginning.
    widget.slot_clickPlaySwitchButton();
    EXPECT_TRUE(playbackState().playerStarted);
    EXPECT_FALSE(playbackState().playerPaused);

    // The project reset: every view clears itself.
    s_state->resetProject();
    EXPECT_FALSE(playbackState().playerStarted);
    EXPECT_FALSE(widget.player()->isPlaying());
    EXPECT_FALSE(widget.findChild<VideoSelectWidget *>()->isHidden());
    EXPECT_TRUE(widget.playerWindow()->isHidden());
    EXPECT_TRUE(widget.captionText().isEmpty());
    EXPECT_TRUE(label(widget, "label_Srt")->text().isEmpty());
    EXPECT_TRUE(widget.playerWindow()->mediaPath().isEmpty());
    EXPECT_TRUE(widget.playerWindow()->fileButton()->text().isEmpty());
    // Speed and volume are the reset state's again, on the player too.
    EXPECT_EQ(button(widget, "toolButton_PlaySpeed")->text(), QStringLiteral("1X"));
    EXPECT_DOUBLE_EQ(widget.player()->speed(), playbackState().playSpeed);
    EXPECT_DOUBLE_EQ(widget.player()->volume(), playbackState().volume);
    EXPECT_EQ(widget.findChild<CustomToolButton *>()->level(), 3);
}
