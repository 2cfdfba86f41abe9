#include "EnergyAligner.h"

#include <QString>

#include <algorithm>
#include <cmath>
#include <limits>

namespace cw::service {

namespace {

constexpr int64_t kEdgePadMs = 40;  // energy misses soft onsets and tails

struct Pause {
    int64_t startMs;
    int64_t endMs;
    int64_t middle() const { return (startMs + endMs) / 2; }
    int64_t length() const { return endMs - startMs; }
};

// Maps a position on the speech-only time line back to audio time.
int64_t audioTimeOf(const std::vector<TimeSpan> &speech, double speechMs)
{
    double left = speechMs;
    for (const TimeSpan &span : speech) {
        if (left <= double(span.length()))
            return span.startMs + int64_t(std::llround(left));
        left -= double(span.length());
    }
    return speech.back().endMs;
}

// Monotone assignment of boundaries to pauses (each pause used at most once,
// order kept), a boundary may stay unmatched at cost `unmatched`. Only pauses
// within `window` of a boundary are considered, so rows stay short on long
// recordings. Returns for each boundary the pause index or -1.
std::vector<long> matchBoundaries(const std::vector<int64_t> &boundaries, const std::vector<Pause> &pauses,
                                  int64_t window)
{
    const long count = long(boundaries.size());
    const long pauseCount = long(pauses.size());
    const double unmatched = double(window);
    constexpr double kInf = std::numeric_limits<double>::infinity();
    enum Move : unsigned char { SkipPause, NoMatch, Match };

    // Row i covers pause indices [low[i] - 1, high[i]]; the leading cell is
    // "boundary i unmatched with no pause of its window used".
    std::vector<long> low(static_cast<size_t>(count)), high(static_cast<size_t>(count));
    std::vector<std::vector<double>> cost(static_cast<size_t>(count));
    std::vector<std::vector<unsigned char>> move(static_cast<size_t>(count));
    long lo = 0, hi = -1;
    for (long i = 0; i < count; ++i) {
        while (lo < pauseCount && pauses[size_t(lo)].middle() < boundaries[size_t(i)] - window)
            ++lo;
        while (hi + 1 < pauseCount && pauses[size_t(hi + 1)].middle() <= boundaries[size_t(i)] + window)
            ++hi;
        low[size_t(i)] = lo;
        high[size_t(i)] = std::max(hi, lo - 1);
    }
    auto previous = [&](long i, long j) -> double {
        if (i < 0)
            return 0.0;
        const long h = high[size_t(i)];
        if (j > h)
            j = h;
        const long first = low[size_t(i)] - 1;
        if (j < first)
            return kInf;  // cannot happen: windows only move forward
        return cost[size_t(i)][size_t(j - first)];
    };
    for (long i = 0; i < count; ++i) {
        const long first = low[size_t(i)] - 1;
        const long last = high[size_t(i)];
        auto &row = cost[size_t(i)];
        auto &moves = move[size_t(i)];
        row.assign(size_t(last - first + 1), kInf);
        moves.assign(row.size(), NoMatch);
        row[0] = previous(i - 1, first) + unmatched;
        for (long j = first + 1; j <= last; ++j) {
            const size_t at = size_t(j - first);
            const Pause &pause = pauses[size_t(j)];
            const double distance = std::fabs(double(pause.middle() - boundaries[size_t(i)]));
            // Longer pauses are likelier sentence ends.
            const double matchCost = distance - double(std::min<int64_t>(pause.length(), 1000));
            double best = row[at - 1];
            unsigned char how = SkipPause;
            const double none = previous(i - 1, j) + unmatched;
            if (none < best) {
                best = none;
                how = NoMatch;
            }
            const double match = previous(i - 1, j - 1) + matchCost;
            if (match < best) {
                best = match;
                how = Match;
            }
            row[at] = best;
            moves[at] = how;
        }
    }
    std::vector<long> matched(static_cast<size_t>(count), -1);
    long j = pauseCount - 1;
    for (long i = count - 1; i >= 0; --i) {
        j = std::min(j, high[size_t(i)]);
        const long first = low[size_t(i)] - 1;
        while (j > first && move[size_t(i)][size_t(j - first)] == SkipPause)
            --j;
        if (j > first && move[size_t(i)][size_t(j - first)] == Match) {
            matched[size_t(i)] = j;
            --j;
        }
    }
    return matched;
}

// Makes the 2n times non-decreasing with every line at least 1 ms long,
// inside [0, duration]. Needs duration >= n.
void repairOrder(std::vector<TimeSpan> &placed, int64_t durationMs)
{
    int64_t floor = 0;
    for (TimeSpan &line : placed) {
        line.startMs = std::max(line.startMs, floor);
        line.endMs = std::max(line.endMs, line.startMs + 1);
        floor = line.endMs;
    }
    int64_t ceiling = durationMs;
    for (auto it = placed.rbegin(); it != placed.rend(); ++it) {
        it->endMs = std::min(it->endMs, ceiling);
        it->startMs = std::min(it->startMs, it->endMs - 1);
        ceiling = it->startMs;
    }
}

}  // namespace

size_t EnergyAligner::spokenLength(const std::string &utf8Line)
{
    const QString text = QString::fromUtf8(utf8Line.data(), int(utf8Line.size()));
    size_t count = 0;
    for (const QChar c : text)
        if (!c.isSpace() && !c.isLowSurrogate())
            ++count;
    return std::max<size_t>(count, 1);
}

std::vector<TimeSpan> EnergyAligner::placeLines(const std::vector<TimeSpan> &speechIn, int64_t durationMs,
                                                const std::vector<size_t> &weights)
{
    const size_t lineCount = weights.size();
    std::vector<TimeSpan> speech = speechIn;
    if (speech.empty())
        speech.push_back({0, durationMs});

    double speechTotal = 0;
    for (const TimeSpan &span : speech)
        speechTotal += double(span.length());
    double weightTotal = 0;
    for (size_t w : weights)
        weightTotal += double(w);

    std::vector<int64_t> boundaries;
    double cumulative = 0;
    for (size_t k = 0; k + 1 < lineCount; ++k) {
        cumulative += double(weights[k]);
        boundaries.push_back(audioTimeOf(speech, cumulative / weightTotal * speechTotal));
    }

    std::vector<Pause> pauses;
    for (size_t s = 1; s < speech.size(); ++s)
        pauses.push_back({speech[s - 1].endMs, speech[s].startMs});

    const int64_t averageLine = int64_t(speechTotal / double(lineCount));
    const int64_t window = std::max<int64_t>(3000, 2 * averageLine);
    const std::vector<long> matched = matchBoundaries(boundaries, pauses, window);

    std::vector<TimeSpan> placed(lineCount);
    placed.front().startMs = std::max<int64_t>(0, speech.front().startMs - kEdgePadMs);
    placed.back().endMs = std::min(durationMs, speech.back().endMs + kEdgePadMs);
    for (size_t k = 0; k + 1 < lineCount; ++k) {
        if (matched[k] >= 0) {
            const Pause &pause = pauses[size_t(matched[k])];
            const int64_t pad = std::min(kEdgePadMs, pause.length() / 4);
            placed[k].endMs = pause.startMs + pad;
            placed[k + 1].startMs = pause.endMs - pad;
        } else {
            placed[k].endMs = boundaries[k];
            placed[k + 1].startMs = boundaries[k];
        }
    }
    repairOrder(placed, durationMs);
    return placed;
}

engines::EngineResult EnergyAligner::align(const engines::Audio &audio, const std::vector<std::string> &lines,
                                           const engines::ProgressFn &progress, const engines::CancelFn &cancel)
{
    engines::EngineResult result;
    const int64_t durationMs = audio.durationMs();
    if (lines.empty()) {
        result.message = "no lines to align";
        return result;
    }
    if (durationMs < int64_t(lines.size())) {
        result.message = "audio too short for the lines";
        return result;
    }
    SpeechActivityOptions options;
    bool cancelled = false;
    const std::vector<float> energies = frameEnergies(audio, options.frameMs, progress, cancel, &cancelled);
    if (cancelled) {
        result.status = engines::EngineStatus::Cancelled;
        result.message = "cancelled";
        return result;
    }
    const std::vector<TimeSpan> speech = speechSpans(energies, localThresholds(energies, options.frameMs), options);

    std::vector<size_t> weights;
    for (const std::string &line : lines)
        weights.push_back(spokenLength(line));
    const std::vector<TimeSpan> placed = placeLines(speech, durationMs, weights);

    for (size_t k = 0; k < lines.size(); ++k)
        result.lines.push_back({placed[k].startMs, placed[k].endMs, lines[k], 0.5});
    result.status = engines::EngineStatus::Ok;
    if (progress)
        progress(1, 1);
    return result;
}

}  // namespace cw::service
