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

FeatureMatrix reversedFrames(const FeatureMatrix &features) {
    FeatureMatrix reversed;
    reversed.dims = features.dims;
    reversed.values.resize(features.values.size());
    const size_t n = features.frames();
    for (size_t i = 0; i < n; ++i)
        std::copy(features.row(n - 1 - i), features.row(n - 1 - i) + features.dims, reversed.row(i));
    return reversed;
}

double meanLocalCost(const WarpPath &path) {
    double sum = 0;
    for (float c : path.localCost)
        sum += c;
    return sum / double(std::max<size_t>(1, path.localCost.size()));
}

// Each line's span of the recording, read off the path, with its confidence.
std::vector<TimedLine> carryLinesAcross(const std::vector<std::string> &lines,
                                        const std::vector<std::pair<size_t, size_t>> &lineFrames,
                                        size_t syntheticFrames, const WarpPath &path, double unrelatedCost) {
    std::vector<int32_t> firstMatch(syntheticFrames, -1), lastMatch(syntheticFrames, -1);
    std::vector<double> cost(syntheticFrames, 0);
    std::vector<int> diagonalSteps(syntheticFrames, 0), steps(syntheticFrames, 0);
    for (size_t k = 0; k < path.points.size(); ++k) {
        const WarpPoint &p = path.points[k];
        const size_t a = size_t(p.a);
        if (firstMatch[a] < 0)
            firstMatch[a] = p.b;
        lastMatch[a] = p.b;
        cost[a] += path.localCost[k];
        if (k > 0 && path.points[k - 1].a != p.a && path.points[k - 1].b != p.b)
            ++diagonalSteps[a];
        ++steps[a];
    }
    std::vector<TimedLine> out;
    for (size_t i = 0; i < lines.size(); ++i) {
        const size_t first = std::min(lineFrames[i].first, syntheticFrames - 1);
        const size_t last = std::min(lineFrames[i].second, syntheticFrames - 1);
        TimedLine line;
        line.text = lines[i];
        line.startMs = int64_t(firstMatch[first]) * 10;
        line.endMs = int64_t(lastMatch[last] + 1) * 10;
        double sum = 0;
        int diagonal = 0, total = 0;
        for (size_t f = first; f <= last; ++f) {
            sum += cost[f];
            diagonal += diagonalSteps[f];
            total += steps[f];
        }
        const double ratio = total && unrelatedCost > 0 ? sum / total / unrelatedCost : 1.0;
        line.confidence = confidenceOf(total ? double(diagonal) / total : 0.0, ratio);
        out.push_back(std::move(line));
    }
    return out;
}

// When the transcript cannot be spoken against the recording (it would take
// far longer than the audio): lines spread over the speech by their length.
std::vector<TimedLine> spreadByLength(const std::vector<std::string> &lines, const std::vector<uint8_t> &speech,
                                      int64_t audioMs) {
    int64_t firstSpeech = 0, lastSpeech = audioMs;
    const std::vector<Span> spoken = findSpeech(speech, 0);
    if (!spoken.empty()) {
        firstSpeech = spoken.front().startMs;
        lastSpeech = std::min(audioMs, spoken.back().endMs);
    }
    double totalWeight = 0;
    for (const std::string &l : lines)
        totalWeight += double(l.size() + 1);
    std::vector<TimedLine> out;
    double done = 0;
    for (const std::string &l : lines) {
        TimedLine line;
        line.text = l;
        line.startMs = firstSpeech + int64_t(double(lastSpeech - firstSpeech) * done / totalWeight);
        done += double(l.size() + 1);
        line.endMs = firstSpeech + int64_t(double(lastSpeech - firstSpeech) * done / totalWeight);
        line.confidence = 0;
        out.push_back(std::move(line));
    }
    return out;
}

