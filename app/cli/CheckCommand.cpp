#include "CliCommands.h"
#include "CliOutput.h"
#include "CliSubtitleFiles.h"

#include "project/Settings.h"
#include "subtitle/SubtitleCheck.h"

#include <cmath>

namespace {

struct CheckRequest
{
    QString input;
    ReadingLimits limits;
};

bool parseMaxCps(const CliArguments &arguments, double &value, QString &problem)
{
    if (!arguments.has(QStringLiteral("max-cps")))
        return true;
    bool ok = false;
    const double parsed = arguments.value(QStringLiteral("max-cps")).toDouble(&ok);
    if (!ok || !(parsed > 0)) {
        problem = QStringLiteral("--max-cps needs a number above 0");
        return false;
    }
    value = parsed;
    return true;
}

bool parseMaxChars(const CliArguments &arguments, int &value, QString &problem)
{
    if (!arguments.has(QStringLiteral("max-chars")))
        return true;
    int parsed = 0;
    if (!parseIntOption(arguments, QStringLiteral("max-chars"), parsed, problem))
        return false;
    if (parsed <= 0) {
        problem = QStringLiteral("--max-chars needs a number above 0");
        return false;
    }
    value = parsed;
    return true;
}

// The limits the editor uses (its settings file), unless given here.
bool parseCheckArguments(const QStringList &arguments, CheckRequest &request, QString &problem)
{
    CliArguments parsed;
    if (!parseCliArguments(arguments, {QStringLiteral("max-cps"), QStringLiteral("max-chars")}, parsed, problem))
        return false;
    if (parsed.positional.size() != 1) {
        problem = QStringLiteral("check needs INPUT");
        return false;
    }
    request.input = parsed.positional[0];
    request.limits = readingLimitsFrom(readSetting);
    return parseMaxCps(parsed, request.limits.maxCharsPerSecond, problem)
           && parseMaxChars(parsed, request.limits.maxLineLength, problem);
}

QString describe(const SubtitleFinding &finding, const ReadingLimits &limits)
{
    switch (finding.kind) {
    case SubtitleFinding::Overlap:
        return QStringLiteral("overlaps the next entry");
    case SubtitleFinding::LineTooLong:
        return QStringLiteral("line of %1 characters (limit %2)").arg(finding.value).arg(limits.maxLineLength);
    case SubtitleFinding::TooFast:
        if (std::isinf(finding.value))
            return QStringLiteral("text shown for no time");
        return QStringLiteral("%1 characters per second (limit %2)")
            .arg(finding.value, 0, 'f', 1)
            .arg(limits.maxCharsPerSecond);
    case SubtitleFinding::EmptyText:
        return QStringLiteral("empty text");
    }
    return QString();
}

// "<number> <start> --> <end>: <finding>", numbered as the exporters number entries.
QString findingLine(const SubtitleEntries &entries, const SubtitleFinding &finding, const ReadingLimits &limits)
{
    const SubtitleEntry &entry = entries.at(finding.row);
    return QStringLiteral("%1 %2 --> %3: %4")
        .arg(finding.row + 1)
        .arg(formatTimeCode(entry.startTime), formatTimeCode(entry.endTime), describe(finding, limits));
}

} // namespace

// Reports what the editor would flag; exit 0 when clean, 1 with findings.
int runCheckCommand(const QStringList &arguments)
{
    return runOnSubtitleInput<CheckRequest>(
        arguments, parseCheckArguments, [](const CheckRequest &request, const SubtitleEntries &entries) {
            const SubtitleFindings findings = checkSubtitles(entries, request.limits);
            for (const SubtitleFinding &finding : findings)
                printLine(findingLine(entries, finding, request.limits));
            printLine(QStringLiteral("%1 entries, %2 findings").arg(entries.size()).arg(findings.size()));
            return findings.isEmpty() ? ExitOk : ExitFindings;
        });
}
