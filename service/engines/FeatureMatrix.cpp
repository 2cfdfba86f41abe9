#include "FeatureMatrix.h"

#include <cmath>

namespace cw::engines {

void normalizeMeanAndVariance(FeatureMatrix &features) {
    const size_t n = features.frames();
    if (n == 0)
        return;
    for (int d = 0; d < features.dims; ++d) {
        double sum = 0, sumSq = 0;
        for (size_t i = 0; i < n; ++i) {
            const double v = features.row(i)[d];
            sum += v;
            sumSq += v * v;
        }
        const double mean = sum / double(n);
        const double variance = sumSq / double(n) - mean * mean;
        const double scale = variance > 1e-9 ? 1.0 / std::sqrt(variance) : 1.0;
        for (size_t i = 0; i < n; ++i)
            features.row(i)[d] = float((features.row(i)[d] - mean) * scale);
    }
}

FeatureMatrix halveFrames(const FeatureMatrix &features) {
    FeatureMatrix out;
    out.dims = features.dims;
    const size_t n = features.frames();
    const size_t halved = (n + 1) / 2;
    out.values.resize(halved * size_t(features.dims));
    for (size_t i = 0; i < halved; ++i) {
        const float *a = features.row(2 * i);
        const float *b = 2 * i + 1 < n ? features.row(2 * i + 1) : a;
        float *o = out.row(i);
        for (int d = 0; d < features.dims; ++d)
            o[d] = 0.5f * (a[d] + b[d]);
    }
    return out;
}

}  // namespace cw::engines
