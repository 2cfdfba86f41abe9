// The timeline's arithmetic on its own: zoom, block limits, grab zones,
// following the cursor and the ruler's walk.
#include "WaveTestSupport.h"

#include "audio/WaveTimeScale.h"
#include "views/WaveBlockRules.h"
#include "views/WaveViewRules.h"

#include <gtest/gtest.h>
#include <limits>

namespace {

TEST(WaveRulesTest, ZoomIsClampedWhateverAProjectSays)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    for (double bad : {nan, inf, -inf, 0.0, -1.0})
        EXPECT_EQ(clampTimeScale(bad), 1.0) << bad;
    EXPECT_EQ(clampTimeScale(0.1), 0.25);
    EXPECT_EQ(clampTimeScale(30.0), 2.5);
    EXPECT_EQ(clampTimeScale(1.35), 1.35);

    EXPECT_EQ(zoomedIn(2.5), 2.5);
    EXPECT_EQ(zoomedOut(0.25), 0.25);
    EXPECT_EQ(zoomedIn(nan), 1.05);
    // Thirty steps each way land on the grid, not next to it.
    double scale = 1.0;
    for (int i = 0; i < 10; ++i)
        scale = zoomedIn(scale);
    EXPECT_EQ(scale, 1.5);
    for (int i = 0; i < 30; ++i)
        scale = zoomedOut(scale);
    EXPECT_EQ(scale, 0.25);
}

TEST(WaveRulesTest, SceneIsAsWideAsTheAudioButNeverNarrowerThanTheView)
{
    const quint32 minute = 16000 * 60;
    EXPECT_EQ(waveSceneWidth(minute, 1.0, 600), 6000);
    EXPECT_EQ(waveSceneWidth(minute, 2.5, 600), 15000);
    EXPECT_EQ(waveSceneWidth(minute, 0.25, 600), 1500);
    EXPECT_EQ(waveSceneWidth(minute, 0.25, 1800), 1800);
    EXPECT_EQ(waveSceneWidth(0, 1.0, 655), 655);
}

TEST(WaveRulesTest, GrabZonesShrinkOnShortBlocks)
{
    EXPECT_EQ(blockPartAt(10, 200), BlockPart::LeftEdge);
    EXPECT_EQ(blockPartAt(27.9, 200), BlockPart::LeftEdge);
    EXPECT_EQ(blockPartAt(28, 200), BlockPart::Body);
    EXPECT_EQ(blockPartAt(100, 200), BlockPart::Body);
    EXPECT_EQ(blockPartAt(180, 200), BlockPart::RightEdge);
    // 40 px: zones of 10, so the middle still moves the block.
    EXPECT_EQ(grabZone(40), 10);
    EXPECT_EQ(blockPartAt(5, 40), BlockPart::LeftEdge);
    EXPECT_EQ(blockPartAt(20, 40), BlockPart::Body);
    EXPECT_EQ(blockPartAt(35, 40), BlockPart::RightEdge);
    EXPECT_EQ(blockPartAt(0, 0), BlockPart::Body);
}

TEST(WaveRulesTest, LimitsStopDragsAtNeighboursAndEdges)
{
    const BlockLimits limits {200, 400};
    const BlockSpan block {250, 100};
    // Free moves, then flush against either neighbour.
    EXPECT_EQ(limitMove(block, -30, limits).span.x, 220);
    EXPECT_FALSE(limitMove(block, -30, limits).clamped);
    EXPECT_EQ(limitMove(block, -80, limits).span.x, 200);
    EXPECT_TRUE(limitMove(block, -80, limits).clamped);
    EXPECT_EQ(limitMove(block, 80, limits).span.x, 300);
    EXPECT_FALSE(limitMove(block, 0, limits).clamped);

    // A left edge past the previous end puts the block against it, length kept.
    const LimitedStep left = limitLeftEdge(block, -80, limits, 1);
    EXPECT_TRUE(left.clamped);
    EXPECT_EQ(left.span, (BlockSpan {200, 100}));
    EXPECT_EQ(limitLeftEdge(block, -20, limits, 1).span, (BlockSpan {230, 120}));
    // A right edge stops at the next start.
    const LimitedStep right = limitRightEdge(block, 90, limits, 1);
    EXPECT_TRUE(right.clamped);
    EXPECT_EQ(right.span, (BlockSpan {250, 150}));
}

TEST(WaveRulesTest, OverlapsAndBlocksPastTheEndNeverJumpBack)
{
    // The previous block ends at 300, inside this one (recognition output).
    const BlockLimits overlapped {300, 1000};
    const BlockSpan block {250, 100};
    for (double dx : {-1.0, -50.0}) {
        EXPECT_EQ(limitMove(block, dx, overlapped).span.x, 250) << dx;
        EXPECT_EQ(limitLeftEdge(block, dx, overlapped, 1).span, block) << dx;
    }
    // Shrinking it from the left is away from the overlap and allowed.
    EXPECT_EQ(limitLeftEdge(block, 10, overlapped, 1).span, (BlockSpan {260, 90}));

    // The next block starts at 300, inside this one; or the scene ends there.
    const BlockLimits crowded {0, 300};
    for (double dx : {1.0, 40.0}) {
        EXPECT_EQ(limitMove(block, dx, crowded).span.x, 250) << dx;
        EXPECT_EQ(limitRightEdge(block, dx, crowded, 1).span, block) << dx;
    }
    EXPECT_EQ(limitRightEdge(block, -10, crowded, 1).span, (BlockSpan {250, 90}));
    // Moving the stray block back towards the audio is fine.
    EXPECT_EQ(limitMove(block, -40, crowded).span.x, 210);
    // A next block past the scene's end: the scene's edge limits first.
    EXPECT_EQ(blockLimits({{100, 100}, {250, 100}, {900, 200}}, 1, 800).right, 800);
    EXPECT_EQ(blockLimits({{100, 100}, {250, 100}}, 0, 800).left, 0);
}

