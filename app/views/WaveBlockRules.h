#pragma once

#include "subtitle/SubtitleEntry.h"

#include <QVector>

// The arithmetic of the timeline's subtitle blocks, free of widgets: where a
// block lies, what it writes back, which part of it a pointer is on, and how
// far a drag may take it.

// A block's horizontal extent in scene units.
struct BlockSpan
{
    double x = 0;
    double width = 0;

    double end() const { return x + width; }
    bool operator==(const BlockSpan &o) const { return x == o.x && width == o.width; }
};

// Where entry times put a block at a zoom factor (the half-thousandth keeps
// whole milliseconds from truncating one short on the way back).
BlockSpan blockSpanFor(const SubtitleEntry &entry, double scale);
// The entry with its times taken from the block's edges.
SubtitleEntry entryWithBlockTimes(SubtitleEntry entry, const BlockSpan &span, double scale);

enum class BlockPart { Body, LeftEdge, RightEdge };

// Grab zones: 28 px at each edge, shrunk to a quarter of a short block so
// its middle still moves it.
double grabZone(double width);
// The part at `px` (item x, 0 being the left edge); the right edge wins
// where the zones meet.
BlockPart blockPartAt(double px, double width);

// What the neighbours allow: the previous block's end (0 for the first)
// and the next block's start (the scene's right edge for the last), neither
// past the scene's edges.
struct BlockLimits
{
    double left = 0;
    double right = 0;
};
BlockLimits blockLimits(const QVector<BlockSpan> &spans, int index, double sceneRight);

// One drag step by dx. A step that hits a limit stops there and says so.
// Limits hold a block back but never push it against the drag: a block that
// already overlaps a neighbour or lies past the scene's end (as recognition
// or an imported file leave them) stays where it is rather than jump.
struct LimitedStep
{
    BlockSpan span;
    bool clamped = false;
};
// The whole block.
LimitedStep limitMove(const BlockSpan &block, double dx, const BlockLimits &limits);
// The start, the end staying: past the left limit the whole block is put
// against it, keeping its length; towards the end it stops `minWidth` short.
LimitedStep limitLeftEdge(const BlockSpan &block, double dx, const BlockLimits &limits, double minWidth);
// The end, the start staying: it stops at the right limit, and `minWidth`
// after the start.
LimitedStep limitRightEdge(const BlockSpan &block, double dx, const BlockLimits &limits, double minWidth);

// Moves one edge by `delta` (keyboard nudges): it stops at the neighbour's
// limit and `minWidth` from the other edge, never going back.
BlockSpan nudgeEdge(const BlockSpan &block, BlockPart edge, double delta, const BlockLimits &limits, double minWidth);
