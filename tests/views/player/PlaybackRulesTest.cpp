// The player panel's arithmetic: captions, speeds, volume steps, slider
// positions and which paths may reach the player.
#include "../TimingTestSupport.h"

#include "views/PlaybackRules.h"

#include <QDir>
#include <QTemporaryDir>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>

using namespace PlaybackRules;

TEST(PlaybackRulesTest, TheEntryUnderAPositionIsTheFirstInListOrder)
{
    const SubtitleEntries entries = {timedEntry(1000, 3000, QStringLiteral("a")),
        timedEntry(2500, 4000, QStringLiteral("b")), timedEntry(6000, 7000, QStringLiteral("c"))};
    EXPECT_EQ(entryAt(entries, 0.5), -1);
    EXPECT_EQ(entryAt(entries, 1.0), 0); // both ends belong to the entry
    EXPECT_EQ(entryAt(entries, 2.7), 0); // a and b overlap: a comes first
    EXPECT_EQ(entryAt(entries, 3.5), 1);
    EXPECT_EQ(entryAt(entries, 5.0), -1);
    EXPECT_EQ(entryAt(entries, 7.0), 2);
    EXPECT_EQ(entryAt({}, 1.0), -1);
}

TEST(PlaybackRulesTest, TheLineToPlayIsTheOneUnderThePositionElseTheNextToStart)
{
    // Out of time order, as a list can be mid-edit.
    const SubtitleEntries entries = {timedEntry(8000, 9000), timedEntry(1000, 2000), timedEntry(4000, 5000)};
    EXPECT_EQ(lineToPlay(entries, 1.5), 1);
    EXPECT_EQ(lineToPlay(entries, 0), 1);
    EXPECT_EQ(lineToPlay(entries, 2.5), 2);
    EXPECT_EQ(lineToPlay(entries, 5.0), 2);
    EXPECT_EQ(lineToPlay(entries, 6.0), 0);
    EXPECT_EQ(lineToPlay(entries, 9.5), -1);
    // Just past a line's end (where playing it paused): that line again.
    EXPECT_EQ(lineToPlay(entries, 2.04), 1);
    EXPECT_EQ(lineToPlay(entries, 9.1), 0);
}

TEST(PlaybackRulesTest, SpeedTextsAndTheSpeedOfEachMenuLabel)
{
    EXPECT_EQ(speedText(0.75), QStringLiteral("0.75"));
    EXPECT_EQ(speedText(1.0), QStringLiteral("1X"));
    EXPECT_EQ(speedText(2.0), QStringLiteral("2X"));
    EXPECT_EQ(speedText(1.5), QStringLiteral("1.5"));
    EXPECT_EQ(speedText(1.25), QStringLiteral("1.25"));

    const double speeds[] = {2, 1.75, 1.5, 1.25, 1, 0.75, 0.5};
    for (int n = 1; n <= 7; ++n)
        EXPECT_DOUBLE_EQ(speedForLabel(QStringLiteral(" label_%1 ").arg(n)), speeds[n - 1]) << n;
}

TEST(PlaybackRulesTest, VolumePointerStepsAndTheirGain)
{
    const struct
    {
        int x, image;
    } steps[] = {{-4, 0}, {0, 0}, {1, 1}, {6, 1}, {7, 2}, {13, 2}, {14, 3}, {19, 3}, {20, 4}, {26, 4}, {27, 5}, {32, 5},
        {50, 5}};
    for (const auto &step : steps)
        EXPECT_EQ(volumeForPointer(step.x).image, step.image) << step.x;
    EXPECT_DOUBLE_EQ(volumeForPointer(32).fraction, 1.0);
    EXPECT_DOUBLE_EQ(volumeForPointer(0).fraction, 0.0);
    EXPECT_DOUBLE_EQ(volumeForPointer(50).fraction, 1.0);

    EXPECT_EQ(volumeImageForGain(2.0), 5);
    EXPECT_EQ(volumeImageForGain(1.0), 3);
    EXPECT_EQ(volumeImageForGain(0.0), 0);

    // The player's scale is cubic: full gain is 100 %, double gain 126 %.
    EXPECT_DOUBLE_EQ(cubicVolumePercent(1.0), 100.0);
    EXPECT_NEAR(cubicVolumePercent(2.0), 125.992, 0.001);
    EXPECT_NEAR(cubicVolumePercent(0.125), 50.0, 1e-9);
    EXPECT_DOUBLE_EQ(cubicVolumePercent(0.0), 0.0);
    EXPECT_NEAR(cubicVolumePercent(9.0), 125.992, 0.001);
}

TEST(PlaybackRulesTest, SliderPositions)
{
    EXPECT_EQ(sliderValueAt(0, 100, 300, 600), 50);
    EXPECT_EQ(sliderValueAt(0, 600, 599, 600), 599);
    EXPECT_EQ(sliderValueAt(10, 20, 0, 100), 10);
    EXPECT_EQ(sliderValueAt(0, 100, 5, 0), 0);

    EXPECT_EQ(sliderValueForFraction(5, 10, 0, 100), 50);
    EXPECT_EQ(sliderValueForFraction(2.496, 10, 0, 100), 25); // half a percent up
    EXPECT_EQ(sliderValueForFraction(30, 60, 0, 600), 303);
    EXPECT_EQ(sliderValueForFraction(10, 10, 0, 100), 100);
    // An unknown total never divides by zero.
    EXPECT_EQ(sliderValueForFraction(0, 0, 0, 100), 0);
    EXPECT_EQ(sliderValueForFraction(12.5, 0, 0, 100), 0);
    EXPECT_EQ(sliderValueForFraction(std::numeric_limits<double>::quiet_NaN(), 10, 0, 100), 0);
}

TEST(PlaybackRulesTest, OnlyExistingLocalFilesByAbsolutePathMayBePlayed)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString file = dir.filePath(QStringLiteral("talk.mp4"));
    QFile(file).open(QIODevice::WriteOnly);

    EXPECT_EQ(refusalReason(file), QString());
    EXPECT_FALSE(refusalReason(QString()).isEmpty());
    EXPECT_FALSE(refusalReason(QStringLiteral("talk.mp4")).isEmpty());
    EXPECT_FALSE(refusalReason(QStringLiteral("proto://host/talk.mp4")).isEmpty());
    EXPECT_FALSE(refusalReason(QStringLiteral("http://example.org/talk.mp4")).isEmpty());
    EXPECT_FALSE(refusalReason(QStringLiteral("file:") + file).isEmpty());
    EXPECT_FALSE(refusalReason(dir.filePath(QStringLiteral("gone.mp4"))).isEmpty());
    EXPECT_FALSE(refusalReason(dir.path()).isEmpty());
}
