#include "LineTiming.h"

#include <algorithm>
#include <cstdlib>
#include <limits>

namespace cw::engines {

bool enforceLineOrder(std::vector<TimedLine> &lines, int64_t audioMs) {
    const int64_t count = int64_t(lines.size());
    if (count == 0)
        return true;
    if (audioMs < count)
        return false;
    const int64_t minLength = std::max<int64_t>(1, std::min<int64_t>(100, audioMs / count));
    int64_t previousEnd = 0;
    for (int64_t i = 0; i < count; ++i) {
        TimedLine &line = lines[size_t(i)];
        // Leave room for this line and all after it.
        const int64_t latestStart = audioMs - (count - i) * minLength;
        line.startMs = std::clamp(line.startMs, previousEnd, latestStart);
        line.endMs = std::clamp(line.endMs, line.startMs + minLength, audioMs - (count - 1 - i) * minLength);
        previousEnd = line.endMs;
    }
    return true;
}

namespace {

int64_t distanceTo(int64_t point, const Span &span) {
    if (point < span.startMs)
        return span.startMs - point;
    if (point > span.endMs)
        return point - span.endMs;
    return 0;
}

}  // namespace

void snapToPauses(std::vector<TimedLine> &lines, const std::vector<Span> &pauses, const SnapOptions &options) {
    if (lines.empty() || pauses.empty())
        return;
    size_t nextPause = 0;  // pauses before this one are used or passed

    // Picks the best pause near `point` (scored by `distance`) from nextPause on.
    auto choose = [&](int64_t point, auto distance) -> long {
        long best = -1;
        double bestScore = std::numeric_limits<double>::max();
        for (size_t p = nextPause; p < pauses.size(); ++p) {
            if (pauses[p].startMs > point + options.searchMs)
                break;
            const int64_t d = distance(point, pauses[p]);
            if (d > options.searchMs)
                continue;
            const double score = double(d) - options.lengthBonus *
                                                   double(std::min(pauses[p].lengthMs(), options.bonusCapMs));
            if (score < bestScore) {
                bestScore = score;
                best = long(p);
            }
        }
        return best;
    };

    // First start: speech resumes at the end of a pause (or of leading silence).
    {
        const long p = choose(lines.front().startMs,
                              [](int64_t t, const Span &s) { return std::llabs(t - s.endMs); });
        if (p >= 0 && pauses[size_t(p)].endMs < lines.front().endMs) {
            lines.front().startMs = pauses[size_t(p)].endMs;
            nextPause = size_t(p) + 1;
        }
    }
    for (size_t k = 1; k < lines.size(); ++k) {
        TimedLine &before = lines[k - 1];
        TimedLine &after = lines[k];
        // Onsets are crisp where word endings fade out, so the warp's start of
        // the next line is the surer half of its estimate.
        const int64_t point = (before.endMs + 3 * after.startMs) / 4;
        const long p = choose(point, distanceTo);
        if (p < 0)
            continue;
        const Span &pause = pauses[size_t(p)];
        // Never swallow a whole line into the pause.
        if (pause.startMs <= before.startMs || pause.endMs >= after.endMs)
            continue;
        before.endMs = pause.startMs;
        after.startMs = pause.endMs;
        nextPause = size_t(p) + 1;
    }
    // Last end: speech stops where a pause (or trailing silence) begins.
    {
        const long p = choose(lines.back().endMs,
                              [](int64_t t, const Span &s) { return std::llabs(t - s.startMs); });
        if (p >= 0 && pauses[size_t(p)].startMs > lines.back().startMs)
            lines.back().endMs = pauses[size_t(p)].startMs;
    }
}

}  // namespace cw::engines
