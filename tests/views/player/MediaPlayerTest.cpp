// The libmpv adapter on its own: exact seeks, file ends, refusals, failures.
#include "PlayerTestSupport.h"

#include <QSignalSpy>
#include <cmath>

namespace {

class MediaPlayerTest : public PlayerFixture
{
};

} // namespace

TEST_F(MediaPlayerTest, APausedExactSeekOnAWavLandsWithinOneSample)
{
    MediaPlayer player(quiet());
    ASSERT_TRUE(player.isValid()) << player.errorString().toStdString();
    QSignalSpy started(&player, &MediaPlayer::started);
    QSignalSpy seeked(&player, &MediaPlayer::seekFinished);
    const double sample = 1.0 / 16000;

    ASSERT_TRUE(player.play(media().tone(), true));
    // Asked before the file is loaded: kept and applied once it is.
    EXPECT_TRUE(player.seek(3001));
    ASSERT_TRUE(waitFor([&] { return seeked.count() == 1; }));
    EXPECT_EQ(started.count(), 1);
    EXPECT_EQ(seeked.at(0).at(0).toLongLong(), 3001);
    EXPECT_NEAR(player.positionSeconds(), 3.001, sample);
    EXPECT_EQ(player.duration(), 10000);

    EXPECT_TRUE(player.seek(7337));
    ASSERT_TRUE(waitFor([&] { return seeked.count() == 2; }));
    EXPECT_NEAR(player.positionSeconds(), 7.337, sample);
    EXPECT_TRUE(player.isPlaying());
    EXPECT_TRUE(player.isPaused());
}

TEST_F(MediaPlayerTest, EachFileStartsPausedOrRunningAsAskedAndAReplacedOneEndsSilently)
{
    MediaPlayer player(quiet());
    QSignalSpy started(&player, &MediaPlayer::started);
    QSignalSpy stopped(&player, &MediaPlayer::stopped);

    ASSERT_TRUE(player.play(media().clip(), false));
    ASSERT_TRUE(waitFor([&] { return started.count() == 1; }));
    EXPECT_FALSE(player.isPaused());
    player.setSpeed(1.5);

    // The pause flag would otherwise carry over from the file before.
    ASSERT_TRUE(player.play(media().tone(), true));
    ASSERT_TRUE(waitFor([&] { return started.count() == 2; }));
    EXPECT_TRUE(player.isPaused());
    ASSERT_TRUE(player.play(media().clip(), false));
    ASSERT_TRUE(waitFor([&] { return started.count() == 3; }));
    EXPECT_FALSE(player.isPaused());
    EXPECT_DOUBLE_EQ(player.speed(), 1.5);
    QTest::qWait(50);
    EXPECT_EQ(stopped.count(), 0);

    player.stop();
    EXPECT_FALSE(player.isPlaying());
    ASSERT_TRUE(waitFor([&] { return stopped.count() == 1; }));
    QTest::qWait(50);
    EXPECT_EQ(stopped.count(), 1);
    EXPECT_FALSE(player.seek(1000));
}

TEST_F(MediaPlayerTest, RunningReportsThePositionAndAnUntimedClipEndsInStopped)
{
    MediaPlayer player(quiet(true));
    QSignalSpy positions(&player, &MediaPlayer::positionChanged);
    QSignalSpy stopped(&player, &MediaPlayer::stopped);
    QSignalSpy failed(&player, &MediaPlayer::loadFailed);
    ASSERT_TRUE(player.play(media().clip()));
    ASSERT_TRUE(waitFor([&] { return stopped.count() == 1; }));
    EXPECT_FALSE(player.isPlaying());
    EXPECT_EQ(failed.count(), 0);

    MediaPlayer timed(quiet());
    QSignalSpy timedPositions(&timed, &MediaPlayer::positionChanged);
    ASSERT_TRUE(timed.play(media().tone()));
    ASSERT_TRUE(waitFor([&] { return timedPositions.count() >= 3; }));
    qint64 last = -1;
    for (const QList<QVariant> &report : timedPositions) {
        EXPECT_GT(report.at(0).toLongLong(), last);
        last = report.at(0).toLongLong();
    }
    // Paused, the reports stop.
    timed.pause(true);
    const int reports = timedPositions.count();
    QTest::qWait(250);
    EXPECT_EQ(timedPositions.count(), reports);
}

TEST_F(MediaPlayerTest, PathsThatAreNoExistingLocalFilesAreRefused)
{
    MediaPlayer player(quiet());
    QSignalSpy stopped(&player, &MediaPlayer::stopped);
    for (const QString &path : {QString(), QStringLiteral("talk.mp4"), QStringLiteral("proto://host/talk.mp4"),
             QStringLiteral("http://example.org/talk.mp4"), workFile(QStringLiteral("gone.mp4"))}) {
        QString error;
        EXPECT_FALSE(player.play(path, false, &error)) << path.toStdString();
        EXPECT_FALSE(error.isEmpty()) << path.toStdString();
        EXPECT_FALSE(player.isPlaying());
    }
    QTest::qWait(50);
    EXPECT_EQ(stopped.count(), 0);
}

TEST_F(MediaPlayerTest, AnUnplayableFileStopsAndReportsLibmpvsReason)
{
    MediaPlayer player(quiet());
    QStringList order;
    QString reason;
    QObject::connect(&player, &MediaPlayer::stopped, [&] { order << QStringLiteral("stopped"); });
    QObject::connect(&player, &MediaPlayer::loadFailed, [&](const QString &why) {
        order << QStringLiteral("failed");
        reason = why;
    });
    ASSERT_TRUE(player.play(media().garbage()));
    ASSERT_TRUE(waitFor([&] { return order.size() == 2; }));
    EXPECT_EQ(order, QStringList({QStringLiteral("stopped"), QStringLiteral("failed")}));
    EXPECT_EQ(reason, QStringLiteral("unrecognized file format"));
    EXPECT_FALSE(player.isPlaying());
}

TEST_F(MediaPlayerTest, PauseAtStopsPlaybackExactlyAtTheMark)
{
    MediaPlayer player(quiet());
    QSignalSpy seeked(&player, &MediaPlayer::seekFinished);
    ASSERT_TRUE(player.play(media().clip(), true));
    player.seek(1000);
    ASSERT_TRUE(waitFor([&] { return seeked.count() == 1; }));
    player.pauseAt(1280); // a frame's time: the clip has one every 40 ms
    player.pause(false);
    ASSERT_TRUE(waitFor([&] { return player.isPaused() && seeked.count() == 2; }, 5000));
    EXPECT_EQ(seeked.at(1).at(0).toLongLong(), 1280);
    EXPECT_EQ(player.position(), 1280);

    // A seek forgets the mark.
    player.pauseAt(1400);
    player.seek(2000);
    player.pause(false);
    QTest::qWait(300);
    EXPECT_FALSE(player.isPaused());
}
