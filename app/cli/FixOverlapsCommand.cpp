#include "CliCommands.h"
#include "CliOutput.h"
#include "CliSubtitleFiles.h"

#include "subtitle/TimingOperations.h"

namespace {

struct FixOverlapsRequest
{
    QString input;
    SubtitleOutput output;
    int mode = KeepStarts;
};

bool parseFixOverlapsArguments(const QStringList &arguments, FixOverlapsRequest &request, QString &problem)
{
    CliArguments parsed;
    if (!parseCliArguments(arguments, {QStringLiteral("mode"), QStringLiteral("encoding")}, parsed, problem))
        return false;
    if (parsed.positional.size() != 2) {
        problem = QStringLiteral("fix-overlaps needs INPUT and OUTPUT");
        return false;
    }
    request.input = parsed.positional[0];
    return parseOverlapModeOption(parsed, QString(), request.mode, problem)
           && parseSubtitleOutput(parsed.positional[1], parsed, request.output, problem);
}

} // namespace

// Scans and resolves the overlapping pairs as the editor's overlap removal does.
int runFixOverlapsCommand(const QStringList &arguments)
{
    return runOnSubtitleInput<FixOverlapsRequest>(
        arguments, parseFixOverlapsArguments, [](const FixOverlapsRequest &request, SubtitleEntries &entries) {
            OverlapPairs pairs = scanOverlaps(entries);
            const int found = pairs.size();
            resolveOverlaps(entries, pairs, request.mode);
            const int written = writeSubtitleOutput(entries, request.output);
            if (written == ExitOk)
                printLine(QStringLiteral("overlapping pairs resolved: %1").arg(found));
            return written;
        });
}
