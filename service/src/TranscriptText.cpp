#include "TranscriptText.h"

#include <QRegularExpression>
#include <QString>
#include <QStringList>
#include <QTextCodec>

#include <algorithm>

namespace cw::service {

namespace {

QString decode(const std::string &bytes)
{
    QByteArray raw(bytes.data(), int(bytes.size()));
    if (raw.startsWith("\xEF\xBB\xBF"))
        raw.remove(0, 3);
    QTextCodec::ConverterState state;
    const QString utf8 = QTextCodec::codecForName("UTF-8")->toUnicode(raw.constData(), raw.size(), &state);
    if (state.invalidChars == 0 && state.remainingChars == 0)
        return utf8;
    return QTextCodec::codecForName("GBK")->toUnicode(raw);
}

// The expressions are per thread: connections read transcripts side by side.

// Full stops for the milliseconds and anything after the end time (position
// hints of some editors) are common enough to accept.
bool isTimeLine(const QString &line)
{
    thread_local const QRegularExpression time(
        QStringLiteral("^\\d+:\\d{1,2}:\\d{1,2}[,.]\\d{1,3}\\s*-->\\s*\\d+:\\d{1,2}:\\d{1,2}[,.]\\d{1,3}(\\s.*)?$"));
    return line.contains(QLatin1String("-->")) && time.match(line).hasMatch();
}

bool isIndexLine(const QString &line)
{
    return !line.isEmpty() && std::all_of(line.begin(), line.end(), [](QChar c) { return c >= '0' && c <= '9'; });
}

// Where the block starting at `i` has its time line, or -1 when no block
// starts there.
int blockTimeLine(const QStringList &lines, int i)
{
    if (isTimeLine(lines[i]))
        return i;
    if (isIndexLine(lines[i]) && i + 1 < lines.size() && isTimeLine(lines[i + 1]))
        return i + 1;
    return -1;
}

void append(QString &text, const QString &line)
{
    if (!text.isEmpty())
        text += QLatin1Char(' ');
    text += line;
}

QStringList blockTexts(const QStringList &lines)
{
    QStringList texts;
    for (int i = 0; i < lines.size();) {
        if (lines[i].isEmpty()) {
            ++i;
            continue;
        }
        const int time = blockTimeLine(lines, i);
        if (time < 0) {
            // Text after a blank line inside a subtitle: still that subtitle's.
            if (!texts.isEmpty())
                append(texts.last(), lines[i]);
            ++i;
            continue;
        }
        QString text;
        for (i = time + 1; i < lines.size() && !lines[i].isEmpty() && blockTimeLine(lines, i) < 0; ++i)
            append(text, lines[i]);
        texts.push_back(text);
    }
    return texts;
}

}  // namespace

std::string withoutMarkup(const std::string &text)
{
    thread_local const QRegularExpression markup(QStringLiteral("</?[A-Za-z][^<>]*>|\\{\\\\[^{}]*\\}"));
    QString plain = QString::fromUtf8(text.data(), int(text.size()));
    if (plain.contains(QLatin1Char('<')) || plain.contains(QLatin1Char('{')))
        plain.remove(markup);
    return plain.simplified().toStdString();
}

Transcript readTranscript(const std::string &bytes)
{
    thread_local const QRegularExpression lineEnd(QStringLiteral("\r\n|\n|\r"));
    QStringList lines = decode(bytes).split(lineEnd);
    for (QString &line : lines)
        line = line.trimmed();

    Transcript transcript;
    int first = 0;
    while (first < lines.size() && lines[first].isEmpty())
        ++first;
    transcript.srt = first < lines.size() && blockTimeLine(lines, first) >= 0;
    const QStringList texts = transcript.srt ? blockTexts(lines) : lines;
    for (const QString &text : texts) {
        if (text.isEmpty())
            continue;
        TranscriptEntry entry;
        entry.text = text.toStdString();
        entry.spoken = withoutMarkup(entry.text);
        transcript.entries.push_back(std::move(entry));
    }
    return transcript;
}

}  // namespace cw::service
