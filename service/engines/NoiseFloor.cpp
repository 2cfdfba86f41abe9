#include "NoiseFloor.h"

#include <algorithm>
#include <cmath>

namespace cw::engines {

namespace {

double quantileOf(std::vector<double> &values, double q) {
    const size_t k = std::min(values.size() - 1, size_t(double(values.size()) * q));
    std::nth_element(values.begin(), values.begin() + long(k), values.end());
    return values[k];
}

}  // namespace

FrameLevels measureFrames(const int16_t *samples, size_t count, size_t frameLength) {
    FrameLevels levels;
    if (frameLength == 0)
        return levels;
    const size_t frames = count / frameLength;
    levels.db.resize(frames);
    levels.digitalSilence.resize(frames);
    for (size_t f = 0; f < frames; ++f) {
        double sum = 0;
        const int16_t *s = samples + f * frameLength;
        for (size_t i = 0; i < frameLength; ++i)
            sum += double(s[i]) * s[i];
        const double meanSquare = sum / double(frameLength);
        levels.db[f] = 10.0 * std::log10(meanSquare + 1.0);
        levels.digitalSilence[f] = meanSquare <= 1.0 ? 1 : 0;
    }
    return levels;
}

std::vector<CutBorder> cutBorders(const FrameLevels &levels, const FloorOptions &options) {
    std::vector<CutBorder> borders;
    const size_t n = levels.db.size();
    const size_t width = std::max<size_t>(1, options.borderFrames);
    std::vector<double> stretch;
    // The median of [from, from + width) when none of it is digital silence.
    auto add = [&](size_t from) {
        if (from + width > n)
            return;
        stretch.clear();
        for (size_t f = from; f < from + width; ++f) {
            if (levels.digitalSilence[f])
                return;
            stretch.push_back(levels.db[f]);
        }
        borders.push_back({from, quantileOf(stretch, 0.5)});
    };
    for (size_t f = 0; f < n;) {
        if (!levels.digitalSilence[f]) {
            ++f;
            continue;
        }
        const size_t start = f;
        while (f < n && levels.digitalSilence[f])
            ++f;
        if (f - start < options.minCutFrames)
            continue;
        if (start >= width + 1)
            add(start - width - 1);
        add(f + 1);
    }
    return borders;
}

std::vector<double> localNoiseFloor(const FrameLevels &levels, const FloorOptions &options) {
    const size_t n = levels.db.size();
    std::vector<double> floorDb(n, 0.0);
    const std::vector<CutBorder> borders = cutBorders(levels, options);
    const size_t step = std::max<size_t>(1, options.stepFrames);
    std::vector<double> all, sounding;
    for (size_t begin = 0; begin < n; begin += step) {
        const size_t end = std::min(n, begin + step);
        const size_t middle = begin + (end - begin) / 2;
        const size_t from = middle > options.windowFrames ? middle - options.windowFrames : 0;
        const size_t to = std::min(n, middle + options.windowFrames + 1);
        all.assign(levels.db.begin() + long(from), levels.db.begin() + long(to));
        sounding.clear();
        for (size_t f = from; f < to; ++f)
            if (!levels.digitalSilence[f])
                sounding.push_back(levels.db[f]);
        double floor = quantileOf(all, options.quantile);
        if (!sounding.empty()) {
            const double soundFloor = quantileOf(sounding, options.quantile);
            long toned = 0;
            for (const CutBorder &b : borders)
                if (b.frame >= from && b.frame < to)
                    toned += b.medianDb <= soundFloor + options.toneAboveFloorDb ? 1 : -1;
            if (toned > 0)
                floor = soundFloor;
        }
        std::fill(floorDb.begin() + long(begin), floorDb.begin() + long(end), floor);
    }
    return floorDb;
}

std::vector<uint8_t> framesAboveFloor(const FrameLevels &levels, const std::vector<double> &floorDb, double marginDb,
                                      double absoluteDb) {
    std::vector<uint8_t> out(levels.db.size());
    for (size_t f = 0; f < out.size(); ++f) {
        const double gate = std::max(absoluteDb, (f < floorDb.size() ? floorDb[f] : 0.0) + marginDb);
        out[f] = !levels.digitalSilence[f] && levels.db[f] > gate ? 1 : 0;
    }
    return out;
}

}  // namespace cw::engines
