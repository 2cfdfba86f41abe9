#include "CliCommands.h"
#include "CliOutput.h"
#include "CliSubtitleFiles.h"

#include "subtitle/TimingOperations.h"

namespace {

struct ShiftRequest
{
    QString input;
    SubtitleOutput output;
    int startShiftMs = 0;
    int endShiftMs = 0;
    int mode = KeepStarts;
};

bool parseShiftArguments(const QStringList &arguments, ShiftRequest &request, QString &problem)
{
    CliArguments parsed;
    const QStringList options = {QStringLiteral("start"), QStringLiteral("end"), QStringLiteral("mode"),
                                 QStringLiteral("encoding")};
    if (!parseCliArguments(arguments, options, parsed, problem))
        return false;
    if (parsed.positional.size() != 2 || !parsed.has(QStringLiteral("start")) || !parsed.has(QStringLiteral("end"))) {
        problem = QStringLiteral("shift needs INPUT, OUTPUT, --start MS and --end MS");
        return false;
    }
    request.input = parsed.positional[0];
    return parseIntOption(parsed, QStringLiteral("start"), request.startShiftMs, problem)
           && parseIntOption(parsed, QStringLiteral("end"), request.endShiftMs, problem)
           && parseOverlapModeOption(parsed, QStringLiteral("start"), request.mode, problem)
           && parseSubtitleOutput(parsed.positional[1], parsed, request.output, problem);
}

} // namespace

// Moves every start and end as the editor's boundary adjustment does, then
// repairs the overlaps that made with the chosen mode.
int runShiftCommand(const QStringList &arguments)
{
    return runOnSubtitleInput<ShiftRequest>(
        arguments, parseShiftArguments, [](const ShiftRequest &request, SubtitleEntries &entries) {
            OverlapPairs pairs;
            shiftBoundaries(entries, pairs, request.startShiftMs, request.endShiftMs, request.mode);
            return writeSubtitleOutput(entries, request.output);
        });
}
