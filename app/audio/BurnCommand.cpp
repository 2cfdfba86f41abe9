#include "audio/BurnCommand.h"

#include "subtitle/Utf8Conversion.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

namespace {

QString hexByte(int value)
{
    return QStringLiteral("%1").arg(qBound(0, value, 255), 2, 16, QLatin1Char('0'));
}

// Text inside the single quotes of a filter option: escaped for the
// option's own parser, and a quote closed and reopened around its escape.
QString escapeQuotedFilterText(const QString &text)
{
    QString escaped;
    escaped.reserve(text.size() + 8);
    for (const QChar c : text) {
        switch (c.unicode()) {
        case '\\':
            escaped += QLatin1String("\\\\");
            break;
        case '=':
        case ':':
        case ',':
        case ';':
            escaped += QLatin1Char('\\');
            escaped += c;
            break;
        case '\'':
            escaped += QLatin1String("'\\\\\\''");
            break;
        default:
            escaped += c;
        }
    }
    return escaped;
}

// The renderer splits its style list at "," and each entry at its last "=":
// a font name cannot carry either, so they are left out.
QString styleFontName(const QString &fontName)
{
    QString name = fontName;
    name.remove(QLatin1Char(',')).remove(QLatin1Char('='));
    return escapeQuotedFilterText(name);
}

// The renderer's style override. A tab before a field name hides the field
// from the renderer, so there is none; of the two Outline fields the later wins.
QString forceStyle(const BurnStyle &style)
{
    // One arg() for all fields: chained ones would read a "%2" in the font
    // name as the next field's place.
    return QStringLiteral(":force_style='FontName=%1,FontSize=%2,PrimaryColour=%3,Bold=%4,"
                          "Italic=%5,Underline=%6,Outline=0,Shadow=0,MarginV=%7,"
                          "Outline=%8,OutlineColour=%9'")
        .arg(styleFontName(style.fontName), QString::number(style.fontSize), style.primaryColour,
             QString::number(style.bold), QString::number(style.italic), QString::number(style.underline),
             QString::number(style.marginV), QString::number(style.outlineWidth), style.outlineColour);
}

QString profileName(int profile)
{
    switch (profile) {
    case 1:
        return QStringLiteral("baseline");
    case 2:
        return QStringLiteral("main");
    case 3:
        return QStringLiteral("high");
    default:
        return QString();
    }
}

void addChoice(QStringList &arguments, const QString &option, const QString &value)
{
    if (!value.isEmpty())
        arguments << option << value;
}

// The form's rates are in kbps; a bare number would be read as bits per second.
QString kilobits(const QString &value)
{
    bool isNumber = false;
    value.toDouble(&isNumber);
    return isNumber ? value + QLatin1Char('k') : value;
}

QString muxerForSuffix(const QString &suffix)
{
    const QString lower = suffix.toLower();
    if (lower == QLatin1String("mkv"))
        return QStringLiteral("matroska");
    if (lower == QLatin1String("mov"))
        return QStringLiteral("mov");
    if (lower == QLatin1String("avi"))
        return QStringLiteral("avi");
    if (lower == QLatin1String("flv"))
        return QStringLiteral("flv");
    return QStringLiteral("mp4");
}

} // namespace

QString assColourString(int red, int green, int blue)
{
    return QStringLiteral("&H") + hexByte(blue) + hexByte(green) + hexByte(red) + QLatin1Char('&');
}

QString escapeFilterPath(const QString &path)
{
    return QLatin1Char('\'') + escapeQuotedFilterText(path) + QLatin1Char('\'');
}

bool subtitleFileIsUtf8(const QString &subtitlePath)
{
    QFile file(subtitlePath);
    if (!file.open(QIODevice::ReadOnly))
        return true; // ffmpeg will name the problem itself
    return testUtf8(file.readAll()) != NotUtf8;
}

