#include "views/SrtListReadingHints.h"

#include <QStringList>
#include <cmath>
#include <limits>

namespace {
QString formatSpeed(double charsPerSecond)
{
    if (std::isinf(charsPerSecond))
        return QStringLiteral("无穷（时长为零）");
    return QString::number(charsPerSecond, 'f', 1);
}

QString formatLimit(double limit)
{
    return QString::number(limit, 'g', 6);
}
} // namespace

ReadingHint readingHint(const QString &text, qint64 durationMs, const ReadingLimits &limits)
{
    ReadingHint hint;
    int characters = 0;
    int start = 0;
    while (start <= text.size()) {
        int end = start;
        while (end < text.size() && text.at(end) != QLatin1Char('\n') && text.at(end) != QLatin1Char('\r'))
            ++end;
        const int line = characterCount(text.mid(start, end - start));
        characters += line;
        hint.longestLine = qMax(hint.longestLine, line);
        start = end + 1;
    }
    if (characters > 0) {
        hint.charsPerSecond
            = durationMs > 0 ? characters * 1000.0 / double(durationMs) : std::numeric_limits<double>::infinity();
    }
    hint.tooFast = hint.charsPerSecond > limits.maxCharsPerSecond;
    hint.tooLong = hint.longestLine > limits.maxLineLength;
    return hint;
}

QString readingHintText(const ReadingHint &hint, const ReadingLimits &limits)
{
    return QStringLiteral("每秒字数：%1（上限 %2）\n最长一行：%3 字（上限 %4）")
        .arg(formatSpeed(hint.charsPerSecond), formatLimit(limits.maxCharsPerSecond))
        .arg(hint.longestLine)
        .arg(limits.maxLineLength);
}

QString readingWarningText(const ReadingHint &hint, const ReadingLimits &limits)
{
    QStringList reasons;
    if (hint.tooFast) {
        reasons << QStringLiteral("语速过快：每秒 %1 字，上限 %2")
                       .arg(formatSpeed(hint.charsPerSecond), formatLimit(limits.maxCharsPerSecond));
    }
    if (hint.tooLong)
        reasons << QStringLiteral("一行过长：%1 字，上限 %2").arg(hint.longestLine).arg(limits.maxLineLength);
    return reasons.join(QLatin1Char('\n'));
}
