#pragma once
// MFCC frames (10 ms hop) of 16 kHz speech through sphinxbase's front end.

#include "FeatureMatrix.h"

#include <cstddef>
#include <cstdint>

struct fe_s;

namespace cw::engines {

class MfccExtractor {
public:
    static constexpr int kCoefficients = 13;
    static constexpr int kFramesPerSecond = 100;

    MfccExtractor();
    ~MfccExtractor();
    MfccExtractor(const MfccExtractor &) = delete;
    MfccExtractor &operator=(const MfccExtractor &) = delete;

    bool ok() const { return frontEnd_ != nullptr; }
    // All 13 coefficients (c0 first) of every frame; empty when not ok().
    FeatureMatrix compute(const int16_t *samples, size_t count);

private:
    fe_s *frontEnd_ = nullptr;
};

// Drops c0 (loudness) so the match rests on the shape of the spectrum, then
// normalises each coefficient over the whole sequence.
FeatureMatrix spectralShape(const FeatureMatrix &mfcc);

}  // namespace cw::engines