TEST(WaveRulesTest, TheEndNeverPrecedesTheStart)
{
    const BlockLimits limits {0, 1000};
    const BlockSpan block {100, 50};
    const LimitedStep left = limitLeftEdge(block, 500, limits, 2.5);
    EXPECT_TRUE(left.clamped);
    EXPECT_EQ(left.span, (BlockSpan {147.5, 2.5}));
    const LimitedStep right = limitRightEdge(block, -500, limits, 2.5);
    EXPECT_TRUE(right.clamped);
    EXPECT_EQ(right.span, (BlockSpan {100, 2.5}));
    // Already shorter than the minimum: it stays, it does not grow back.
    EXPECT_EQ(limitRightEdge({100, 1}, -5, limits, 2.5).span, (BlockSpan {100, 1}));
    EXPECT_EQ(limitLeftEdge({100, 1}, 5, limits, 2.5).span, (BlockSpan {100, 1}));

    EXPECT_EQ(nudgeEdge(block, BlockPart::RightEdge, -100, limits, 1), (BlockSpan {100, 1}));
    EXPECT_EQ(nudgeEdge(block, BlockPart::LeftEdge, 100, limits, 1), (BlockSpan {149, 1}));
}

TEST(WaveRulesTest, NudgesStopAtNeighbours)
{
    const BlockLimits limits {95, 160};
    const BlockSpan block {100, 50};
    EXPECT_EQ(nudgeEdge(block, BlockPart::LeftEdge, -1, limits, 1), (BlockSpan {99, 51}));
    EXPECT_EQ(nudgeEdge(block, BlockPart::LeftEdge, -10, limits, 1), (BlockSpan {95, 55}));
    EXPECT_EQ(nudgeEdge(block, BlockPart::RightEdge, 10, limits, 1), (BlockSpan {100, 60}));
    EXPECT_EQ(nudgeEdge(block, BlockPart::RightEdge, 30, limits, 1), (BlockSpan {100, 60}));
    // Overlapping already: no step further in, no jump out.
    EXPECT_EQ(nudgeEdge(block, BlockPart::LeftEdge, -1, {120, 160}, 1), block);
}

TEST(WaveRulesTest, ScrollingKeepsTheLineOrTheCursorInView)
{
    // A line that fits: shown from just before its start.
    EXPECT_EQ(followScrollValue(0, 600, 700, 650, 900), 630);
    EXPECT_EQ(followScrollValue(630, 600, 700, 650, 900), 630);
    EXPECT_EQ(followScrollValue(1000, 600, 700, 650, 900), 630);
    // Wider than the view: the cursor is followed, not the line's start,
    // which would leave the cursor running off the view.
    EXPECT_EQ(followScrollValue(980, 600, 1500, 1000, 3000), 980);
    EXPECT_EQ(followScrollValue(980, 600, 1600, 1000, 3000), 1580);
    // No line: the cursor alone.
    EXPECT_EQ(followScrollValue(0, 600, 500, -1, -1), 0);
    EXPECT_EQ(followScrollValue(0, 600, 601, -1, -1), 581);
    EXPECT_EQ(followScrollValue(900, 600, 100, -1, -1), 80);

    // Zooming keeps a visible cursor where it was in the view and brings
    // a hidden one to the middle.
    EXPECT_EQ(zoomScrollValue(1000, 600, 1450, 3625), 3175);
    EXPECT_EQ(zoomScrollValue(0, 600, 1890, 4725), 4425);
    EXPECT_EQ(zoomScrollValue(0, 600, 300, 150), 150 - 300);
}

TEST(WaveRulesTest, RulerWalksOnlyTheExposedColumns)
{
    // Zoom 1: a tick every 100 px, a label every 500.
    QVector<RulerTick> ticks = rulerTicks(1000, 1300, 6000, 1.0, 25);
    QVector<int> xs;
    for (const RulerTick &tick : ticks)
        xs << tick.x;
    EXPECT_EQ(xs, (QVector<int> {1000, 1100, 1200, 1300}));
    EXPECT_TRUE(ticks[0].major);
    EXPECT_FALSE(ticks[1].major);

    // A label centred just outside still reaches into a narrow strip.
    ticks = rulerTicks(1480, 1490, 6000, 1.0, 25);
    ASSERT_EQ(ticks.size(), 1);
    EXPECT_EQ(ticks[0].x, 1500);
    EXPECT_TRUE(ticks[0].major);
    EXPECT_TRUE(rulerTicks(1420, 1440, 6000, 1.0, 25).isEmpty());
    // Nothing past the scene's end.
    EXPECT_TRUE(rulerTicks(6000, 6400, 6000, 1.0, 25).isEmpty());

    // Zoom 0.25 rounds to 25 px per second; labels every 5 s.
    EXPECT_EQ(rulerPixelsPerSecond(0.25), 25);
    EXPECT_EQ(rulerLabel(125, 0.25), QStringLiteral("00:00:05"));
    EXPECT_EQ(rulerLabel(3600 * 250, 2.5), QStringLiteral("01:00:00"));
}

} // namespace
