#include "Dtw.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace cw::engines {

namespace {

enum Step : uint8_t { Diagonal = 0, FromAbove = 1, FromLeft = 2 };

float distance(const float *x, const float *y, int dims) {
    float sum = 0;
    for (int d = 0; d < dims; ++d) {
        const float diff = x[d] - y[d];
        sum += diff * diff;
    }
    return std::sqrt(sum);
}

constexpr float kInfinity = std::numeric_limits<float>::infinity();

}  // namespace

size_t DtwWindow::cells() const {
    size_t total = 0;
    for (size_t i = 0; i < lo.size(); ++i)
        total += size_t(hi[i] - lo[i] + 1);
    return total;
}

DtwWindow fullWindow(size_t rows, size_t cols) {
    DtwWindow w;
    w.lo.assign(rows, 0);
    w.hi.assign(rows, int32_t(cols) - 1);
    return w;
}

DtwWindow windowAroundPath(const WarpPath &coarse, size_t rows, size_t cols, int radius) {
    std::vector<int32_t> lo(rows, std::numeric_limits<int32_t>::max()), hi(rows, -1);
    const int32_t lastCol = int32_t(cols) - 1;
    for (const WarpPoint &p : coarse.points) {
        for (int32_t r = 2 * p.a; r <= 2 * p.a + 1 && r < int32_t(rows); ++r) {
            lo[size_t(r)] = std::min(lo[size_t(r)], std::min(2 * p.b, lastCol));
            hi[size_t(r)] = std::max(hi[size_t(r)], std::min(2 * p.b + 1, lastCol));
        }
    }
    // Rows the doubled path did not reach (never, for a whole path) inherit
    // their neighbour's range so the window stays connected.
    for (size_t r = 1; r < rows; ++r)
        if (hi[r] < 0) {
            lo[r] = lo[r - 1];
            hi[r] = hi[r - 1];
        }
    DtwWindow w;
    w.lo.resize(rows);
    w.hi.resize(rows);
    const long n = long(rows);
    for (long r = 0; r < n; ++r) {
        // The projected ends never decrease, so the extremes over the rows
        // within the radius sit at its edges.
        w.lo[size_t(r)] = std::max(0, lo[size_t(std::max(0L, r - radius))] - radius);
        w.hi[size_t(r)] = std::min(lastCol, hi[size_t(std::min(n - 1, r + radius))] + radius);
    }
    w.lo[0] = 0;
    w.hi[rows - 1] = lastCol;
    for (size_t r = 1; r < rows; ++r) {
        w.lo[r] = std::max(w.lo[r], w.lo[r - 1]);
        // Consecutive rows must overlap or touch for a path to pass.
        w.lo[r] = std::min(w.lo[r], w.hi[r - 1] + 1);
        w.hi[r] = std::max(w.hi[r], w.lo[r]);
    }
    for (size_t r = rows - 1; r > 0; --r)
        w.hi[r - 1] = std::min(w.hi[r - 1], w.hi[r]);
    return w;
}

WarpPath warpWithin(const FeatureMatrix &a, const FeatureMatrix &b, const DtwWindow &window,
                    const CancelFn &cancel) {
    WarpPath path;
    const size_t n = a.frames(), m = b.frames();
    if (n == 0 || m == 0 || window.lo.size() != n)
        return path;
    const int dims = a.dims;

    std::vector<size_t> rowOffset(n + 1, 0);
    for (size_t i = 0; i < n; ++i)
        rowOffset[i + 1] = rowOffset[i] + size_t(window.hi[i] - window.lo[i] + 1);
    std::vector<uint8_t> steps(rowOffset[n]);
    std::vector<float> previous, current;

    for (size_t i = 0; i < n; ++i) {
        if ((i & 1023) == 1023 && cancel && cancel()) {
            path.cancelled = true;
            return path;
        }
        const int32_t lo = window.lo[i], hi = window.hi[i];
        current.assign(size_t(hi - lo + 1), kInfinity);
        const int32_t prevLo = i ? window.lo[i - 1] : 0, prevHi = i ? window.hi[i - 1] : -1;
        uint8_t *rowSteps = steps.data() + rowOffset[i];
        for (int32_t j = lo; j <= hi; ++j) {
            const float local = distance(a.row(i), b.row(size_t(j)), dims);
            float best = kInfinity;
            uint8_t step = Diagonal;
            if (i == 0 && j == 0) {
                best = 0;
            } else {
                if (i > 0 && j - 1 >= prevLo && j - 1 <= prevHi && previous[size_t(j - 1 - prevLo)] < best) {
                    best = previous[size_t(j - 1 - prevLo)];
                    step = Diagonal;
                }
                if (i > 0 && j >= prevLo && j <= prevHi && previous[size_t(j - prevLo)] < best) {
                    best = previous[size_t(j - prevLo)];
                    step = FromAbove;
                }
                if (j > lo && current[size_t(j - 1 - lo)] < best) {
                    best = current[size_t(j - 1 - lo)];
                    step = FromLeft;
                }
            }
            current[size_t(j - lo)] = best + local;
            rowSteps[j - lo] = step;
        }
        previous.swap(current);
    }

    int32_t i = int32_t(n) - 1, j = int32_t(m) - 1;
    while (true) {
        path.points.push_back({i, j});
        path.localCost.push_back(distance(a.row(size_t(i)), b.row(size_t(j)), dims));
        if (i == 0 && j == 0)
            break;
        const uint8_t step = steps[rowOffset[size_t(i)] + size_t(j - window.lo[size_t(i)])];
        if (step == Diagonal) {
            --i;
            --j;
        } else if (step == FromAbove) {
            --i;
        } else {
            --j;
        }
        if (i < 0 || j < 0)  // an unreachable corner; the window was malformed
            break;
    }
    std::reverse(path.points.begin(), path.points.end());
    std::reverse(path.localCost.begin(), path.localCost.end());
    return path;
}

WarpPath warpCoarseToFine(const FeatureMatrix &a, const FeatureMatrix &b, const DtwOptions &options,
                          const CancelFn &cancel) {
    std::vector<FeatureMatrix> levelsA{a}, levelsB{b};
    while (levelsA.back().frames() * levelsB.back().frames() > options.fullSearchCells &&
           levelsA.back().frames() > 8 && levelsB.back().frames() > 8) {
        levelsA.push_back(halveFrames(levelsA.back()));
        levelsB.push_back(halveFrames(levelsB.back()));
    }
    // The level list starts with copies of the inputs; the finest level is
    // searched on the originals to spare the memory.
    levelsA.front() = FeatureMatrix{};
    levelsB.front() = FeatureMatrix{};

    const size_t coarsest = levelsA.size() - 1;
    const FeatureMatrix &topA = coarsest ? levelsA[coarsest] : a;
    const FeatureMatrix &topB = coarsest ? levelsB[coarsest] : b;
    WarpPath path = warpWithin(topA, topB, fullWindow(topA.frames(), topB.frames()), cancel);
    for (size_t level = coarsest; level-- > 0 && !path.cancelled;) {
        const FeatureMatrix &la = level ? levelsA[level] : a;
        const FeatureMatrix &lb = level ? levelsB[level] : b;
        const DtwWindow window = windowAroundPath(path, la.frames(), lb.frames(), options.radius);
        path = warpWithin(la, lb, window, cancel);
    }
    return path;
}

}  // namespace cw::engines
