#pragma once

#include "audio/WavePeaks.h"

#include <QFont>
#include <QImage>
#include <QRectF>
#include <QVector>
#include <QtGui/qrgb.h>

class QPainter;

// What the timeline's background shows.
struct WaveBackgroundState
{
    const WavePeaks *peaks = nullptr; // null: no waveform yet
    double scale = 1.0;
    double sceneWidth = 0;
    double sceneHeight = 0;
    double highlightStart = -1.0; // scene x of the highlighted entry
    double highlightEnd = -1.0;
};

// Paints the background of an exposed rect in three passes: fill, ruler
// (when the rect reaches the top 10 px) and waveform. Every pass covers the
// exposed columns only; the waveform columns are composed in an image and
// drawn at once rather than as thousands of gradient lines.
class WaveRenderer
{
public:
    WaveRenderer();

    void paint(QPainter *painter, const QRectF &exposed, const WaveBackgroundState &state);

private:
    void paintRuler(QPainter *painter, const QRectF &exposed, const WaveBackgroundState &state);
    void paintWave(QPainter *painter, const QRectF &exposed, const WaveBackgroundState &state);
    // Premultiplied colours of a line of each length, centre first.
    void prepareStrips(int waveHeight);

    QFont m_labelFont;
    double m_labelWidth = 0;
    int m_stripHeight = -1;
    QVector<int> m_stripOffsets; // by line length
    QVector<QRgb> m_plainStrips;
    QVector<QRgb> m_highlightStrips;
    QVector<PeakPair> m_peaks;
    QImage m_columns;
};
