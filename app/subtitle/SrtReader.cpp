#include "subtitle/SrtReader.h"

#include "subtitle/AtomicFile.h"
#include "subtitle/SubtitleList.h"

#include <climits>
#include <cstring>
#include <utility>

namespace {

struct Line
{
    const char *begin = nullptr;
    const char *end = nullptr;
};

class LineCursor
{
public:
    LineCursor(const char *begin, const char *end) : m_pos(begin), m_end(end) {}

    // Lines end at "\n", at "\r\n" (or "\r\r\n", as double conversions
    // leave it) and at a lone "\r" (old Mac files); a last line without an
    // end still counts.
    bool next(Line &line)
    {
        if (m_pos >= m_end)
            return false;
        line.begin = m_pos;
        const auto *newline = static_cast<const char *>(std::memchr(m_pos, '\n', size_t(m_end - m_pos)));
        const char *limit = newline ? newline : m_end;
        const auto *cr = static_cast<const char *>(std::memchr(m_pos, '\r', size_t(limit - m_pos)));
        if (!cr) {
            line.end = limit;
            m_pos = newline ? newline + 1 : m_end;
            return true;
        }
        line.end = cr;
        const char *run = cr;
        while (run < limit && *run == '\r')
            ++run;
        m_pos = (newline && run == newline) ? newline + 1 : cr + 1;
        return true;
    }

    bool peek(Line &line) const
    {
        LineCursor copy(*this);
        return copy.next(line);
    }

private:
    const char *m_pos;
    const char *m_end;
};

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool isBlank(const Line &line)
{
    for (const char *p = line.begin; p < line.end; ++p) {
        if (!isSpace(*p))
            return false;
    }
    return true;
}

const char *skipSpaces(const char *p, const char *end)
{
    while (p < end && isSpace(*p))
        ++p;
    return p;
}

// Leading decimal integer as scanf("%d") reads it; false when there is none.
bool readInteger(const char *&p, const char *end, qint32 &value)
{
    const char *q = skipSpaces(p, end);
    bool negative = false;
    if (q < end && (*q == '+' || *q == '-')) {
        negative = *q == '-';
        ++q;
    }
    if (q >= end || !isDigit(*q))
        return false;
    qint64 accumulated = 0;
    while (q < end && isDigit(*q)) {
        if (accumulated <= qint64(INT_MAX))
            accumulated = accumulated * 10 + (*q - '0');
        ++q;
    }
    if (negative)
        accumulated = -accumulated;
    value = qint32(qBound(qint64(INT_MIN), accumulated, qint64(INT_MAX)));
    p = q;
    return true;
}

const char *findArrow(const Line &line)
{
    const char *p = line.begin;
    while (p + 3 <= line.end) {
        const void *dash = std::memchr(p, '-', size_t(line.end - p - 2));
        if (!dash)
            return nullptr;
        p = static_cast<const char *>(dash);
        if (p[1] == '-' && p[2] == '>')
            return p;
        ++p;
    }
    return nullptr;
}

// Up to `maxDigits` digits; false when there is none.
bool readField(const char *&p, const char *end, int maxDigits, qint16 &value)
{
    if (p >= end || !isDigit(*p))
        return false;
    int result = 0;
    for (int n = 0; n < maxDigits && p < end && isDigit(*p); ++n, ++p)
        result = result * 10 + (*p - '0');
    value = qint16(result);
    return true;
}

bool expect(const char *&p, const char *end, char a, char b)
{
    if (p < end && (*p == a || *p == b)) {
        ++p;
        return true;
    }
    return false;
}

// "HH:MM:SS,mmm" (or "." before the milliseconds); fields that cannot be
// read stay 0. True when hours, minutes and seconds were all read.
bool readTimeToken(const char *p, const char *end, TimeCode &time)
{
    time = TimeCode();
    if (!(readField(p, end, 2, time.hours) && expect(p, end, ':', ':')
          && readField(p, end, 2, time.minutes) && expect(p, end, ':', ':')
          && readField(p, end, 2, time.seconds)))
        return false;
    if (expect(p, end, ',', '.'))
        readField(p, end, 3, time.milliseconds);
    return true;
}

Line nextToken(const char *p, const char *end)
{
    Line token;
    token.begin = skipSpaces(p, end);
    token.end = token.begin;
    while (token.end < end && !isSpace(*token.end))
        ++token.end;
    return token;
}

// True when both times could be read.
bool readTimeLine(const Line &line, TimeCode &start, TimeCode &end)
{
    const char *arrow = findArrow(line);
    Line startToken;
    Line endToken;
    if (arrow) {
        startToken = nextToken(line.begin, arrow);
        endToken = nextToken(arrow + 3, line.end);
    } else {
        // No arrow: start, separator, end as whitespace-separated tokens.
        startToken = nextToken(line.begin, line.end);
        const Line separator = nextToken(startToken.end, line.end);
        endToken = nextToken(separator.end, line.end);
    }
    const bool startRead = readTimeToken(startToken.begin, startToken.end, start);
    const bool endRead = readTimeToken(endToken.begin, endToken.end, end);
    return startRead && endRead;
}

bool isValidTimeLine(const Line &line)
{
    TimeCode start;
    TimeCode end;
    return findArrow(line) && readTimeLine(line, start, end);
}

void readIndexLine(const Line &line, bool pairFlag, qint32 &number, qint32 &extraNumber)
{
    const char *p = line.begin;
    qint32 value = 0;
    if (!readInteger(p, line.end, value))
        return; // keeps the previous record's number
    number = value;
    if (pairFlag && p < line.end && *p == ',') {
        ++p;
        qint32 extra = 0;
        if (readInteger(p, line.end, extra))
            extraNumber = extra;
    }
}

bool isIndexOnly(const Line &line)
{
    const char *p = line.begin;
    qint32 ignored = 0;
    if (!readInteger(p, line.end, ignored))
        return false;
    if (p < line.end && *p == ',') { // "number,extra" of recognition results
        ++p;
        readInteger(p, line.end, ignored);
    }
    return skipSpaces(p, line.end) == line.end;
}

// True when `line` starts the next block though no blank line came before
// it: an index line directly followed by a time line that reads. A text that
// is only a number, followed by some other line with an arrow in it, stays text.
bool startsNextBlock(const Line &line, const LineCursor &cursor)
{
    Line following;
    return isIndexOnly(line) && cursor.peek(following) && isValidTimeLine(following);
}

// NUL bytes (a stray one, or every other byte of UTF-16 text) would hide the
// rest of the text from the line scan; they are dropped instead.
QByteArray withoutNulBytes(const char *data, qint64 length)
{
    QByteArray text(data, int(length));
    text.replace('\0', QByteArray());
    return text;
}

} // namespace

