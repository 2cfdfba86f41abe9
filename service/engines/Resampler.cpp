#include "Resampler.h"

#include <algorithm>
#include <cmath>

namespace cw::engines {

namespace {
constexpr double kPi = 3.14159265358979323846;
}

Resampler::Resampler(int fromRate, int toRate)
    : ratio_(double(fromRate) / double(toRate)),
      cutoff_(std::min(1.0, double(toRate) / double(fromRate)) * 0.95) {
    const int width = 2 * kHalfTaps;
    table_.resize(size_t(kPhases + 1) * width);
    for (int p = 0; p <= kPhases; ++p) {
        const double frac = double(p) / kPhases;
        double sum = 0;
        for (int k = 0; k < width; ++k) {
            const double x = double(k - kHalfTaps + 1) - frac;
            const double sinc = x == 0 ? 1.0 : std::sin(kPi * cutoff_ * x) / (kPi * cutoff_ * x);
            const double window = 0.5 + 0.5 * std::cos(kPi * x / (kHalfTaps + 1));
            const double w = cutoff_ * sinc * window;
            table_[size_t(p) * width + k] = float(w);
            sum += w;
        }
        // Unity gain at DC for every phase.
        for (int k = 0; k < width; ++k)
            table_[size_t(p) * width + k] = float(table_[size_t(p) * width + k] / sum);
    }
}

std::vector<int16_t> Resampler::convert(const std::vector<int16_t> &input) const {
    if (input.empty())
        return {};
    const size_t outCount = size_t(double(input.size()) / ratio_);
    std::vector<int16_t> out(outCount);
    const int width = 2 * kHalfTaps;
    const long last = long(input.size()) - 1;
    for (size_t i = 0; i < outCount; ++i) {
        const double position = double(i) * ratio_;
        const long base = long(position);
        const double frac = position - double(base);
        const int phase = int(frac * kPhases + 0.5);
        const float *weights = table_.data() + size_t(phase) * width;
        const long first = base - kHalfTaps + 1;
        double acc = 0;
        if (first >= 0 && first + width - 1 <= last) {
            const int16_t *src = input.data() + first;
            for (int k = 0; k < width; ++k)
                acc += weights[k] * src[k];
        } else {
            for (int k = 0; k < width; ++k) {
                const long j = first + k;
                if (j >= 0 && j <= last)
                    acc += weights[k] * input[size_t(j)];
            }
        }
        out[i] = int16_t(std::clamp(std::lround(acc), -32768L, 32767L));
    }
    return out;
}

}  // namespace cw::engines
