#include "subtitle/SubtitleCheck.h"

#include "subtitle/LocalCodec.h"

namespace {
bool isEmptyText(const SubtitleEntry &entry)
{
    return fromLocal8(entry.text).trimmed().isEmpty();
}
} // namespace

SubtitleFindings checkSubtitles(const SubtitleEntries &entries, const ReadingLimits &limits)
{
    SubtitleFindings findings;
    for (int row = 0; row < entries.size(); ++row) {
        const SubtitleEntry &entry = entries.at(row);
        if (row + 1 < entries.size() && entriesOverlap(entry, entries.at(row + 1)))
            findings.append({SubtitleFinding::Overlap, row, 0});
        if (isEmptyText(entry)) {
            findings.append({SubtitleFinding::EmptyText, row, 0});
            continue;
        }
        const int lineLength = longestLineLength(entry);
        if (lineLength > limits.maxLineLength)
            findings.append({SubtitleFinding::LineTooLong, row, double(lineLength)});
        const double cps = charactersPerSecond(entry);
        if (cps > limits.maxCharsPerSecond)
            findings.append({SubtitleFinding::TooFast, row, cps});
    }
    return findings;
}
