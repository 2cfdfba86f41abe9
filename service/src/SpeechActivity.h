#pragma once
// Where the speech is: short-time energy against a threshold that adapts to
// the recording's own noise floor and loudness.

#include "engines/SpeechEngine.h"

#include <cstdint>
#include <vector>

namespace cw::service {

struct TimeSpan {
    int64_t startMs = 0;
    int64_t endMs = 0;
    int64_t length() const { return endMs - startMs; }
};

struct SpeechActivityOptions {
    int frameMs = 10;
    int64_t minPauseMs = 250;   // shorter gaps do not split speech
    int64_t minSpeechMs = 60;   // shorter bursts are clicks, not speech
};

// Per-frame energy in dB; `progress` sees frames done of total.
std::vector<float> frameEnergies(const engines::Audio &audio, int frameMs, const engines::ProgressFn &progress,
                                 const engines::CancelFn &cancel, bool *cancelled);
float speechThreshold(std::vector<float> energies);
// One threshold per frame: the recording's own, raised where the noise of
// the surrounding half minute is louder (a fan switched on, another room).
std::vector<float> localThresholds(const std::vector<float> &energies, int frameMs);
// Speech spans in order, separated by pauses of at least minPauseMs.
std::vector<TimeSpan> speechSpans(const std::vector<float> &energies, const std::vector<float> &thresholds,
                                  const SpeechActivityOptions &options);

}  // namespace cw::service