QString subtitleFilterText(const QString &subtitlePath, const BurnStyle &style, bool utf8)
{
    const QString suffix = QFileInfo(subtitlePath).suffix().toLower();
    // A relative "a:b.srt" would be read as a protocol; absolute paths never are.
    const QString absolute = QFileInfo(subtitlePath).isRelative() ? QFileInfo(subtitlePath).absoluteFilePath()
                                                                  : subtitlePath;
    // An .ass file brings its own styles, and its filter takes no override.
    if (suffix == QLatin1String("ass"))
        return QStringLiteral("ass=") + escapeFilterPath(absolute);
    QString filter = suffix == QLatin1String("srt") ? QStringLiteral("subtitles=") : QString();
    filter += escapeFilterPath(absolute);
    if (!utf8)
        filter += QStringLiteral(":charenc=GBK");
    return filter + forceStyle(style);
}

QStringList burnArguments(const BurnSettings &settings)
{
    QStringList arguments{QStringLiteral("-y"), QStringLiteral("-i"), settings.inputPath};
    if (!settings.videoSize.isEmpty()) {
        QString size = settings.videoSize;
        size.replace(QLatin1Char('X'), QLatin1Char('*'));
        size.remove(QRegularExpression(QStringLiteral("\\s")));
        arguments << QStringLiteral("-s") << size;
    }
    arguments << QStringLiteral("-c:v") << QStringLiteral("libx264") << QStringLiteral("-preset")
              << QStringLiteral("slower");
    // With a constant quality the encoder ignores a bitrate; a chosen one wins.
    if (settings.videoBitrate.isEmpty())
        arguments << QStringLiteral("-crf") << QStringLiteral("23");
    if (!settings.subtitlePath.isEmpty())
        arguments << QStringLiteral("-vf")
                  << subtitleFilterText(settings.subtitlePath, settings.style, subtitleFileIsUtf8(settings.subtitlePath));
    // "-b" alone would also set the audio stream's rate.
    addChoice(arguments, QStringLiteral("-b:v"), kilobits(settings.videoBitrate));
    addChoice(arguments, QStringLiteral("-r"), settings.frameRate);
    addChoice(arguments, QStringLiteral("-ab"), kilobits(settings.audioBitrate));
    addChoice(arguments, QStringLiteral("-ar"), settings.audioSampleRate);
    arguments << QStringLiteral("-ac") << QStringLiteral("1");
    if (settings.profile > 0) {
        // The profiles take 4:2:0 pictures only; a 4:4:4 source would fail.
        arguments << QStringLiteral("-profile:v") << profileName(settings.profile) << QStringLiteral("-pix_fmt")
                  << QStringLiteral("yuv420p");
    }
    arguments << settings.outputPath;
    return arguments;
}

QString partialOutputPath(const QString &outputPath)
{
    return outputPath + QStringLiteral(".part");
}

QStringList partialOutputArguments(const QStringList &arguments)
{
    if (arguments.isEmpty())
        return arguments;
    QStringList partial = arguments;
    const QString output = partial.takeLast();
    partial << QStringLiteral("-f") << muxerForSuffix(QFileInfo(output).suffix()) << partialOutputPath(output);
    return partial;
}

QStringList previewArguments(const BurnSettings &settings, double seconds, const QString &pngPath)
{
    QStringList arguments{QStringLiteral("-y"), QStringLiteral("-ss"), QString::number(qMax(0.0, seconds), 'f', 3),
                          QStringLiteral("-copyts"), QStringLiteral("-i"), settings.inputPath};
    if (!settings.subtitlePath.isEmpty())
        arguments << QStringLiteral("-vf")
                  << subtitleFilterText(settings.subtitlePath, settings.style, subtitleFileIsUtf8(settings.subtitlePath));
    arguments << QStringLiteral("-frames:v") << QStringLiteral("1") << QStringLiteral("-f") << QStringLiteral("image2")
              << pngPath;
    return arguments;
}
