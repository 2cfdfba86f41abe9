#pragma once

#include <QString>
#include <QStringList>

// How burnt-in text looks; colours are the "&HBBGGRR&" strings of the
// subtitle renderer.
struct BurnStyle
{
    QString fontName = QStringLiteral("Microsoft YaHei");
    int fontSize = 16;
    QString primaryColour = QStringLiteral("&Hffffff&");
    int bold = 0;
    int italic = 0;
    int underline = 0;
    int marginV = 10;
    int outlineWidth = 0;
    QString outlineColour = QStringLiteral("&H000&");
};

// One burn as the form describes it. Empty choices keep the source's value.
struct BurnSettings
{
    QString inputPath;
    QString subtitlePath; // may be empty: the video is only re-encoded
    QString outputPath;
    QString videoSize;    // as shown, e.g. "1280 X 720"
    QString videoBitrate; // kbps, e.g. "8000"
    QString frameRate;
    QString audioBitrate;
    QString audioSampleRate;
    int profile = 0;      // 0 source, 1 baseline, 2 main, 3 high
    BurnStyle style;
};

// "&H" + blue, green, red as two lowercase hex digits each + "&".
QString assColourString(int red, int green, int blue);

// The subtitle path as the filter graph reads it: backslashes doubled, "=",
// ":", "," and ";" escaped, quotes closed and reopened around an escaped
// quote, the whole wrapped in single quotes.
QString escapeFilterPath(const QString &path);

// "subtitles=" (srt) + the escaped path + ":force_style=..." with the style;
// "ass=" + the path alone for an .ass file, which carries its own styles.
// A file that is not UTF-8 is read as GBK (":charenc=GBK").
QString subtitleFilterText(const QString &subtitlePath, const BurnStyle &style, bool utf8 = true);
// Whether the subtitle file reads as UTF-8 (an unreadable one counts as yes).
bool subtitleFileIsUtf8(const QString &subtitlePath);

// The ffmpeg arguments, ending in settings.outputPath.
QStringList burnArguments(const BurnSettings &settings);

// Where a burn writes until it succeeds, and the arguments that write there:
// the output swapped for "<output>.part" with the container named, since
// ffmpeg can no longer guess it from the suffix.
QString partialOutputPath(const QString &outputPath);
QStringList partialOutputArguments(const QStringList &arguments);

// The argument list a one-frame style preview renders with: the subtitle
// filter of `settings` applied to the frame at `seconds`, written as PNG.
QStringList previewArguments(const BurnSettings &settings, double seconds, const QString &pngPath);
