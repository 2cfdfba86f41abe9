#include "CliSubtitleFiles.h"

#include "CliOutput.h"

#include "subtitle/SubtitleFileOpener.h"
#include "subtitle/TimingOperations.h"

#include <QFileInfo>

bool parseSubtitleOutput(const QString &path, const CliArguments &arguments, SubtitleOutput &output,
                         QString &problem)
{
    output.path = path;
    if (!subtitleFormatFromSuffix(QFileInfo(path).suffix(), &output.format)) {
        problem = QStringLiteral("unsupported output format: %1 (use srt, ass, vtt, lrc or txt)").arg(path);
        return false;
    }
    const QString requested = arguments.value(QStringLiteral("encoding"), output.encoding);
    for (const QString &name : exportCodecNames()) {
        if (name.compare(requested, Qt::CaseInsensitive) == 0) {
            output.encoding = name;
            return true;
        }
    }
    problem = QStringLiteral("unknown encoding: %1 (use %2)").arg(requested, exportCodecNames().join(QLatin1Char('|')));
    return false;
}

bool parseOverlapModeOption(const CliArguments &arguments, const QString &fallback, int &mode,
                            QString &problem)
{
    const QString name = arguments.value(QStringLiteral("mode"), fallback);
    if (name == QLatin1String("start"))
        mode = KeepStarts;
    else if (name == QLatin1String("end"))
        mode = KeepEnds;
    else if (name == QLatin1String("average"))
        mode = MeetHalfway;
    else if (name.isEmpty())
        problem = QStringLiteral("--mode is needed: start, end or average");
    else
        problem = QStringLiteral("unknown mode: %1 (use start, end or average)").arg(name);
    return problem.isEmpty();
}

int readSubtitleInput(const QString &input, SubtitleEntries &entries)
{
    // No scratch copy: nothing is written back to the input.
    SubtitleFileOpenResult opened = readSubtitleFile(input, QString());
    switch (opened.status) {
    case SubtitleOpenStatus::Opened:
        entries = std::move(opened.entries);
        return ExitOk;
    case SubtitleOpenStatus::UnsupportedSuffix:
        printErrorLine(QStringLiteral("文本格式不支持！"));
        return ExitUsage;
    case SubtitleOpenStatus::Unreadable:
        printErrorLine(QStringLiteral("cannot read %1").arg(input));
        return ExitUsage;
    case SubtitleOpenStatus::LineTooLong:
        printErrorLine(QStringLiteral("字幕文本中存在行内容过长，需作断行处理，然后重新开始！"));
        return ExitUsage;
    }
    return ExitUsage;
}

int writeSubtitleOutput(const SubtitleEntries &entries, const SubtitleOutput &output)
{
    if (!writeSubtitleFile(output.format, entries, output.path, output.encoding, output.path)) {
        printErrorLine(QStringLiteral("cannot write %1").arg(output.path));
        return ExitFailed;
    }
    return ExitOk;
}
