#include "DtwAligner.h"

#include "MfccExtractor.h"
#include "SpeechSynthesizer.h"
#include "VoiceActivity.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace cw::engines {

namespace {

constexpr int kSamplesPerFrame = 160;  // 10 ms at 16 kHz
constexpr int kProgressTotal = 100;

struct SyntheticTranscript {
    std::vector<int16_t> samples;
    std::vector<std::pair<size_t, size_t>> lineFrames;  // [first, last] frame of each line
};

// Confidence of a line: speech that matches its text is followed by the
// path mostly diagonally (both advance together), while a wrong text makes
// the path stall and jump; and the path costs clearly less than it does for
// the same synthetic speech played backwards. Limits measured on read and
// synthetic speech with right and wrong transcripts.
constexpr double kDiagonalSure = 0.75, kDiagonalNone = 0.50;
constexpr double kRatioSure = 0.80, kRatioNone = 1.0;
constexpr double kWarnBelowConfidence = 0.40;
constexpr double kDoubtfulLine = 0.30;  // a third of the lines this low also warns

double confidenceOf(double diagonalShare, double distanceRatio) {
    const double shape = std::clamp((diagonalShare - kDiagonalNone) / (kDiagonalSure - kDiagonalNone), 0.0, 1.0);
    const double closeness = std::clamp((kRatioNone - distanceRatio) / (kRatioNone - kRatioSure), 0.0, 1.0);
    return shape * (0.6 + 0.4 * closeness);
}

// One more coefficient: speech or pause, so that the pauses of the two
// sequences pull the path onto each other.
void appendSpeechFlags(FeatureMatrix &features, const std::vector<uint8_t> &speech, float weight) {
    if (weight <= 0 || features.dims == 0)
        return;
    const size_t n = features.frames();
    const int dims = features.dims;
    std::vector<float> widened(n * size_t(dims + 1));
    for (size_t i = 0; i < n; ++i) {
        std::copy(features.row(i), features.row(i) + dims, widened.data() + i * size_t(dims + 1));
        const bool spoken = speech.empty() || speech[std::min(i, speech.size() - 1)] != 0;
        widened[i * size_t(dims + 1) + size_t(dims)] = spoken ? weight : 0.f;
    }
    features.values.swap(widened);
    features.dims = dims + 1;
}

EngineResult failure(EngineStatus status, std::string message) {
    EngineResult r;
    r.status = status;
    r.message = std::move(message);
    return r;
}

}  // namespace

