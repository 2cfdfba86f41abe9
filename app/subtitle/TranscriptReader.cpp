#include "subtitle/TranscriptReader.h"

#include "subtitle/AtomicFile.h"
#include "subtitle/LocalCodec.h"
#include "subtitle/SubtitleList.h"

#include <QTextCodec>

namespace {
QStringList splitLines(const QString &text)
{
    QStringList lines = text.split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast(); // the final line end does not start another line
    for (QString &line : lines) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
    }
    return lines;
}

bool isTooLong(const QString &line)
{
    QString compact;
    compact.reserve(line.size());
    for (const QChar ch : line) {
        if (!ch.isSpace())
            compact.append(ch);
    }
    return toLocal8(compact).size() > kTranscriptLineLimit;
}
} // namespace

bool readTranscriptText(const QByteArray &bytes, SubtitleEntries &entries)
{
    QTextCodec *codec = QTextCodec::codecForUtfText(bytes, localCodec());
    QString text = codec->toUnicode(bytes);
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    bool tooLong = false;
    for (const QString &line : splitLines(text)) {
        SubtitleEntry entry;
        entry.text = toLocal8(line);
        entries.append(entry);
        if (isTooLong(line))
            tooLong = true;
    }
    return tooLong;
}

bool readTranscriptFile(const QString &path, SubtitleEntries &entries)
{
    QByteArray bytes;
    if (!readWholeFile(path, &bytes))
        return false;
    return readTranscriptText(bytes, entries);
}

bool readTranscriptFile(const QString &path, SubtitleList &list)
{
    SubtitleEntries entries;
    const bool tooLong = readTranscriptFile(path, entries);
    list.append(entries);
    return tooLong;
}
