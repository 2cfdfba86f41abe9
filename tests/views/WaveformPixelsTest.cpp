// The waveform drawn from the peaks table is, from zoom 1 up, pixel for
// pixel the one drawn by scanning every column's 160 samples.
#include "WaveTestSupport.h"

#include "views/AudioScene.h"
#include "views/WaveViewRules.h"

#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>
#include <random>

namespace {

// The column as the plain scan draws it: the 160 samples from
// 160 * int(x / zoom), each lowering the top or raising the bottom.
struct ScannedColumn
{
    int top;
    int bottom;
};

QVector<ScannedColumn> scanColumns(const QVector<qint16> &samples, double zoom, int waveHeight)
{
    QVector<ScannedColumn> columns;
    const int centre = 5 + waveHeight / 2 + 30;
    for (int x = 0;; ++x) {
        const quint64 start = 160 * quint64(int(x / zoom));
        if (start > quint64(samples.size()) - 1)
            break;
        int top = centre - 1;
        int bottom = centre + 1;
        for (quint64 i = start; i < start + 160 && i < quint64(samples.size()); ++i) {
            const int y = int(samples[int(i)] / 32768.0 * waveHeight * 0.5 + waveHeight * 0.5) + 35;
            if (y <= centre)
                top = qMin(top, y);
            else
                bottom = qMax(bottom, y);
        }
        columns.append({top, bottom});
    }
    return columns;
}

QVector<qint16> speechLike(int count)
{
    std::mt19937 random(1234);
    std::normal_distribution<double> voice(0, 1);
    QVector<qint16> samples(count);
    for (int i = 0; i < count; ++i) {
        const double envelope = 0.5 + 0.5 * std::sin(i / 4000.0);
        samples[i] = qint16(qBound(-32768.0, voice(random) * 9000 * envelope, 32767.0));
    }
    // The extremes themselves, and a partial last chunk.
    samples[500] = -32768;
    samples[900] = 32767;
    return samples;
}

TEST(WaveformPixelsTest, PeaksDrawTheScannedColumnsFromZoomOneUp)
{
    const QVector<qint16> samples = speechLike(160 * 700 + 75);
    const QByteArray bytes = [&] {
        QByteArray b(samples.size() * 2, '\0');
        for (int i = 0; i < samples.size(); ++i)
            qToLittleEndian(samples[i], b.data() + i * 2);
        return b;
    }();
    const WavePeaks peaks = WavePeaks::fromSamples(bytes.constData(), quint64(bytes.size()));

    for (int waveHeight : {110, 130, 131}) {
        for (double zoom : {1.0, 1.35, 2.5}) {
            const QVector<ScannedColumn> scanned = scanColumns(samples, zoom, waveHeight);
            ASSERT_EQ(peaks.columnCount(zoom), scanned.size()) << zoom;
            QVector<PeakPair> pairs(scanned.size());
            ASSERT_EQ(peaks.columns(0, scanned.size(), zoom, pairs.data()), scanned.size());
            for (int x = 0; x < scanned.size(); ++x) {
                const WaveColumnPixels column = waveColumnPixels(pairs[x], waveHeight);
                ASSERT_EQ(column.top, scanned[x].top) << "zoom " << zoom << " H " << waveHeight << " x " << x;
                ASSERT_EQ(column.bottom, scanned[x].bottom) << "zoom " << zoom << " H " << waveHeight << " x " << x;
            }
            // A window in the middle reads the same columns.
            QVector<PeakPair> window(40);
            ASSERT_EQ(peaks.columns(333, 40, zoom, window.data()), 40);
            for (int i = 0; i < 40; ++i)
                EXPECT_EQ(window[i], pairs[333 + i]);
        }
    }
}

// Rows of one column of a rendered background that are not the backdrop.
QPair<int, int> drawnRows(const QImage &image, int x)
{
    const QRgb backdrop = qRgb(58, 60, 85);
    int top = -1;
    int bottom = -1;
    for (int y = 31; y < image.height(); ++y) {
        if (image.pixel(x, y) != backdrop) {
            if (top < 0)
                top = y;
            bottom = y;
        }
    }
    return {top, bottom};
}

TEST(WaveformPixelsTest, RenderedColumnsSpanTheirPeaksAndTheHighlightTintsThem)
{
    QVector<qint16> samples(16000 * 2, 0);
    for (int i = 0; i < 160; ++i)
        samples[160 * 10 + i] = qint16(i % 2 ? 20000 : -12000);
    const QByteArray bytes = [&] {
        QByteArray b(samples.size() * 2, '\0');
        for (int i = 0; i < samples.size(); ++i)
            qToLittleEndian(samples[i], b.data() + i * 2);
        return b;
    }();
    auto peaks = std::make_shared<WavePeaks>(WavePeaks::fromSamples(bytes.constData(), quint64(bytes.size())));

    AudioScene scene(QSizeF(400, 182));
    scene.setPeaks(peaks);
    QImage image(400, 182, QImage::Format_RGB32);
    QPainter painter(&image);
    scene.paintBackground(&painter, QRectF(0, 0, 400, 182));
    painter.end();

    const int waveHeight = waveHeightFor(182);
    const WaveColumnPixels loud = waveColumnPixels({-12000, 20000}, waveHeight);
    EXPECT_EQ(drawnRows(image, 10), qMakePair(loud.top, loud.bottom));
    const WaveColumnPixels quiet = waveColumnPixels({0, 0}, waveHeight);
    EXPECT_EQ(drawnRows(image, 11), qMakePair(quiet.top, quiet.bottom));
    // Past the audio's 200 columns nothing is drawn.
    EXPECT_EQ(drawnRows(image, 250), qMakePair(-1, -1));
    // The ruler band and a labelled tick at 0.
    EXPECT_EQ(image.pixel(50, 5), qRgb(55, 90, 119));
    EXPECT_EQ(image.pixel(0, 25), qRgb(156, 182, 203));

    // The entry under the play position tints its columns.
    scene.setLoaded(true);
    scene.slot_noticePlayState(0, 10, 5, 15);
    painter.begin(&image);
    scene.paintBackground(&painter, QRectF(0, 0, 400, 182));
    painter.end();
    EXPECT_EQ(image.pixel(10, quiet.centre), qRgb(60, 241, 175));
    EXPECT_EQ(image.pixel(16, quiet.centre), qRgb(255, 255, 255));
}

} // namespace
