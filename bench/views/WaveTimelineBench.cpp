// The waveform timeline on two hours of audio: repainting a 1920-column strip
// of background at three zooms (against the plain per-column scan with
// gradient lines), rebuilding 5000 blocks, and one position report with
// 10000 blocks in the scene. Figures are printed against their limits and
// peers measured in the same run. Runs on the offscreen platform unless one
// is set.
#include "audio/WaveTimeScale.h"
#include "base/AppState.h"
#include "subtitle/LocalCodec.h"
#include "subtitle/SubtitleList.h"
#include "views/AudioScene.h"
#include "views/AudioWaveWidget.h"
#include "views/GraphicWidget.h"
#include "views/MyItem.h"
#include "views/WaveViewRules.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QGraphicsSceneMouseEvent>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

constexpr quint64 SampleCount = 2ull * 3600 * 16000;
constexpr int Columns = 1920;
constexpr int SceneHeight = 182;

std::vector<qint16> twoHours()
{
    std::vector<qint16> samples(SampleCount);
    for (quint64 t = 0; t < SampleCount; ++t) {
        const double swell = 0.5 + 0.5 * std::sin(double(t) / 24000.0);
        samples[t] = qint16(swell * 12000 * std::sin(double(t) * 0.19) + double(t % 97) * 40 - 1940);
    }
    return samples;
}

// Median and slowest of `rounds` runs, in milliseconds.
struct Timing
{
    double median = 0;
    double slowest = 0;
};

