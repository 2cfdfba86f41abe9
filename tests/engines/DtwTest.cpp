#include "Dtw.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

using namespace cw::engines;

namespace {

FeatureMatrix sequence(const std::vector<float> &values) {
    FeatureMatrix m;
    m.dims = 1;
    m.values = values;
    return m;
}

std::vector<std::pair<int, int>> pairs(const WarpPath &path) {
    std::vector<std::pair<int, int>> out;
    for (const WarpPoint &p : path.points)
        out.emplace_back(p.a, p.b);
    return out;
}

// A smooth random walk in several dimensions, like a feature track.
FeatureMatrix randomTrack(size_t frames, int dims, unsigned seed) {
    std::mt19937 random(seed);
    std::normal_distribution<float> step(0, 0.3f);
    FeatureMatrix m;
    m.dims = dims;
    m.values.resize(frames * size_t(dims));
    for (size_t i = 0; i < frames; ++i)
        for (int d = 0; d < dims; ++d)
            m.row(i)[d] = (i ? m.row(i - 1)[d] : 0.f) + step(random);
    return m;
}

// The same track played at a varying speed: frame j of the result shows
// frame source[j] of the original.
FeatureMatrix warped(const FeatureMatrix &track, std::vector<size_t> &source) {
    FeatureMatrix m;
    m.dims = track.dims;
    double position = 0;
    for (size_t j = 0; position < double(track.frames() - 1); ++j) {
        const size_t i = size_t(position);
        source.push_back(i);
        m.values.insert(m.values.end(), track.row(i), track.row(i) + track.dims);
        position += 0.8 + 0.4 * std::sin(double(j) / 40.0);  // slower, then faster
    }
    return m;
}

}  // namespace

TEST(Dtw, FollowsKnownSmallPaths) {
    struct Case {
        std::vector<float> a, b;
        std::vector<std::pair<int, int>> expected;
    } cases[] = {
        {{0, 1, 2}, {0, 1, 2}, {{0, 0}, {1, 1}, {2, 2}}},
        {{0, 1, 2}, {0, 0, 1, 2, 2}, {{0, 0}, {0, 1}, {1, 2}, {2, 3}, {2, 4}}},
        {{0, 5, 5, 9}, {0, 5, 9}, {{0, 0}, {1, 1}, {2, 1}, {3, 2}}},
        {{3}, {1, 3, 5}, {{0, 0}, {0, 1}, {0, 2}}},
    };
    for (const Case &c : cases) {
        const FeatureMatrix a = sequence(c.a), b = sequence(c.b);
        EXPECT_EQ(pairs(warpWithin(a, b, fullWindow(a.frames(), b.frames()), {})), c.expected);
    }
}

TEST(Dtw, CoarseToFineRecoversAWarpedTrack) {
    const FeatureMatrix track = randomTrack(3000, 4, 7);
    std::vector<size_t> source;
    const FeatureMatrix played = warped(track, source);
    DtwOptions options;
    options.fullSearchCells = 40'000;  // forces several levels
    const WarpPath path = warpCoarseToFine(track, played, options, {});
    ASSERT_FALSE(path.points.empty());
    EXPECT_EQ(path.points.front().a, 0);
    EXPECT_EQ(path.points.back().a, int32_t(track.frames()) - 1);
    EXPECT_EQ(path.points.back().b, int32_t(played.frames()) - 1);
    size_t worst = 0;
    for (const WarpPoint &p : path.points) {
        const size_t truth = source[size_t(p.b)];
        worst = std::max(worst, truth > size_t(p.a) ? truth - size_t(p.a) : size_t(p.a) - truth);
    }
    EXPECT_LE(worst, 3u);
}

TEST(Dtw, BandIsNarrowAndConnected) {
    const FeatureMatrix track = randomTrack(4000, 2, 3);
    std::vector<size_t> source;
    const FeatureMatrix played = warped(track, source);
    DtwOptions options;
    options.fullSearchCells = 40'000;
    const WarpPath path = warpCoarseToFine(track, played, options, {});
    WarpPath coarse;
    for (size_t k = 0; k < path.points.size(); k += 2)
        coarse.points.push_back({path.points[k].a / 2, path.points[k].b / 2});
    const DtwWindow w = windowAroundPath(coarse, track.frames(), played.frames(), options.radius);
    EXPECT_EQ(w.lo.front(), 0);
    EXPECT_EQ(w.hi.back(), int32_t(played.frames()) - 1);
    for (size_t r = 1; r < w.lo.size(); ++r) {
        ASSERT_GE(w.lo[r], w.lo[r - 1]);
        ASSERT_GE(w.hi[r], w.hi[r - 1]);
        ASSERT_LE(w.lo[r], w.hi[r - 1] + 1);
    }
    // Linear memory: a few radii per row, not the full matrix.
    EXPECT_LT(w.cells(), track.frames() * size_t(8 * options.radius));
}

TEST(Dtw, StopsWhenCancelled) {
    const FeatureMatrix a = randomTrack(5000, 2, 1), b = randomTrack(200, 2, 2);
    const WarpPath path = warpWithin(a, b, fullWindow(a.frames(), b.frames()), [] { return true; });
    EXPECT_TRUE(path.cancelled);
}
