#include "audio/ToolProgress.h"

#include "audio/ToolRunner.h"

#include <QFileInfo>
#include <QProcess>
#include <cerrno>
#include <cstdio>

namespace {

constexpr int PollMs = 100;

// "HH:MM:SS.fraction" → ms; none when it does not read.
std::optional<qint64> parseClock(const QByteArray &text)
{
    const QList<QByteArray> parts = text.trimmed().split(':');
    if (parts.size() != 3)
        return std::nullopt;
    bool okHours = false;
    bool okMinutes = false;
    bool okSeconds = false;
    const qint64 hours = parts[0].toLongLong(&okHours);
    const qint64 minutes = parts[1].toLongLong(&okMinutes);
    const double seconds = parts[2].toDouble(&okSeconds);
    if (!okHours || !okMinutes || !okSeconds || hours < 0 || minutes < 0 || seconds < 0)
        return std::nullopt;
    return (hours * 3600 + minutes * 60) * 1000 + qint64(seconds * 1000.0 + 0.5);
}

// Feeds complete lines of `chunk` to `onLine`, keeping a partial last line.
template <typename OnLine>
void splitLines(QByteArray &pending, const QByteArray &chunk, OnLine onLine)
{
    pending += chunk;
    int start = 0;
    for (int end = pending.indexOf('\n'); end >= 0; end = pending.indexOf('\n', start)) {
        onLine(pending.mid(start, end - start));
        start = end + 1;
    }
    pending.remove(0, start);
    // ffmpeg's log rewrites one line with carriage returns; keep it bounded.
    if (pending.size() > 65536)
        pending.clear();
}

} // namespace

std::optional<qint64> parseDurationLine(const QByteArray &line)
{
    const QByteArray key = "Duration:";
    const int at = line.indexOf(key);
    if (at < 0)
        return std::nullopt;
    QByteArray rest = line.mid(at + key.size()).trimmed();
    const int comma = rest.indexOf(',');
    if (comma >= 0)
        rest.truncate(comma);
    return parseClock(rest);
}

std::optional<qint64> parseProgressLine(const QByteArray &line)
{
    const QByteArray key = "out_time=";
    const QByteArray trimmed = line.trimmed();
    if (!trimmed.startsWith(key))
        return std::nullopt;
    return parseClock(trimmed.mid(key.size()));
}

QStringList withProgressOutput(const QStringList &arguments)
{
    return QStringList{QStringLiteral("-progress"), QStringLiteral("pipe:1"), QStringLiteral("-nostats")} + arguments;
}

ToolRunOutcome runToolWithProgress(const QStringList &arguments, const QString &workingDirectory,
                                   const ToolRunControl &control, int *exitCode)
{
    const QString program = ffmpegProgramPath();
    QProcess process;
    process.setProgram(program);
    process.setArguments(withProgressOutput(arguments));
    if (!workingDirectory.isEmpty())
        process.setWorkingDirectory(workingDirectory);
    process.setStandardInputFile(QProcess::nullDevice());
    if (!program.isEmpty())
        process.start();
    if (program.isEmpty() || !process.waitForStarted(-1)) {
        const int number = program.isEmpty() || !QFileInfo::exists(program) ? ENOENT : EACCES;
        std::printf("CreateProcess [%s]failed (%d).\n",
                    toolCommandLine(program.isEmpty() ? QStringLiteral("ffmpeg") : program, arguments)
                        .toLocal8Bit()
                        .constData(),
                    number);
        std::fflush(stdout);
        return ToolRunOutcome::NotStarted;
    }

    qint64 totalMs = 0;
    QByteArray pendingOut;
    QByteArray pendingErr;
    const auto drain = [&] {
        splitLines(pendingErr, process.readAllStandardError(), [&](const QByteArray &line) {
            if (totalMs == 0)
                totalMs = parseDurationLine(line).value_or(0);
        });
        splitLines(pendingOut, process.readAllStandardOutput(), [&](const QByteArray &line) {
            const auto doneMs = parseProgressLine(line);
            if (doneMs && control.progress)
                control.progress(*doneMs, totalMs);
        });
    };
    while (process.state() != QProcess::NotRunning) {
        if (control.cancel && control.cancel->load()) {
            process.kill();
            process.waitForFinished(-1);
            return ToolRunOutcome::Cancelled;
        }
        process.waitForReadyRead(PollMs);
        drain();
    }
    process.waitForFinished(-1);
    drain();
    if (exitCode)
        *exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return ToolRunOutcome::Finished;
}
