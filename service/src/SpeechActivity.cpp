#include "SpeechActivity.h"

#include <algorithm>
#include <cmath>

namespace cw::service {

std::vector<float> frameEnergies(const engines::Audio &audio, int frameMs, const engines::ProgressFn &progress,
                                 const engines::CancelFn &cancel, bool *cancelled)
{
    *cancelled = false;
    const size_t frameLength = size_t(std::max(1, audio.sampleRate * frameMs / 1000));
    const size_t frames = audio.count / frameLength;
    std::vector<float> energies(frames);
    const size_t reportEvery = std::max<size_t>(frames / 100, 1000);
    for (size_t f = 0; f < frames; ++f) {
        const int16_t *samples = audio.samples + f * frameLength;
        double sum = 0;
        for (size_t i = 0; i < frameLength; ++i)
            sum += double(samples[i]) * samples[i];
        energies[f] = float(10.0 * std::log10(sum / double(frameLength) + 1e-3));
        if ((f + 1) % reportEvery == 0) {
            if (cancel && cancel()) {
                *cancelled = true;
                return {};
            }
            if (progress)
                progress(int(f + 1), int(frames));
        }
    }
    return energies;
}

float speechThreshold(std::vector<float> energies)
{
    if (energies.empty())
        return 0;
    auto percentile = [&energies](double p) {
        const size_t at = std::min(energies.size() - 1, size_t(p * double(energies.size())));
        std::nth_element(energies.begin(), energies.begin() + long(at), energies.end());
        return energies[at];
    };
    const float floor = percentile(0.10);
    const float peak = percentile(0.95);
    // A clean recording has a wide range and a low floor; a noisy one a
    // narrow range, where a smaller step above the floor still finds speech.
    const float step = std::clamp(0.3f * (peak - floor), 6.0f, 20.0f);
    return floor + step;
}

std::vector<float> localThresholds(const std::vector<float> &energies, int frameMs)
{
    const float global = speechThreshold(energies);
    std::vector<float> thresholds(energies.size(), global);
    const size_t window = size_t(30000 / frameMs);
    const size_t block = size_t(5000 / frameMs);
    if (energies.size() <= window)
        return thresholds;
    for (size_t begin = 0; begin < energies.size(); begin += block) {
        const size_t end = std::min(begin + block, energies.size());
        const size_t middle = (begin + end) / 2;
        const size_t from = middle > window / 2 ? middle - window / 2 : 0;
        const size_t to = std::min(from + window, energies.size());
        const float local = speechThreshold(std::vector<float>(energies.begin() + long(from), energies.begin() + long(to)));
        std::fill(thresholds.begin() + long(begin), thresholds.begin() + long(end), std::max(global, local));
    }
    return thresholds;
}

std::vector<TimeSpan> speechSpans(const std::vector<float> &energies, const std::vector<float> &thresholds,
                                  const SpeechActivityOptions &options)
{
    std::vector<TimeSpan> raw;
    const int64_t frameMs = options.frameMs;
    for (size_t f = 0; f < energies.size();) {
        if (energies[f] <= thresholds[f]) {
            ++f;
            continue;
        }
        const size_t begin = f;
        while (f < energies.size() && energies[f] > thresholds[f])
            ++f;
        raw.push_back({int64_t(begin) * frameMs, int64_t(f) * frameMs});
    }
    std::vector<TimeSpan> merged;
    for (const TimeSpan &span : raw) {
        if (!merged.empty() && span.startMs - merged.back().endMs < options.minPauseMs)
            merged.back().endMs = span.endMs;
        else
            merged.push_back(span);
    }
    std::vector<TimeSpan> kept;
    for (const TimeSpan &span : merged)
        if (span.length() >= options.minSpeechMs)
            kept.push_back(span);
    return kept.empty() ? merged : kept;
}

}  // namespace cw::service