void readSrtText(const char *data, qint64 length, SubtitleEntries &entries, bool pairFlag)
{
    if (std::memchr(data, '\0', size_t(length))) {
        const QByteArray cleaned = withoutNulBytes(data, length);
        readSrtText(cleaned.constData(), cleaned.size(), entries, pairFlag);
        return;
    }
    if (length >= 3 && std::memcmp(data, "\xEF\xBB\xBF", 3) == 0) {
        data += 3;
        length -= 3;
    }
    LineCursor cursor(data, data + length);
    entries.reserve(entries.size() + int(qMin<qint64>(length / 64, INT_MAX / 2)));
    qint32 number = 0;
    Line line;
    bool haveLine = false;
    for (;;) {
        if (!haveLine && !cursor.next(line))
            return;
        haveLine = false;
        if (isBlank(line))
            continue;

        SubtitleEntry entry;
        qint32 extraNumber = 0;
        Line timeLine = line;
        if (!findArrow(line)) { // an index line; files without index lines go straight to times
            readIndexLine(line, pairFlag, number, extraNumber);
            if (!cursor.next(timeLine))
                return;
            if (isBlank(timeLine))
                continue; // broken record: index without times
        }
        entry.number = number;
        entry.extraNumber = extraNumber;
        readTimeLine(timeLine, entry.startTime, entry.endTime);

        QByteArray text;
        Line textLine;
        while (cursor.next(textLine)) {
            if (isBlank(textLine))
                break;
            if (startsNextBlock(textLine, cursor)) {
                line = textLine;
                haveLine = true;
                break;
            }
            if (text.isEmpty()) {
                text = QByteArray(textLine.begin, int(textLine.end - textLine.begin));
            } else {
                text.append(' ');
                text.append(textLine.begin, int(textLine.end - textLine.begin));
            }
        }
        if (!text.isEmpty()) {
            entry.text = std::move(text);
            entries.append(std::move(entry));
        }
    }
}

void readSrtText(const QByteArray &text, SubtitleEntries &entries, bool pairFlag)
{
    readSrtText(text.constData(), text.size(), entries, pairFlag);
}

void readSrtText(const QByteArray &text, SubtitleList &list, bool pairFlag)
{
    SubtitleEntries entries;
    readSrtText(text, entries, pairFlag);
    list.append(entries);
}

int readSrtFile(const QString &path, SubtitleEntries &entries)
{
    QByteArray bytes;
    if (!readWholeFile(path, &bytes))
        return 0;
    readSrtText(bytes, entries, false);
    return 1;
}

int readSrtFile(const QString &path, SubtitleList &list)
{
    SubtitleEntries entries;
    const int result = readSrtFile(path, entries);
    list.append(entries);
    return result;
}
