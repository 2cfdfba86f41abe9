#include "CliCommands.h"
#include "CliOutput.h"
#include "CliSubtitleFiles.h"

namespace {

bool parseConvertArguments(const QStringList &arguments, CliArguments &parsed, SubtitleOutput &output,
                           QString &problem)
{
    if (!parseCliArguments(arguments, {QStringLiteral("encoding")}, parsed, problem))
        return false;
    if (parsed.positional.size() != 2) {
        problem = QStringLiteral("convert needs INPUT and OUTPUT");
        return false;
    }
    return parseSubtitleOutput(parsed.positional[1], parsed, output, problem);
}

} // namespace

int runConvertCommand(const QStringList &arguments)
{
    CliArguments parsed;
    SubtitleOutput output;
    QString problem;
    if (!parseConvertArguments(arguments, parsed, output, problem)) {
        printErrorLine(problem);
        return ExitUsage;
    }

    SubtitleEntries entries;
    const int readResult = readSubtitleInput(parsed.positional[0], entries);
    if (readResult != ExitOk)
        return readResult;
    return writeSubtitleOutput(entries, output);
}
