#include "views/ExportFormats.h"

#include <QFileInfo>

const QVector<ExportFormat> &exportFormats()
{
    // The list items and the chooser filters differ on purpose: TXT and LRC
    // items use ASCII parentheses, every filter full-width ones.
    static const QVector<ExportFormat> formats = {
        {SubtitleFormat::Srt, QStringLiteral("SubRip-SRT（*.srt）"), QStringLiteral("SubRip-SRT（*.srt）"),
            QStringLiteral(".srt"), false},
        {SubtitleFormat::Ass, QStringLiteral("Advanced Sub Station Alpha-ASS（*.ass）"),
            QStringLiteral("Advanced Sub Station Alpha-ASS（*.ass）"), QStringLiteral(".ass"), true},
        {SubtitleFormat::WebVtt, QStringLiteral("WebVTT（*.vtt）"), QStringLiteral("WebVTT（*.vtt）"),
            QStringLiteral(".vtt"), true},
        {SubtitleFormat::Txt, QStringLiteral("TXT(*.txt)"), QStringLiteral("TXT（*.txt）"), QStringLiteral(".txt"),
            false},
        {SubtitleFormat::Lrc, QStringLiteral("LRC(*.lrc)"), QStringLiteral("LRC（*.lrc）"), QStringLiteral(".lrc"),
            false},
    };
    return formats;
}

QString exportBaseFile(const QString &mediaFilePath, const QString &subtitleFilePath)
{
    if (subtitleFilePath.isEmpty() && !mediaFilePath.isEmpty())
        return mediaFilePath;
    return subtitleFilePath;
}

QString exportStem(const QString &baseFile)
{
    const QFileInfo info(baseFile);
    return QStringLiteral("%1/%2").arg(info.absolutePath(), info.baseName());
}

QString withExportExtension(const QString &chosen, const QString &extension)
{
    if (chosen.size() < 5 || !chosen.endsWith(extension, Qt::CaseSensitive))
        return chosen + extension;
    return chosen;
}

bool exportRemembersFolder(SubtitleFormat format)
{
    return format == SubtitleFormat::Srt;
}

bool exportRemembersPath(SubtitleFormat format)
{
    return format == SubtitleFormat::Srt || format == SubtitleFormat::Ass || format == SubtitleFormat::WebVtt;
}