EngineResult DtwAligner::align(const Audio &audio, const std::vector<std::string> &lines,
                               const ProgressFn &progress, const CancelFn &cancel) {
    auto report = [&](int done) {
        if (progress)
            progress(done, kProgressTotal);
    };
    auto cancelled = [&] { return cancel && cancel(); };

    if (audio.sampleRate != 16000)
        return failure(EngineStatus::Error, "alignment needs 16 kHz audio");
    const int64_t audioMs = audio.durationMs();
    if (lines.empty()) {
        EngineResult r;
        r.status = EngineStatus::Ok;
        return r;
    }
    if (audioMs < int64_t(lines.size()))
        return failure(EngineStatus::Error, "the audio is too short for " + std::to_string(lines.size()) + " lines");

    // 1. Speak the transcript, line by line, with known line positions.
    const bool anyHan = std::any_of(lines.begin(), lines.end(), containsHan);
    const Script fallback = anyHan ? Script::Han : Script::Latin;
    SpeechSynthesizer synthesizer;
    SyntheticTranscript synthetic;
    const size_t leading = size_t(options_.leadingSilenceMs) * 16;
    const size_t gap = size_t(options_.lineGapMs) * 16;
    synthetic.samples.assign(leading, 0);
    for (size_t i = 0; i < lines.size(); ++i) {
        std::vector<int16_t> speech = synthesizer.speak(lines[i], fallback, cancel);
        if (cancelled())
            return failure(EngineStatus::Cancelled, "cancelled");
        if (!synthesizer.lastError().empty())
            return failure(EngineStatus::Error, synthesizer.lastError());
        if (speech.size() < size_t(kSamplesPerFrame) * 5)  // nothing to say: a short pause
            speech.resize(size_t(kSamplesPerFrame) * 5, 0);
        const size_t first = synthetic.samples.size() / kSamplesPerFrame;
        synthetic.samples.insert(synthetic.samples.end(), speech.begin(), speech.end());
        const size_t last = synthetic.samples.size() / kSamplesPerFrame - 1;
        synthetic.lineFrames.emplace_back(first, std::max(first, last));
        synthetic.samples.insert(synthetic.samples.end(), i + 1 < lines.size() ? gap : leading, 0);
        report(int(30 * (i + 1) / lines.size()));
    }

    // 2. Features of both.
    MfccExtractor mfcc;
    if (!mfcc.ok())
        return failure(EngineStatus::Error, "MFCC front end unavailable");
    FeatureMatrix syntheticFeatures = spectralShape(mfcc.compute(synthetic.samples.data(), synthetic.samples.size()));
    appendSpeechFlags(syntheticFeatures,
                      detectSpeechFrames(synthetic.samples.data(), synthetic.samples.size()), options_.pauseWeight);
    std::vector<int16_t>().swap(synthetic.samples);
    report(35);
    if (cancelled())
        return failure(EngineStatus::Cancelled, "cancelled");
    const std::vector<uint8_t> speech = detectSpeechFrames(audio.samples, audio.count, audio.sampleRate);
    FeatureMatrix audioFeatures = spectralShape(mfcc.compute(audio.samples, audio.count));
    appendSpeechFlags(audioFeatures, speech, options_.pauseWeight);
    report(50);
    if (cancelled())
        return failure(EngineStatus::Cancelled, "cancelled");
    if (audioFeatures.frames() == 0 || syntheticFeatures.frames() == 0)
        return failure(EngineStatus::Error, "no features from the audio");

    // 3. Warp the synthetic speech onto the recording.
    const WarpPath path = warpCoarseToFine(syntheticFeatures, audioFeatures, options_.dtw, cancel);
    if (path.cancelled || cancelled())
        return failure(EngineStatus::Cancelled, "cancelled");
    if (path.points.empty())
        return failure(EngineStatus::Error, "warping found no path");
    report(75);

    // What a wrong transcript would cost: the same synthetic speech played
    // backwards has the same sounds in the wrong order.
    double unrelatedCost = 0;
    {
        FeatureMatrix reversed;
        reversed.dims = syntheticFeatures.dims;
        reversed.values.resize(syntheticFeatures.values.size());
        const size_t n = syntheticFeatures.frames();
        for (size_t i = 0; i < n; ++i)
            std::copy(syntheticFeatures.row(n - 1 - i), syntheticFeatures.row(n - 1 - i) + reversed.dims,
                      reversed.row(i));
        const WarpPath baseline = warpCoarseToFine(reversed, audioFeatures, options_.dtw, cancel);
        if (baseline.cancelled || cancelled())
            return failure(EngineStatus::Cancelled, "cancelled");
        for (float c : baseline.localCost)
            unrelatedCost += c;
        unrelatedCost /= double(std::max<size_t>(1, baseline.localCost.size()));
    }
    report(85);

    // 4. Carry each line's frames across the path.
    const size_t syntheticFrames = syntheticFeatures.frames();
    std::vector<int32_t> firstMatch(syntheticFrames, -1), lastMatch(syntheticFrames, -1);
    std::vector<double> costSum(syntheticFrames, 0), contrastSum(syntheticFrames, 0);
    std::vector<int> diagonalSteps(syntheticFrames, 0), steps(syntheticFrames, 0);
    for (size_t k = 0; k < path.points.size(); ++k) {
        const WarpPoint &p = path.points[k];
        if (firstMatch[size_t(p.a)] < 0)
            firstMatch[size_t(p.a)] = p.b;
        lastMatch[size_t(p.a)] = p.b;
        costSum[size_t(p.a)] += path.localCost[k];
        contrastSum[size_t(p.a)] += unrelatedCost;
        if (k > 0 && path.points[k - 1].a != p.a && path.points[k - 1].b != p.b)
            ++diagonalSteps[size_t(p.a)];
        ++steps[size_t(p.a)];
    }
    EngineResult result;
    result.status = EngineStatus::Ok;
    double confidenceSum = 0;
    for (size_t i = 0; i < lines.size(); ++i) {
        const size_t first = std::min(synthetic.lineFrames[i].first, syntheticFrames - 1);
        const size_t last = std::min(synthetic.lineFrames[i].second, syntheticFrames - 1);
        TimedLine line;
        line.text = lines[i];
        line.startMs = int64_t(firstMatch[first]) * 10;
        line.endMs = int64_t(lastMatch[last] + 1) * 10;
        double sum = 0, contrast = 0;
        int diagonal = 0, total = 0;
        for (size_t f = first; f <= last; ++f) {
            sum += costSum[f];
            contrast += contrastSum[f];
            diagonal += diagonalSteps[f];
            total += steps[f];
        }
        line.confidence = confidenceOf(total ? double(diagonal) / total : 0.0, contrast > 0 ? sum / contrast : 1.0);
        confidenceSum += line.confidence;
        result.lines.push_back(std::move(line));
    }

    // 5. Boundaries onto the pauses the recording really has.
    snapToPauses(result.lines, findPauses(speech, options_.minPauseMs), options_.snap);
    enforceLineOrder(result.lines, audioMs);
    report(kProgressTotal);

    const double meanConfidence = confidenceSum / double(lines.size());
    char summary[96];
    double minConfidence = 1;
    for (const TimedLine &l : result.lines)
        minConfidence = std::min(minConfidence, l.confidence);
    std::snprintf(summary, sizeof summary, "alignment: %zu lines, confidence mean %.2f, lowest %.2f", lines.size(),
                  meanConfidence, minConfidence);
    result.notes.push_back(summary);
    const auto doubtful = std::count_if(result.lines.begin(), result.lines.end(),
                                        [](const TimedLine &l) { return l.confidence < kDoubtfulLine; });
    if (meanConfidence < kWarnBelowConfidence || doubtful * 3 >= long(lines.size()))
        result.notes.push_back("warning: the transcript does not seem to match the audio; times are rough");
    return result;
}

}  // namespace cw::engines
