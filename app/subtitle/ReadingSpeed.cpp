#include "subtitle/ReadingSpeed.h"

#include "subtitle/LocalCodec.h"

#include <limits>

namespace {
bool isLineBreak(QChar c)
{
    return c == QLatin1Char('\n') || c == QLatin1Char('\r');
}

// Counts the code points up to the next line break and moves `p` there.
int countLine(const QChar *&p, const QChar *end)
{
    int count = 0;
    for (; p < end && !isLineBreak(*p); ++p) {
        if (!p->isLowSurrogate())
            ++count;
    }
    return count;
}
} // namespace

ReadingLimits readingLimitsFrom(const std::function<QString(const QString &key)> &readSetting)
{
    ReadingLimits limits;
    bool ok = false;
    const double cps = readSetting(ReadingLimitKeys::MaxCharsPerSecond).trimmed().toDouble(&ok);
    if (ok && cps > 0)
        limits.maxCharsPerSecond = cps;
    const int lineLength = readSetting(ReadingLimitKeys::MaxLineLength).trimmed().toInt(&ok);
    if (ok && lineLength > 0)
        limits.maxLineLength = lineLength;
    return limits;
}

int characterCount(const QString &text)
{
    int count = 0;
    const QChar *p = text.constData();
    const QChar *end = p + text.size();
    while (p < end) {
        count += countLine(p, end);
        while (p < end && isLineBreak(*p))
            ++p;
    }
    return count;
}

double charactersPerSecond(const SubtitleEntry &entry)
{
    const int characters = characterCount(fromLocal8(entry.text));
    if (characters == 0)
        return 0;
    const qint64 durationMs = qint64(timeCodeToMilliseconds(entry.endTime))
                              - qint64(timeCodeToMilliseconds(entry.startTime));
    if (durationMs <= 0)
        return std::numeric_limits<double>::infinity();
    return characters * 1000.0 / double(durationMs);
}

int longestLineLength(const SubtitleEntry &entry)
{
    const QString text = fromLocal8(entry.text);
    int longest = 0;
    const QChar *p = text.constData();
    const QChar *end = p + text.size();
    while (p < end) {
        longest = qMax(longest, countLine(p, end));
        while (p < end && isLineBreak(*p))
            ++p;
    }
    return longest;
}

bool exceedsReadingSpeed(const SubtitleEntry &entry, const ReadingLimits &limits)
{
    return charactersPerSecond(entry) > limits.maxCharsPerSecond;
}

bool exceedsLineLength(const SubtitleEntry &entry, const ReadingLimits &limits)
{
    return longestLineLength(entry) > limits.maxLineLength;
}
