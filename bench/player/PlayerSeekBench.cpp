// Paused exact seeks in a 60 s 640x360 H.264 file with a key frame every
// 10 s, so a seek decodes up to 250 frames from the key frame before it.
// Prints the median against the 100 ms limit, and beside it the median of
// seeks onto key frames of the same file (the player's fixed cost).
// Runs on the offscreen platform unless one is set; no picture, no sound.
#include "views/MediaPlayer.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <clocale>
#include <cstdio>
#include <random>
#include <vector>

namespace {

constexpr int Seeks = 20;
constexpr double LimitMs = 100;

bool makeClip(const QString &path)
{
    QProcess ffmpeg;
    ffmpeg.setProcessChannelMode(QProcess::MergedChannels);
    ffmpeg.start(QStringLiteral("ffmpeg"),
        {QStringLiteral("-hide_banner"), QStringLiteral("-loglevel"), QStringLiteral("error"), QStringLiteral("-y"),
            QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
            QStringLiteral("testsrc=size=640x360:rate=25"), QStringLiteral("-f"), QStringLiteral("lavfi"),
            QStringLiteral("-i"), QStringLiteral("sine=frequency=440:sample_rate=44100"), QStringLiteral("-t"),
            QStringLiteral("60"), QStringLiteral("-c:v"), QStringLiteral("libx264"), QStringLiteral("-pix_fmt"),
            QStringLiteral("yuv420p"), QStringLiteral("-g"), QStringLiteral("250"), QStringLiteral("-keyint_min"),
            QStringLiteral("250"), QStringLiteral("-sc_threshold"), QStringLiteral("0"), QStringLiteral("-c:a"),
            QStringLiteral("aac"), path});
    if (!ffmpeg.waitForFinished(300000) || ffmpeg.exitStatus() != QProcess::NormalExit || ffmpeg.exitCode() != 0) {
        std::fprintf(stderr, "ffmpeg failed: %s\n", ffmpeg.readAll().constData());
        return false;
    }
    return true;
}

// Runs the event loop until `signal` comes or 10 s pass.
template <typename Signal> bool waitFor(MediaPlayer &player, Signal signal)
{
    QEventLoop loop;
    QTimer::singleShot(10000, &loop, [&loop] { loop.exit(1); });
    QObject::connect(&player, signal, &loop, [&loop] { loop.exit(0); });
    return loop.exec() == 0;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

struct Run
{
    std::vector<double> ms;
    int missed = 0; // landed elsewhere than asked
};

bool seekAll(MediaPlayer &player, const std::vector<qint64> &targets, Run &run)
{
    for (const qint64 target : targets) {
        QElapsedTimer timer;
        timer.start();
        if (!player.seek(target) || !waitFor(player, &MediaPlayer::seekFinished))
            return false;
        run.ms.push_back(timer.nsecsElapsed() / 1e6);
        // A 25-frame clip: an exact seek shows the first frame at or after it.
        if (player.position() < target || player.position() >= target + 40)
            ++run.missed;
    }
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");

    QTemporaryDir dir;
    const QString clip = dir.filePath(QStringLiteral("lecture.mp4"));
    if (!dir.isValid() || !makeClip(clip))
        return 1;

    MediaPlayer::Options options;
    options.nullVideo = true;
    options.nullAudio = true;
    MediaPlayer player(options);
    QString error;
    if (!player.play(clip, true, &error) || !waitFor(player, &MediaPlayer::started)) {
        std::fprintf(stderr, "cannot play: %s\n", qPrintable(error));
        return 1;
    }

    std::mt19937 random(20240607);
    // Never within the first second after a key frame, so each seek decodes.
    std::uniform_int_distribution<int> offset(1000, 9960);
    std::uniform_int_distribution<int> group(0, 5);
    std::vector<qint64> exact;
    std::vector<qint64> keyFrames;
    for (int i = 0; i < Seeks; ++i) {
        exact.push_back(group(random) * 10000 + offset(random) / 40 * 40);
        keyFrames.push_back(group(random) * 10000);
    }
    Run warmUp;
    Run exactRun;
    Run keyRun;
    if (!seekAll(player, {30000, 45000}, warmUp) || !seekAll(player, exact, exactRun)
        || !seekAll(player, keyFrames, keyRun)) {
        std::fprintf(stderr, "a seek did not finish\n");
        return 1;
    }

    const double exactMedian = median(exactRun.ms);
    const double keyMedian = median(keyRun.ms);
    std::printf("paused exact seek, 640x360 H.264, key frame every 10 s, %d seeks:\n", Seeks);
    std::printf("  median %.1f ms (min %.1f, max %.1f), %d landed off target\n", exactMedian,
        *std::min_element(exactRun.ms.begin(), exactRun.ms.end()),
        *std::max_element(exactRun.ms.begin(), exactRun.ms.end()), exactRun.missed);
    std::printf("  against the %.0f ms limit: ratio %.2f (%s)\n", LimitMs, exactMedian / LimitMs,
        exactMedian <= LimitMs ? "within" : "OVER");
    std::printf("peer: seek onto a key frame, same file: median %.1f ms; exact / key frame: %.1f\n", keyMedian,
        exactMedian / keyMedian);
    return 0;
}