Timing timing(int rounds, const std::function<void()> &run)
{
    std::vector<double> times;
    for (int i = 0; i < rounds; ++i) {
        QElapsedTimer timer;
        timer.start();
        run();
        times.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    std::sort(times.begin(), times.end());
    return {times[times.size() / 2], times.back()};
}

double medianMs(int rounds, const std::function<void()> &run)
{
    return timing(rounds, run).median;
}

// The plain way: 160 samples per column, two gradient lines per column.
void scanAndDraw(QPainter *painter, const std::vector<qint16> &samples, qint64 x0, int n, double zoom, int waveHeight)
{
    const int centre = 5 + waveHeight / 2 + 30;
    for (qint64 x = x0; x < x0 + n; ++x) {
        const quint64 start = 160 * quint64(x / zoom);
        if (start >= samples.size())
            break;
        int top = centre - 1;
        int bottom = centre + 1;
        for (quint64 i = start; i < start + 160 && i < samples.size(); ++i) {
            const int y = int(samples[i] / 32768.0 * waveHeight * 0.5 + waveHeight * 0.5) + 35;
            if (y <= centre)
                top = std::min(top, y);
            else
                bottom = std::max(bottom, y);
        }
        for (int end : {bottom, top}) {
            QLinearGradient gradient(QPointF(x, centre), QPointF(x, end));
            gradient.setColorAt(0, QColor(255, 255, 255, 255));
            gradient.setColorAt(1, QColor(255, 255, 255, 20));
            painter->setPen(QPen(QBrush(gradient), 1));
            painter->drawLine(QPointF(x, centre), QPointF(x, end));
        }
    }
}

SubtitleEntries entries(int count)
{
    SubtitleEntries list(count);
    for (int i = 0; i < count; ++i) {
        list[i].startTime = millisecondsToTimeCode(qint64(i) * 700);
        list[i].endTime = millisecondsToTimeCode(qint64(i) * 700 + 600);
        list[i].text = toLocal8(QStringLiteral("第%1句字幕的文本").arg(i));
    }
    return list;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    AppState state;

    std::printf("building two hours of samples and their peaks...\n");
    const std::vector<qint16> samples = twoHours();
    auto peaks = std::make_shared<WavePeaks>(
        WavePeaks::fromSamples(reinterpret_cast<const char *>(samples.data()), SampleCount * 2));

    // 1. Background repaint of 1920 exposed columns in the middle of the audio.
    std::printf("\nrepaint of %d exposed columns (fill, ruler, waveform), median of 25:\n", Columns);
    QImage image(Columns, SceneHeight, QImage::Format_ARGB32_Premultiplied);
    for (double zoom : {0.25, 1.0, 2.5}) {
        timeScaleValue() = zoom;
        AudioScene scene(QSizeF(Columns, SceneHeight));
        scene.setPeaks(peaks);
        const double x0 = std::floor(scene.sceneRect().width() / 2);
        const QRectF exposed(x0, 0, Columns, SceneHeight);
        const double ours = medianMs(25, [&] {
            QPainter painter(&image);
            painter.translate(-x0, 0);
            scene.paintBackground(&painter, exposed);
        });
        const double plain = medianMs(5, [&] {
            QPainter painter(&image);
            painter.translate(-x0, 0);
            painter.fillRect(exposed, QColor(58, 60, 85));
            scanAndDraw(&painter, samples, qint64(x0), Columns, zoom, waveHeightFor(SceneHeight));
        });
        std::printf("  zoom %.2f: %6.2f ms; limit 5 ms (ratio %.2f); per-column scan with gradient lines %7.2f ms "
                    "(ratio %.3f)\n",
            zoom, ours, ours / 5.0, plain, ours / plain);
    }
    timeScaleValue() = 1.0;

    // 2. Rebuilding 5000 blocks: from none (5000 new items), for a list of
    // as many other entries (the items are reused), and for another file
    // opened (the list's own notice, snapshot included). Events run between
    // rounds, as they would between two rebuilds in the program.
    AudioWaveWidget widget;
    widget.resize(1280, SceneHeight);
    widget.show();
    QApplication::processEvents();
    const SubtitleEntries first = entries(5000);
    SubtitleEntries second = entries(5000);
    for (SubtitleEntry &entry : second)
        entry.startTime = millisecondsToTimeCode(timeCodeToMilliseconds(entry.startTime) + 100);
    currentSubtitleList().replaceDocument(first);
    const auto timed = [](const std::function<void()> &prepare, const std::function<void()> &run) {
        std::vector<double> times;
        for (int i = 0; i < 9; ++i) {
            prepare();
            QApplication::processEvents();
            QElapsedTimer timer;
            timer.start();
            run();
            times.push_back(double(timer.nsecsElapsed()) / 1e6);
        }
        std::sort(times.begin(), times.end());
        return times[times.size() / 2];
    };
    const double fromNone = timed([&] { widget.scene()->clearBlocks(); }, [&] { widget.slot_updateTimeBlock(); });
    const double reused = timed([] {}, [&] { widget.slot_updateTimeBlock(); });
    int flip = 0;
    const double opened = timed([] {}, [&] { currentSubtitleList().replaceDocument(++flip % 2 ? second : first); });
    std::printf("\nrebuild of %d blocks from none: %6.2f ms; limit 50 ms (ratio %.2f)\n", int(widget.blocks().size()),
        fromNone, fromNone / 50.0);
    std::printf("rebuild over as many blocks:    %6.2f ms (ratio %.2f); another file opened: %6.2f ms (ratio %.2f)\n",
        reused, reused / 50.0, opened, opened / 50.0);

    // 3. Position reports with 10000 blocks: the slot alone, and the slot
    // with the repaint it causes.
    currentSubtitleList().replaceDocument(entries(10000));
    AudioScene *scene = widget.scene();
    scene->setPeaks(peaks);
    scene->setLoaded(true);
    QApplication::processEvents();
    widget.view()->viewport()->repaint();
    int report = 0;
    const auto next = [&] {
        ++report;
        const double pos = 5000 + report * 10.0; // 100 ms steps at zoom 1
        const int entry = report / 7;
        scene->slot_noticePlayState(entry, pos, entry * 70.0 + 5000, entry * 70.0 + 5060);
    };
    // Reports 10 px apart: the band moves every 7th, the view scrolls now
    // and then; the slowest report is the one that scrolls.
    const Timing slot = timing(301, next);
    const Timing painted = timing(301, [&] {
        next();
        widget.view()->viewport()->repaint();
    });
    std::printf("\nposition report with %d blocks: median %7.4f ms, slowest %7.4f ms; limit 2 ms (ratios %.4f, %.4f)\n",
        int(widget.blocks().size()), slot.median, slot.slowest, slot.median / 2.0, slot.slowest / 2.0);
    std::printf("with the repaint it causes: median %7.4f ms, slowest %7.4f ms (ratios %.4f, %.4f)\n", painted.median,
        painted.slowest, painted.median / 2.0, painted.slowest / 2.0);

    // 4. The pointer moving over the blocks (hover tracking walks them).
    int step = 0;
    const double hoverMs = medianMs(201, [&] {
        QGraphicsSceneMouseEvent move(QEvent::GraphicsSceneMouseMove);
        const QPointF at(5000 + (++step % 500), 100);
        move.setScenePos(at);
        move.setScreenPos(at.toPoint());
        move.setButtons(Qt::NoButton);
        QApplication::sendEvent(scene, &move);
    });
    std::printf("pointer move over %d blocks: %7.4f ms\n", int(widget.blocks().size()), hoverMs);
    return 0;
}
