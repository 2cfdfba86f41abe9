#pragma once

#include <QString>

// What one chunk of ffmpeg's console output says about a running encode.
// Fields stay at -1 when the chunk does not tell them.
struct FfmpegProgress
{
    qint64 frame = -1;
    double seconds = -1; // "time=", position in the output
    double speed = -1;   // "speed=", media seconds per wall second
    bool isProgressLine() const { return frame >= 0 || seconds >= 0; }
};

// Reads the newest "frame= ... time= ... speed=" report in `chunk`; ffmpeg
// ends them with a carriage return, so one read may hold several.
FfmpegProgress parseFfmpegProgress(const QString &chunk);

// Percentage of `frame` out of `totalFrames`, kept at 99 until the run ends;
// -1 when the total is unknown.
int framePercent(qint64 frame, qint64 totalFrames);

// The same from the output position, for inputs without a frame count.
int timePercent(double seconds, double totalSeconds);

// Seconds still to go at the reported speed; -1 when it cannot be told.
double remainingSeconds(double doneSeconds, double totalSeconds, double speed);

// The last line that reads like an error, for a failed run's reason.
QString lastErrorLine(const QString &output);
