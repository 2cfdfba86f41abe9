// A 720p burn with burnt-in subtitles through BurnRunner against the same
// arguments run directly with ffmpeg in the same run: the time ratio, and
// how often and how early progress arrives. Seconds of video: argv[1] (60).
#include "audio/BurnCommand.h"
#include "audio/BurnRunner.h"
#include "audio/ToolRunner.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int seconds = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 60;
    QTemporaryDir dir;
    const QString input = dir.filePath(QStringLiteral("lecture.mp4"));
    const QString srt = dir.filePath(QStringLiteral("lecture.srt"));
    int exitCode = -1;
    if (!runProgram(ffmpegProgramPath(),
                    {"-hide_banner", "-loglevel", "error", "-f", "lavfi", "-i",
                     QStringLiteral("testsrc2=size=1280x720:rate=25:duration=%1").arg(seconds), "-f", "lavfi", "-i",
                     QStringLiteral("sine=frequency=300:duration=%1").arg(seconds), "-c:v", "libx264", "-preset",
                     "ultrafast", "-c:a", "aac", "-shortest", input},
                    QString(), &exitCode)
        || exitCode != 0) {
        std::fprintf(stderr, "could not make the %d s clip\n", seconds);
        return 1;
    }
    QByteArray subtitles;
    for (int i = 0; i < seconds / 2; ++i)
        subtitles += QStringLiteral("%1\r\n00:%2:%3,000 --> 00:%2:%4,500\r\n第%1句字幕 line %1\r\n\r\n")
                         .arg(i + 1)
                         .arg(i * 2 / 60, 2, 10, QLatin1Char('0'))
                         .arg(i * 2 % 60, 2, 10, QLatin1Char('0'))
                         .arg(i * 2 % 60 + 1, 2, 10, QLatin1Char('0'))
                         .toUtf8();
    QFile file(srt);
    file.open(QIODevice::WriteOnly);
    file.write(subtitles);
    file.close();

    BurnSettings settings;
    settings.inputPath = input;
    settings.subtitlePath = srt;

    // Directly: the same arguments, one process, nothing read.
    settings.outputPath = dir.filePath(QStringLiteral("direct.mp4"));
    QElapsedTimer clock;
    clock.start();
    QProcess direct;
    direct.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    direct.setStandardOutputFile(QProcess::nullDevice());
    direct.start(ffmpegProgramPath(), QStringList{"-nostdin", "-hide_banner", "-loglevel", "error"}
                                          + burnArguments(settings));
    if (!direct.waitForFinished(-1) || direct.exitCode() != 0) {
        std::fprintf(stderr, "the direct burn failed\n");
        return 1;
    }
    const double directSeconds = clock.nsecsElapsed() / 1e9;

    // Through the runner, with its progress.
    settings.outputPath = dir.filePath(QStringLiteral("runner.mp4"));
    BurnRunner runner;
    QVector<double> reports;
    double hundredAt = -1;
    double endedAt = -1;
    bool succeeded = false;
    QEventLoop loop;
    QObject::connect(&runner, &BurnRunner::progress, [&](const QString &, int percent, double, double) {
        const double now = clock.nsecsElapsed() / 1e9;
        if (percent >= 100)
            hundredAt = now;
        else
            reports.append(now);
    });
    QObject::connect(&runner, &BurnRunner::finished, [&](const QString &, BurnOutcome outcome, const QString &) {
        endedAt = clock.nsecsElapsed() / 1e9;
        succeeded = outcome == BurnOutcome::Succeeded;
        loop.quit();
    });
    clock.restart();
    if (!runner.start(QStringLiteral("bench"), input, burnArguments(settings)))
        return 1;
    loop.exec();
    const double runnerSeconds = endedAt;
    if (!succeeded || reports.isEmpty()) {
        std::fprintf(stderr, "the runner's burn failed\n");
        return 1;
    }
    double longestGap = reports.first();
    for (int i = 1; i < reports.size(); ++i)
        longestGap = std::max(longestGap, reports[i] - reports[i - 1]);
    longestGap = std::max(longestGap, hundredAt - reports.last());

    std::printf("burn of %d s 1280x720 with subtitles (-preset slower)\n", seconds);
    std::printf("  direct ffmpeg            %8.2f s\n", directSeconds);
    std::printf("  through BurnRunner       %8.2f s   ratio %.3f (limit 1.03)\n", runnerSeconds,
                runnerSeconds / directSeconds);
    std::printf("  progress reports         %8d     %.2f per second\n", int(reports.size()),
                reports.size() / runnerSeconds);
    std::printf("  first report after       %8.2f s   (limit 1.5)\n", reports.first());
    std::printf("  longest gap              %8.2f s   (limit 1.0)\n", longestGap);
    std::printf("  100 %% after the last     %8.2f s   (limit 0.5)\n", hundredAt - reports.last());
    return 0;
}
