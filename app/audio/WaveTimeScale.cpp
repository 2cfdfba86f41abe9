#include "audio/WaveTimeScale.h"

#include <cmath>

double clampTimeScale(double value)
{
    if (!std::isfinite(value) || value <= 0.0)
        return 1.0;
    return std::fmin(std::fmax(value, MinTimeScale), MaxTimeScale);
}

namespace {
double onGrid(double value)
{
    return std::round(value * 100.0) / 100.0;
}
} // namespace

double zoomedIn(double value)
{
    return clampTimeScale(onGrid(clampTimeScale(value) + TimeScaleStep));
}

double zoomedOut(double value)
{
    return clampTimeScale(onGrid(clampTimeScale(value) - TimeScaleStep));
}
