#include "subtitle/SubtitleWriters.h"

#include "subtitle/AtomicFile.h"
#include "subtitle/LocalCodec.h"

#include <QTextCodec>
#include <cstdio>

namespace {

const char kCrLf[] = "\r\n";

const char kAssHead[] = "[Script Info]\r\n; This is an Advanced Sub Station Alpha v4+ script.\r\nTitle: ";
const char kAssStyles[] =
    "\r\nScriptType: v4.00+\r\nCollisions: Normal\r\nPlayDepth: 0\r\n\r\n[V4+ Styles]\r\n"
    "Format: Name, Fontname, Fontsize, PrimaryColour, SecondaryColour, OutlineColour, "
    "BackColour, Bold, Italic, Underline, StrikeOut, ScaleX, ScaleY, Spacing, Angle, "
    "BorderStyle, Outline, Shadow, Alignment, MarginL, MarginR, MarginV, Encoding\r\n"
    "Style: Default, Arial, 20, &H00FFFFFF, &H0300FFFF, &H00000000, &H02000000, 0, 0, 0, 0, "
    "100, 100, 0, 0, 1, 2, 1, 2, 10, 10, 10, 1\r\n\r\n[Events]\r\n"
    "Format: Layer, Start, End, Style, Actor, MarginL, MarginR, MarginV, Effect, Text";
static_assert(sizeof(kAssHead) - 1 == 75, "ASS head block is 75 bytes");
static_assert(sizeof(kAssStyles) - 1 == 533, "ASS style block is 533 bytes");

// printf("%0<width>d", value) without the printf cost for the common case.
void appendPadded(QByteArray &out, int value, int width)
{
    if (value < 0) {
        char buffer[24];
        const int n = std::snprintf(buffer, sizeof buffer, "%0*d", width, value);
        out.append(buffer, n);
        return;
    }
    char digits[12];
    int n = 0;
    do {
        digits[n++] = char('0' + value % 10);
        value /= 10;
    } while (value > 0);
    for (int pad = width - n; pad > 0; --pad)
        out.append('0');
    while (n > 0)
        out.append(digits[--n]);
}

bool isAscii(const QByteArray &bytes)
{
    for (const char c : bytes) {
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    }
    return true;
}

// Re-encodes text held in the local form; every offered codec keeps ASCII as
// it is. Writing in the local form itself copies the bytes unchanged, so a
// file read as the local code page is written back byte for byte even where
// it was not valid GB18030 (a Latin-1 file, say).
class TextRecoder
{
public:
    explicit TextRecoder(QTextCodec *target)
        : m_target(target), m_verbatim(target->mibEnum() == localCodec()->mibEnum())
    {
    }

    void append(QByteArray &out, const QByteArray &localText) const
    {
        if (m_verbatim || isAscii(localText)) {
            out.append(localText);
            return;
        }
        QTextCodec::ConverterState state(QTextCodec::IgnoreHeader);
        const QString text = fromLocal8(localText);
        out.append(m_target->fromUnicode(text.constData(), text.size(), &state));
    }

private:
    QTextCodec *m_target;
    bool m_verbatim;
};

QTextCodec *utf8Codec()
{
    static QTextCodec *const codec = QTextCodec::codecForName("UTF-8");
    return codec;
}

void appendClock(QByteArray &out, const TimeCode &time, char beforeMillis)
{
    appendPadded(out, time.hours, 2);
    out.append(':');
    appendPadded(out, time.minutes, 2);
    out.append(':');
    appendPadded(out, time.seconds, 2);
    out.append(beforeMillis);
    appendPadded(out, time.milliseconds, 3);
}

void appendAssTime(QByteArray &out, const TimeCode &time)
{
    appendPadded(out, time.hours, 1);
    out.append(':');
    appendPadded(out, time.minutes, 2);
    out.append(':');
    appendPadded(out, time.seconds, 2);
    out.append('.');
    appendPadded(out, time.milliseconds / 10, 2);
}

int estimatedSize(const SubtitleEntries &entries, int perEntry)
{
    qint64 total = 0;
    for (const SubtitleEntry &entry : entries)
        total += perEntry + entry.text.size();
    return int(qMin<qint64>(total, 1 << 30));
}

} // namespace

QStringList exportCodecNames()
{
    return {QStringLiteral("GBK"), QStringLiteral("GB18030"), QStringLiteral("Big5"),
            QStringLiteral("UTF-8")};
}

bool subtitleFormatFromSuffix(const QString &suffix, SubtitleFormat *format)
{
    const QString lower = suffix.toLower();
    static const struct { const char *suffix; SubtitleFormat format; } known[] = {
        {"srt", SubtitleFormat::Srt}, {"ass", SubtitleFormat::Ass}, {"vtt", SubtitleFormat::WebVtt},
        {"txt", SubtitleFormat::Txt}, {"lrc", SubtitleFormat::Lrc}};
    for (const auto &k : known) {
        if (lower == QLatin1String(k.suffix)) {
            *format = k.format;
            return true;
        }
    }
    return false;
}

