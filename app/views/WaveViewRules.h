#pragma once

#include "audio/WavePeaks.h"

#include <QString>
#include <QVector>

// The timeline's layout arithmetic, free of widgets.

namespace WaveLayout {
constexpr double RulerHeight = 30;
constexpr double CursorY = 108;
constexpr int TopMargin = 5;
constexpr int BottomMargin = 5;
constexpr int WaveTop = 35; // ruler + top margin
} // namespace WaveLayout

// Scene x of the audio's end: (samples / 160) * scale, whole chunks only.
double audioSceneWidth(quint32 sampleCount, double scale);
// The scene is as wide as the audio, and never narrower than the view.
double waveSceneWidth(quint32 sampleCount, double scale, double viewWidth);

// The waveform's band height in a scene of `sceneHeight`: all but the
// ruler, both margins and the 12-px scroll bar.
int waveHeightFor(double sceneHeight);
// Row of sample `s` in a band of height `waveHeight`.
int waveSampleY(int sample, int waveHeight);

// The two lines of one column: from the centre up to `top` and down to
// `bottom`, each at least one pixel long.
struct WaveColumnPixels
{
    int centre = 0;
    int top = 0;
    int bottom = 0;
};
WaveColumnPixels waveColumnPixels(const PeakPair &peaks, int waveHeight);

// Ruler: pixels per second (rounded), ticks every second, labelled every
// five. Only the ticks of [left, right) and the labels reaching into it are
// listed, so a narrow repaint costs a narrow walk.
int rulerPixelsPerSecond(double scale);
struct RulerTick
{
    int x = 0;
    bool major = false;
};
QVector<RulerTick> rulerTicks(double left, double right, double sceneWidth, double scale, double labelHalfWidth);
// "HH:MM:SS" of the major tick at x.
QString rulerLabel(int x, double scale);

// Where the horizontal scroll bar should go so the play position stays in
// view, or `value` when it need not move. The entry [start, end] is kept in
// view from its start (start < 0: no entry); one wider than the view is
// followed by the cursor instead, or the view would stay at its start.
int followScrollValue(int value, int viewWidth, double pos, double start, double end);
// The scroll value after a zoom: the cursor keeps its place in the view
// when it was in view, and comes to the middle when it was not.
int zoomScrollValue(int oldValue, int viewWidth, double oldCursorX, double newCursorX);

// The cursor between two position reports: moving on at the play speed from
// the last report, at most `maxAheadMs` of it, so it stops soon after the
// reports do.
double interpolatedCursorX(double reportedX, qint64 elapsedMs, double scale, double speed, qint64 maxAheadMs = 250);
