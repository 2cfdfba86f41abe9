#include "views/WaveViewRules.h"

#include "subtitle/TimeCode.h"

#include <algorithm>
#include <cmath>

double audioSceneWidth(quint32 sampleCount, double scale)
{
    return double(sampleCount / WavePeaks::ChunkSamples) * scale;
}

double waveSceneWidth(quint32 sampleCount, double scale, double viewWidth)
{
    return std::fmax(audioSceneWidth(sampleCount, scale), viewWidth);
}

int waveHeightFor(double sceneHeight)
{
    return int(sceneHeight) - 52;
}

int waveSampleY(int sample, int waveHeight)
{
    return int(sample / 32768.0 * waveHeight * 0.5 + waveHeight * 0.5) + WaveLayout::WaveTop;
}

WaveColumnPixels waveColumnPixels(const PeakPair &peaks, int waveHeight)
{
    // y() rises with the sample, so the lowest and highest sample give the
    // same lines as testing every sample against the centre.
    WaveColumnPixels column;
    column.centre = WaveLayout::TopMargin + waveHeight / 2 + int(WaveLayout::RulerHeight);
    column.top = column.centre - 1;
    column.bottom = column.centre + 1;
    if (peaks.isEmpty())
        return column;
    column.top = std::min(column.top, waveSampleY(peaks.min, waveHeight));
    column.bottom = std::max(column.bottom, waveSampleY(peaks.max, waveHeight));
    return column;
}

int rulerPixelsPerSecond(double scale)
{
    return std::max(1, int(scale * 100 + 0.5));
}

QVector<RulerTick> rulerTicks(double left, double right, double sceneWidth, double scale, double labelHalfWidth)
{
    QVector<RulerTick> ticks;
    const int p = rulerPixelsPerSecond(scale);
    const int major = 5 * p;
    const int last = int(std::ceil(std::fmin(right + labelHalfWidth, sceneWidth))) - 1;
    const int first = std::max(0, int(std::floor(left - labelHalfWidth)));
    for (int x = (first + p - 1) / p * p; x <= last; x += p) {
        const bool isMajor = x % major == 0;
        // Beyond the exposed range only a label can reach into it.
        if (isMajor ? x + labelHalfWidth > left && x - labelHalfWidth < right : x >= left - 1 && x < right + 1)
            ticks.append({x, isMajor});
    }
    return ticks;
}

QString rulerLabel(int x, double scale)
{
    const int major = 5 * rulerPixelsPerSecond(scale);
    return formatSeconds(double(x / major * 5)).left(8);
}

int followScrollValue(int value, int viewWidth, double pos, double start, double end)
{
    const bool lineFits = start >= 0 && end - start + 20 <= viewWidth;
    if (lineFits) {
        if (end > value + viewWidth || start < value)
            return int(start - 20);
        return value;
    }
    if (pos > value + viewWidth || pos < value)
        return int(pos - 20);
    return value;
}

int zoomScrollValue(int oldValue, int viewWidth, double oldCursorX, double newCursorX)
{
    const double offset = oldCursorX - oldValue;
    if (offset >= 0 && offset <= viewWidth)
        return int(std::lround(newCursorX - offset));
    return int(std::lround(newCursorX - viewWidth / 2.0));
}

double interpolatedCursorX(double reportedX, qint64 elapsedMs, double scale, double speed, qint64 maxAheadMs)
{
    const qint64 ms = std::max<qint64>(0, std::min(elapsedMs, maxAheadMs));
    return reportedX + ms * 0.1 * scale * speed;
}
