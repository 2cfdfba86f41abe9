#include "views/WaveBlockRules.h"

#include <cmath>

BlockSpan blockSpanFor(const SubtitleEntry &entry, double scale)
{
    const double x = timeCodeToSeconds(entry.startTime) * 100.0 * scale + 0.0005;
    return {x, timeCodeToSeconds(entry.endTime) * 100.0 * scale + 0.0005 - x};
}

SubtitleEntry entryWithBlockTimes(SubtitleEntry entry, const BlockSpan &span, double scale)
{
    entry.startTime = secondsToTimeCode(span.x * 0.01 / scale);
    entry.endTime = secondsToTimeCode(span.end() * 0.01 / scale);
    entry.durationSeconds = qint32(span.width / scale * 0.01);
    return entry;
}

double grabZone(double width)
{
    return std::fmin(28.0, std::fmax(width, 0.0) / 4.0);
}

BlockPart blockPartAt(double px, double width)
{
    const double zone = grabZone(width);
    if (std::fabs(px - width) < zone)
        return BlockPart::RightEdge;
    if (std::fabs(px) < zone)
        return BlockPart::LeftEdge;
    return BlockPart::Body;
}

BlockLimits blockLimits(const QVector<BlockSpan> &spans, int index, double sceneRight)
{
    BlockLimits limits;
    limits.left = index > 0 ? std::fmax(spans[index - 1].end(), 0.0) : 0.0;
    limits.right = index + 1 < spans.size() ? std::fmin(spans[index + 1].x, sceneRight) : sceneRight;
    return limits;
}

LimitedStep limitMove(const BlockSpan &block, double dx, const BlockLimits &limits)
{
    if (dx < 0) {
        const double room = limits.left - block.x;
        if (dx <= room)
            return {{block.x + std::fmin(room, 0.0), block.width}, true};
    } else if (dx > 0) {
        const double room = limits.right - block.end();
        if (dx >= room)
            return {{block.x + std::fmax(room, 0.0), block.width}, true};
    }
    return {{block.x + dx, block.width}, false};
}

LimitedStep limitLeftEdge(const BlockSpan &block, double dx, const BlockLimits &limits, double minWidth)
{
    if (dx <= 0) {
        const double room = limits.left - block.x;
        if (dx <= room)
            return {{block.x + std::fmin(room, 0.0), block.width}, true};
        return {{block.x + dx, block.width - dx}, false};
    }
    const double furthest = std::fmax(block.x, block.end() - minWidth);
    const double x = std::fmin(block.x + dx, furthest);
    return {{x, block.end() - x}, block.x + dx > furthest};
}

LimitedStep limitRightEdge(const BlockSpan &block, double dx, const BlockLimits &limits, double minWidth)
{
    if (dx >= 0) {
        const double room = limits.right - block.end();
        if (dx >= room)
            return {{block.x, block.width + std::fmax(room, 0.0)}, true};
        return {{block.x, block.width + dx}, false};
    }
    const double narrowest = std::fmin(block.width, minWidth);
    const double width = std::fmax(block.width + dx, narrowest);
    return {{block.x, width}, block.width + dx < narrowest};
}

BlockSpan nudgeEdge(const BlockSpan &block, BlockPart edge, double delta, const BlockLimits &limits, double minWidth)
{
    switch (edge) {
    case BlockPart::LeftEdge: {
        double x = block.x + delta;
        x = delta < 0 ? std::fmax(x, std::fmin(block.x, limits.left))
                      : std::fmin(x, std::fmax(block.x, block.end() - minWidth));
        return {x, block.end() - x};
    }
    case BlockPart::RightEdge: {
        double end = block.end() + delta;
        end = delta > 0 ? std::fmin(end, std::fmax(block.end(), limits.right))
                        : std::fmax(end, std::fmin(block.end(), block.x + minWidth));
        return {block.x, end - block.x};
    }
    case BlockPart::Body:
        return limitMove(block, delta, limits).span;
    }
    return block;
}