void addSummary(EngineResult &result) {
    double sum = 0, lowest = 1;
    long doubtful = 0;
    for (const TimedLine &l : result.lines) {
        sum += l.confidence;
        lowest = std::min(lowest, l.confidence);
        doubtful += l.confidence < kDoubtfulLine;
    }
    const double mean = sum / double(std::max<size_t>(1, result.lines.size()));
    char summary[96];
    std::snprintf(summary, sizeof summary, "alignment: %zu lines, confidence mean %.2f, lowest %.2f",
                  result.lines.size(), mean, lowest);
    result.notes.push_back(summary);
    if (mean < kWarnBelowConfidence || doubtful * 3 >= long(result.lines.size()))
        result.notes.push_back("warning: the transcript does not seem to match the audio; times are rough");
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
    const std::vector<uint8_t> speech = detectSpeechFrames(audio.samples, audio.count, audio.sampleRate);
    const std::vector<Span> pauses = findPauses(speech, options_.minPauseMs);
    EngineResult result;
    result.status = EngineStatus::Ok;
    if (!speech.empty() && std::none_of(speech.begin(), speech.end(), [](uint8_t v) { return v != 0; }))
        result.notes.push_back("warning: no speech found in the audio; times are rough");

    // 1. Speak the transcript, line by line, with known line positions. A
    //    transcript that would take far longer than the audio is not the
    //    audio's; its speech is not made (it could fill the memory).
    const size_t sampleLimit = size_t(16) * size_t(std::max(audioMs * options_.maxSpeechRatio,
                                                            audioMs + options_.maxSpeechExcessMs));
    const bool anyHan = std::any_of(lines.begin(), lines.end(), containsHan);
    const Script fallback = anyHan ? Script::Han : Script::Latin;
    SpeechSynthesizer synthesizer;
    std::vector<int16_t> synthetic;
    std::vector<std::pair<size_t, size_t>> lineFrames;  // [first, last] frame of each line
    const size_t leading = size_t(options_.leadingSilenceMs) * 16;
    const size_t gap = size_t(options_.lineGapMs) * 16;
    synthetic.assign(leading, 0);
    for (size_t i = 0; i < lines.size(); ++i) {
        std::vector<int16_t> said = synthesizer.speak(lines[i], fallback, cancel);
        if (cancelled())
            return failure(EngineStatus::Cancelled, "cancelled");
        if (!synthesizer.lastError().empty())
            return failure(EngineStatus::Error, synthesizer.lastError());
        if (said.size() < size_t(kSamplesPerFrame) * 5)  // nothing to say: a short pause
            said.resize(size_t(kSamplesPerFrame) * 5, 0);
        const size_t first = synthetic.size() / kSamplesPerFrame;
        synthetic.insert(synthetic.end(), said.begin(), said.end());
        const size_t last = synthetic.size() / kSamplesPerFrame - 1;
        lineFrames.emplace_back(first, std::max(first, last));
        synthetic.insert(synthetic.end(), i + 1 < lines.size() ? gap : leading, 0);
        if (synthetic.size() > sampleLimit) {
            result.lines = spreadByLength(lines, speech, audioMs);
            snapToPauses(result.lines, pauses, options_.snap);
            enforceLineOrder(result.lines, audioMs);
            addSummary(result);
            result.notes.push_back("warning: the transcript takes far longer to say than the audio lasts; "
                                   "lines are spread over the speech by their length");
            report(kProgressTotal);
            return result;
        }
        report(int(30 * (i + 1) / lines.size()));
    }

    // 2. Features of both: spectral shape plus speech/pause.
    MfccExtractor mfcc;
    if (!mfcc.ok())
        return failure(EngineStatus::Error, "MFCC front end unavailable");
    FeatureMatrix syntheticFeatures = spectralShape(mfcc.compute(synthetic.data(), synthetic.size()));
    appendSpeechFlags(syntheticFeatures, detectSpeechFrames(synthetic.data(), synthetic.size()),
                      options_.pauseWeight);
    std::vector<int16_t>().swap(synthetic);
    report(35);
    if (cancelled())
        return failure(EngineStatus::Cancelled, "cancelled");
    FeatureMatrix audioFeatures = spectralShape(mfcc.compute(audio.samples, audio.count));
    appendSpeechFlags(audioFeatures, speech, options_.pauseWeight);
    report(50);
    if (cancelled())
        return failure(EngineStatus::Cancelled, "cancelled");
    if (audioFeatures.frames() == 0 || syntheticFeatures.frames() == 0)
        return failure(EngineStatus::Error, "no features from the audio");

    // 3. Warp the synthetic speech onto the recording; and, for the
    //    confidence, what a wrong transcript would cost: the same synthetic
    //    speech played backwards has the same sounds in the wrong order.
    const WarpPath path = warpCoarseToFine(syntheticFeatures, audioFeatures, options_.dtw, cancel);
    if (path.cancelled || cancelled())
        return failure(EngineStatus::Cancelled, "cancelled");
    if (path.points.empty())
        return failure(EngineStatus::Error, "warping found no path");
    report(75);
    const WarpPath baseline = warpCoarseToFine(reversedFrames(syntheticFeatures), audioFeatures, options_.dtw, cancel);
    if (baseline.cancelled || cancelled())
        return failure(EngineStatus::Cancelled, "cancelled");
    report(85);

    // 4. Each line's frames carried across, then its boundaries moved onto
    //    the pauses the recording really has.
    result.lines = carryLinesAcross(lines, lineFrames, syntheticFeatures.frames(), path, meanLocalCost(baseline));
    snapToPauses(result.lines, pauses, options_.snap);
    enforceLineOrder(result.lines, audioMs);
    addSummary(result);
    report(kProgressTotal);
    return result;
}

}  // namespace cw::engines
