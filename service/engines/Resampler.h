#pragma once
// Band-limited sample-rate conversion (windowed sinc), for bringing the
// synthesiser's 22 050 Hz output to the 16 kHz of the recordings.

#include <cstdint>
#include <vector>

namespace cw::engines {

class Resampler {
public:
    Resampler(int fromRate, int toRate);
    std::vector<int16_t> convert(const std::vector<int16_t> &input) const;

private:
    static constexpr int kHalfTaps = 16;
    static constexpr int kPhases = 256;
    double ratio_;   // input samples per output sample
    double cutoff_;  // relative to the input Nyquist frequency
    std::vector<float> table_;  // kPhases + 1 rows of 2 * kHalfTaps weights
};

}  // namespace cw::engines
