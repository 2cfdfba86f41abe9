#pragma once

#include "CliArguments.h"
#include "CliOutput.h"

#include "subtitle/SubtitleEntry.h"
#include "subtitle/SubtitleWriters.h"

#include <QString>

// Where and how a command writes its subtitles: the format follows the
// file's suffix, the encoding the --encoding option (SRT, TXT, LRC only).
struct SubtitleOutput
{
    QString path;
    SubtitleFormat format = SubtitleFormat::Srt;
    QString encoding = QStringLiteral("GBK");
};

// Checks OUTPUT's suffix and the --encoding option; prints why not.
bool parseSubtitleOutput(const QString &path, const CliArguments &arguments, SubtitleOutput &output,
                         QString &problem);

// "start", "end" or "average" of --mode: the overlap modes "起始优先",
// "结束优先" and "平均划分". `fallback` when the option is absent, if any.
bool parseOverlapModeOption(const CliArguments &arguments, const QString &fallback, int &mode,
                            QString &problem);

// Reads INPUT as the editor opens it. Returns an exit code, having printed
// why when it is not ExitOk.
int readSubtitleInput(const QString &input, SubtitleEntries &entries);

// Writes with the writer the format names; returns an exit code.
int writeSubtitleOutput(const SubtitleEntries &entries, const SubtitleOutput &output);

// The shape of every command that works on one subtitle file: parse the
// arguments into a Request (which names its `input`), read that file, then
// run `work(request, entries)`. Usage errors and unreadable input end it with
// their exit codes.
template <typename Request, typename Parse, typename Work>
int runOnSubtitleInput(const QStringList &arguments, Parse parse, Work work)
{
    Request request;
    QString problem;
    if (!parse(arguments, request, problem)) {
        printErrorLine(problem);
        return ExitUsage;
    }
    SubtitleEntries entries;
    const int readResult = readSubtitleInput(request.input, entries);
    if (readResult != ExitOk)
        return readResult;
    return work(request, entries);
}
