#pragma once

#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QStringList>

// Generates short test media with the real ffmpeg (lavfi sources).
inline bool ffmpegAvailable()
{
    return !QStandardPaths::findExecutable("ffmpeg").isEmpty();
}

inline bool runFfmpeg(const QStringList &arguments)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start("ffmpeg", QStringList{"-nostdin", "-loglevel", "error", "-y"} + arguments);
    return process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

// A sine tone; `volume` scales it (the source peaks near 1/8 of full scale).
inline bool makeTone(const QString &path, double seconds, int rate, int channels, double volume = 1.0)
{
    return runFfmpeg({"-f", "lavfi", "-i", QString("sine=frequency=440:duration=%1:sample_rate=%2").arg(seconds).arg(rate),
                      "-af", QString("volume=%1").arg(volume), "-ac", QString::number(channels), path});
}

inline bool makeSilence(const QString &path, double seconds)
{
    return runFfmpeg({"-f", "lavfi", "-i", QString("anullsrc=r=44100:cl=stereo"), "-t", QString::number(seconds), path});
}

// Two audio tracks, as in a film with a second language.
inline bool makeTwoTrackAudio(const QString &path, double seconds)
{
    return runFfmpeg({"-f", "lavfi", "-i", QString("sine=frequency=300:duration=%1").arg(seconds), "-f", "lavfi",
                      "-i", QString("sine=frequency=500:duration=%1").arg(seconds), "-map", "0", "-map", "1", "-c:a",
                      "aac", path});
}

inline bool makeVideo(const QString &path, double seconds)
{
    return runFfmpeg({"-f", "lavfi", "-i", QString("testsrc=duration=%1:size=128x96:rate=10").arg(seconds), "-f", "lavfi",
                      "-i", QString("sine=frequency=300:duration=%1").arg(seconds), "-shortest", "-c:v", "mpeg4", "-c:a",
                      "aac", path});
}