QString subtitleFormatSuffix(SubtitleFormat format)
{
    switch (format) {
    case SubtitleFormat::Srt: return QStringLiteral("srt");
    case SubtitleFormat::Ass: return QStringLiteral("ass");
    case SubtitleFormat::WebVtt: return QStringLiteral("vtt");
    case SubtitleFormat::Txt: return QStringLiteral("txt");
    case SubtitleFormat::Lrc: return QStringLiteral("lrc");
    }
    return QString();
}

QByteArray composeSrt(const SubtitleEntries &entries, const QString &codecName)
{
    const TextRecoder recoder(codecOrLocal(codecName));
    QByteArray out;
    out.reserve(estimatedSize(entries, 48));
    int index = 0;
    for (const SubtitleEntry &entry : entries) {
        appendPadded(out, ++index, 1);
        out.append(kCrLf);
        appendClock(out, entry.startTime, ',');
        out.append(" --> ");
        appendClock(out, entry.endTime, ',');
        out.append(kCrLf);
        recoder.append(out, entry.text);
        out.append("\r\n\r\n");
    }
    return out;
}

QByteArray composeTxt(const SubtitleEntries &entries, const QString &codecName)
{
    const TextRecoder recoder(codecOrLocal(codecName));
    QByteArray out;
    out.reserve(estimatedSize(entries, 2));
    for (const SubtitleEntry &entry : entries) {
        recoder.append(out, entry.text);
        out.append(kCrLf);
    }
    return out;
}

QByteArray composeLrc(const SubtitleEntries &entries, const QString &codecName)
{
    const TextRecoder recoder(codecOrLocal(codecName));
    QByteArray out;
    out.reserve(estimatedSize(entries, 12));
    for (const SubtitleEntry &entry : entries) {
        const TimeCode &start = entry.startTime;
        // Hours fold into the minutes, so lines past the first hour keep their time.
        out.append('[');
        appendPadded(out, start.hours * 60 + start.minutes, 2);
        out.append(':');
        appendPadded(out, start.seconds, 2);
        out.append('.');
        appendPadded(out, start.milliseconds / 10, 2);
        out.append(']');
        recoder.append(out, entry.text);
        out.append(kCrLf);
    }
    return out;
}

QByteArray composeAss(const SubtitleEntries &entries, const QString &title)
{
    const TextRecoder recoder(utf8Codec());
    QByteArray out;
    out.reserve(estimatedSize(entries, 64) + 700);
    out.append(kAssHead, sizeof(kAssHead) - 1);
    out.append(title.toUtf8());
    out.append(kAssStyles, sizeof(kAssStyles) - 1);
    out.append(kCrLf);
    for (const SubtitleEntry &entry : entries) {
        out.append("Dialogue: 0,");
        appendAssTime(out, entry.startTime);
        out.append(',');
        appendAssTime(out, entry.endTime);
        out.append(",Default,,0,0,0,,");
        recoder.append(out, entry.text);
        out.append(kCrLf);
    }
    return out;
}

QByteArray composeWebVtt(const SubtitleEntries &entries)
{
    const TextRecoder recoder(utf8Codec());
    QByteArray out;
    out.reserve(estimatedSize(entries, 36) + 10);
    out.append("WEBVTT\r\n\r\n");
    for (const SubtitleEntry &entry : entries) {
        appendClock(out, entry.startTime, '.');
        out.append(" --> ");
        appendClock(out, entry.endTime, '.');
        out.append(kCrLf);
        recoder.append(out, entry.text);
        out.append("\r\n\r\n");
    }
    return out;
}

bool writeSrtFile(const SubtitleEntries &entries, const QString &path, const QString &codecName)
{
    return writeFileAtomically(path, composeSrt(entries, codecName));
}

int writeTxtFile(const SubtitleEntries &entries, const QString &path, const QString &codecName)
{
    return writeFileAtomically(path, composeTxt(entries, codecName)) ? 0 : -1;
}

int writeLrcFile(const SubtitleEntries &entries, const QString &path, const QString &codecName)
{
    return writeFileAtomically(path, composeLrc(entries, codecName)) ? 0 : -1;
}

int writeAssFile(const QString &path, const SubtitleEntries &entries, const QString &title)
{
    return writeFileAtomically(path, composeAss(entries, title)) ? 0 : -1;
}

int writeWebVttFile(const QString &path, const SubtitleEntries &entries)
{
    return writeFileAtomically(path, composeWebVtt(entries)) ? 0 : -1;
}

bool writeSubtitleFile(SubtitleFormat format, const SubtitleEntries &entries, const QString &path,
                       const QString &codecName, const QString &title)
{
    switch (format) {
    case SubtitleFormat::Srt: return writeSrtFile(entries, path, codecName);
    case SubtitleFormat::Ass: return writeAssFile(path, entries, title) == 0;
    case SubtitleFormat::WebVtt: return writeWebVttFile(path, entries) == 0;
    case SubtitleFormat::Txt: return writeTxtFile(entries, path, codecName) == 0;
    case SubtitleFormat::Lrc: return writeLrcFile(entries, path, codecName) == 0;
    }
    return false;
}
