#pragma once
// Dynamic time warping of two feature sequences in memory and time linear in
// their length: a full search on a coarse copy, then refinement inside a
// narrow band around the coarse path at every finer level.

#include "FeatureMatrix.h"
#include "SpeechEngine.h"

#include <cstdint>
#include <vector>

namespace cw::engines {

struct WarpPoint {
    int32_t a = 0;  // frame of the first sequence
    int32_t b = 0;  // frame of the second sequence
};

struct WarpPath {
    std::vector<WarpPoint> points;  // (0,0) .. (n-1,m-1), each step +1 in a, b or both
    std::vector<float> localCost;   // distance of the frames at each point
    bool cancelled = false;
};

// Inclusive column range [lo[i], hi[i]] searched in row i; both ends never
// decrease from row to row, row 0 starts at column 0 and the last row ends at
// the last column.
struct DtwWindow {
    std::vector<int32_t> lo, hi;
    size_t cells() const;
};

DtwWindow fullWindow(size_t rows, size_t cols);
// The path of a level with half the frames, doubled and widened by radius.
DtwWindow windowAroundPath(const WarpPath &coarse, size_t rows, size_t cols, int radius);

WarpPath warpWithin(const FeatureMatrix &a, const FeatureMatrix &b, const DtwWindow &window,
                    const CancelFn &cancel);

struct DtwOptions {
    int radius = 16;                      // frames each side at every level
    size_t fullSearchCells = 16'000'000;  // largest coarse level searched whole
};

WarpPath warpCoarseToFine(const FeatureMatrix &a, const FeatureMatrix &b, const DtwOptions &options,
                          const CancelFn &cancel);

}  // namespace cw::engines
