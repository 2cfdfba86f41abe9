// The three-step extraction of a 10-minute stereo 44.1 kHz file against one
// direct ffmpeg command doing the same resampling.
#include "audio/AudioExtraction.h"
#include "audio/ToolRunner.h"
#include "audio/WavFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <cstdio>
#include <functional>

namespace {

constexpr int Rounds = 3;

double secondsOf(const std::function<void()> &run)
{
    QElapsedTimer timer;
    timer.start();
    run();
    return double(timer.nsecsElapsed()) / 1e9;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QString ffmpeg = ffmpegProgramPath();
    if (ffmpeg.isEmpty()) {
        std::fprintf(stderr, "ffmpeg not found\n");
        return 1;
    }
    QTemporaryDir dir;
    const QString source = dir.filePath("lecture.wav");
    // Quiet speech-band noise, so the volume step runs as it does for speech.
    int exitCode = -1;
    runProgram(ffmpeg,
               {"-nostdin", "-y", "-f", "lavfi", "-i", "anoisesrc=color=pink:amplitude=0.2:sample_rate=44100:duration=600",
                "-ac", "2", source},
               dir.path(), &exitCode);
    {
        WavFile check;
        if (exitCode != 0 || !check.Load(source)) {
            std::fprintf(stderr, "cannot generate the source\n");
            return 1;
        }
        std::printf("source: 10 min, %u Hz, %u channels, %u bytes of samples\n", check.head().sampleRate,
                    check.head().channels, check.dataSize());
    }

    const QString threeStepOutput = dir.filePath("three.wav");
    const QString directOutput = dir.filePath("direct.wav");
    double bestThree = 1e9, bestDirect = 1e9;
    for (int round = 0; round < Rounds; ++round) {
        bestThree = qMin(bestThree, secondsOf([&] { convertToWav(source, threeStepOutput, dir.path()); }));
        bestDirect = qMin(bestDirect, secondsOf([&] {
                              runToolCommand(resampleArguments(source, directOutput), dir.path());
                          }));
    }
    const auto gain = normalisationGain(directOutput);
    std::printf("best of %d:\n", Rounds);
    std::printf("  three-step conversion (copy, resample, volume %s): %6.2f s\n",
                gain ? qPrintable(formatGain(*gain)) : "none", bestThree);
    std::printf("  one direct resampling command                     : %6.2f s\n", bestDirect);
    std::printf("  ratio three-step / direct                          : %6.2f\n", bestThree / bestDirect);
    return 0;
}
