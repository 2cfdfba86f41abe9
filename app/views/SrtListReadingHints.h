#pragma once

#include "subtitle/ReadingSpeed.h"

#include <QString>

// How readable one row is: characters per second over its duration and the
// characters on its longest line, against the limits from the settings.
struct ReadingHint
{
    double charsPerSecond = 0; // infinity for a text shown for no time
    int longestLine = 0;
    bool tooFast = false;
    bool tooLong = false;

    bool flagged() const { return tooFast || tooLong; }
};

// Counts as ReadingSpeed.h does (characters, not bytes; line breaks not
// counted), from text already decoded for display.
ReadingHint readingHint(const QString &text, qint64 durationMs, const ReadingLimits &limits);

// The time cells' tooltip: both figures with their limits.
QString readingHintText(const ReadingHint &hint, const ReadingLimits &limits);
// The number cell's tooltip on a flagged row: what is over which limit;
// empty when nothing is.
QString readingWarningText(const ReadingHint &hint, const ReadingLimits &limits);
