#pragma once
// Frames of equal-length feature vectors, row-major (one row per 10 ms frame).

#include <cstddef>
#include <vector>

namespace cw::engines {

struct FeatureMatrix {
    int dims = 0;
    std::vector<float> values;

    size_t frames() const { return dims ? values.size() / size_t(dims) : 0; }
    const float *row(size_t i) const { return values.data() + i * size_t(dims); }
    float *row(size_t i) { return values.data() + i * size_t(dims); }
};

// Zero mean and unit variance per coefficient, so a recording and synthetic
// speech of the same words land in the same range.
void normalizeMeanAndVariance(FeatureMatrix &features);

// Averages pairs of frames (the last one alone when the count is odd).
FeatureMatrix halveFrames(const FeatureMatrix &features);

}  // namespace cw::engines
