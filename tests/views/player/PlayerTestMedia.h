#pragma once

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QString>
#include <QStringList>

// Media for the player tests, made with ffmpeg into a folder of the test's.
namespace PlayerTestMedia {

// Runs ffmpeg with `inputs`, writing `name` in `folder`; "" when it failed.
inline QString make(const QString &folder, const QString &name, const QStringList &inputs)
{
    const QString path = QDir(folder).filePath(name);
    QProcess ffmpeg;
    ffmpeg.setProcessChannelMode(QProcess::MergedChannels);
    ffmpeg.start(QStringLiteral("ffmpeg"),
        QStringList {
            QStringLiteral("-hide_banner"), QStringLiteral("-loglevel"), QStringLiteral("error"), QStringLiteral("-y")}
            + inputs + QStringList {path});
    if (!ffmpeg.waitForFinished(60000) || ffmpeg.exitStatus() != QProcess::NormalExit || ffmpeg.exitCode() != 0) {
        qWarning("ffmpeg failed: %s", ffmpeg.readAll().constData());
        return QString();
    }
    return path;
}

// 640x360 test pattern at 25 frames a second with a 440 Hz tone.
inline QString clip(const QString &folder, int seconds = 10, const QString &name = QStringLiteral("talk.mp4"),
    const QStringList &videoOptions = {})
{
    return make(folder, name,
        QStringList {QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
            QStringLiteral("testsrc=size=640x360:rate=25"), QStringLiteral("-f"), QStringLiteral("lavfi"),
            QStringLiteral("-i"), QStringLiteral("sine=frequency=440:sample_rate=44100"), QStringLiteral("-t"),
            QString::number(seconds), QStringLiteral("-c:v"), QStringLiteral("libx264"), QStringLiteral("-preset"),
            QStringLiteral("ultrafast"), QStringLiteral("-pix_fmt"), QStringLiteral("yuv420p")}
            + videoOptions + QStringList {QStringLiteral("-c:a"), QStringLiteral("aac")});
}

// 10 s of 16 kHz mono tone.
inline QString tone(const QString &folder)
{
    return make(folder, QStringLiteral("tone.wav"),
        {QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
            QStringLiteral("sine=frequency=440:sample_rate=16000"), QStringLiteral("-t"), QStringLiteral("10"),
            QStringLiteral("-ac"), QStringLiteral("1")});
}

// A file named like a video that holds no media at all.
inline QString garbage(const QString &folder)
{
    const QString path = QDir(folder).filePath(QStringLiteral("broken.mp4"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return QString();
    file.write("this is not a video\n");
    return path;
}

} // namespace PlayerTestMedia
