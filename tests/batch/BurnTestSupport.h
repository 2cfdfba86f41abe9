#pragma once

#include "audio/ToolRunner.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QString>
#include <QStringList>
#include <functional>

#include <sys/types.h>

#include <csignal>
#include <unistd.h>

// Small clips made with the real ffmpeg: a test pattern with a tone.
inline bool makeClip(const QString &path, int seconds, const QString &codec = QStringLiteral("libx264"))
{
    int exitCode = -1;
    return runProgram(ffmpegProgramPath(),
                      {"-hide_banner", "-loglevel", "error", "-y", "-f", "lavfi", "-i",
                       QStringLiteral("testsrc=size=320x240:rate=25:duration=%1").arg(seconds), "-f", "lavfi", "-i",
                       QStringLiteral("sine=frequency=440:duration=%1").arg(seconds), "-c:v", codec, "-preset",
                       "ultrafast", "-c:a", "aac", "-shortest", path},
                      QString(), &exitCode)
           && exitCode == 0;
}

inline void writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(bytes);
}

inline QByteArray chineseSrt()
{
    return QStringLiteral("1\r\n00:00:00,000 --> 00:00:01,800\r\n第一句字幕\r\n\r\n").toUtf8();
}

inline bool waitFor(const std::function<bool()> &done, int milliseconds)
{
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > milliseconds)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

// The ffmpeg this process started, found by its parent id.
inline pid_t childFfmpeg()
{
    const QDir proc(QStringLiteral("/proc"));
    for (const QString &entry : proc.entryList(QDir::Dirs)) {
        QFile stat(proc.filePath(entry + QStringLiteral("/stat")));
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        const QByteArray text = stat.readAll();
        const int close = text.lastIndexOf(')');
        const QList<QByteArray> fields = text.mid(close + 2).split(' ');
        if (text.contains("(ffmpeg)") && fields.size() > 1 && fields.at(1).toLongLong() == ::getpid())
            return pid_t(entry.toLongLong());
    }
    return 0;
}
