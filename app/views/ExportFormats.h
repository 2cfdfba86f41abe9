#pragma once

#include "subtitle/SubtitleWriters.h"

#include <QString>
#include <QVector>

// One row of the export dialog's format list.
struct ExportFormat
{
    SubtitleFormat format;
    QString label; // the list item
    QString filter; // the save chooser's filter
    QString extension; // ".srt"
    bool fixedUtf8; // ASS and WebVTT are always written as UTF-8
};

// In the order of the dialog's list.
const QVector<ExportFormat> &exportFormats();

// The file an export is named after: the subtitle file, or the media file
// while no subtitle file is attached.
QString exportBaseFile(const QString &mediaFilePath, const QString &subtitleFilePath);
// "<folder>/<name up to its first dot>" of the base file.
QString exportStem(const QString &baseFile);
// The name as written: the extension is added unless the name already ends
// in it exactly (case counts, so "abc.SRT" becomes "abc.SRT.srt").
QString withExportExtension(const QString &chosen, const QString &extension);

// What a successful export leaves behind for the project: SRT exports move
// the last folder and the export path, ASS and WebVTT only the export path.
bool exportRemembersFolder(SubtitleFormat format);
bool exportRemembersPath(SubtitleFormat format);
