#pragma once

#include <QByteArray>
#include <QStringList>
#include <atomic>
#include <functional>
#include <optional>

// ffmpeg runs that say how far they are: "-progress pipe:1" lines on
// standard output measured against the "Duration:" its log names.

// "  Duration: 00:01:02.50, start: ..." → 62500 ms; none for "N/A" or any other line.
std::optional<qint64> parseDurationLine(const QByteArray &line);

// "out_time=00:00:05.120000" → 5120 ms; none for other keys and for the
// negative times ffmpeg prints before its first packet.
std::optional<qint64> parseProgressLine(const QByteArray &line);

// The arguments with the progress output asked for in front.
QStringList withProgressOutput(const QStringList &arguments);

struct ToolRunControl
{
    // Time written so far against the input's duration (0 while unknown).
    std::function<void(qint64 doneMs, qint64 totalMs)> progress;
    const std::atomic<bool> *cancel = nullptr; // kills the run when set
};

enum class ToolRunOutcome { Finished, NotStarted, Cancelled };

// Runs ffmpeg with withProgressOutput(arguments) (found as ToolRunner finds
// it; never through a shell) and waits, reading its output as it comes so
// neither pipe can fill. A run that cannot start prints ToolRunner's
// "CreateProcess [...]failed" line with the arguments as given.
ToolRunOutcome runToolWithProgress(const QStringList &arguments, const QString &workingDirectory,
                                   const ToolRunControl &control, int *exitCode = nullptr);
