#pragma once

#include "subtitle/SubtitleEntry.h"

#include <QString>
#include <functional>

// How fast and how wide a subtitle may be before it is flagged.
struct ReadingLimits
{
    static constexpr double DefaultMaxCharsPerSecond = 20;
    static constexpr int DefaultMaxLineLength = 42;

    double maxCharsPerSecond = DefaultMaxCharsPerSecond;
    int maxLineLength = DefaultMaxLineLength;
};

// Settings keys holding the limits as text.
namespace ReadingLimitKeys {
inline const QString MaxCharsPerSecond = QStringLiteral("/BaseSet/MaxCharsPerSecond");
inline const QString MaxLineLength = QStringLiteral("/BaseSet/MaxLineLength");
} // namespace ReadingLimitKeys

// The limits from settings text read through `readSetting` (readSetting()
// of Settings.h); a missing, unreadable or non-positive value keeps its default.
ReadingLimits readingLimitsFrom(const std::function<QString(const QString &key)> &readSetting);

// Characters, not bytes: an emoji or a Chinese character counts one. Line
// breaks do not count.
int characterCount(const QString &text);
// Characters per second over the entry's duration; 0 for an empty text, and
// infinity for a text shown for no time at all (end at or before start).
double charactersPerSecond(const SubtitleEntry &entry);
// Characters on the longest line of the entry's text.
int longestLineLength(const SubtitleEntry &entry);

bool exceedsReadingSpeed(const SubtitleEntry &entry, const ReadingLimits &limits);
bool exceedsLineLength(const SubtitleEntry &entry, const ReadingLimits &limits);
