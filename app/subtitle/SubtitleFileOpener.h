#pragma once

#include "subtitle/SubtitleEntry.h"

#include <QString>

class SubtitleList;

enum class SubtitleOpenStatus {
    Opened,
    UnsupportedSuffix, // neither srt nor txt: "文本格式不支持！"
    Unreadable,        // the file could not be read: "文件读取失败！"
    LineTooLong        // a transcript line is too long for the service
};

// What reading a subtitle or transcript file for the editor found.
struct SubtitleFileOpenResult
{
    SubtitleOpenStatus status = SubtitleOpenStatus::UnsupportedSuffix;
    int textEncoding = 0; // 1 the source was UTF-8, 2 read as the local code page, 0 unreadable
    // The file the autosave writes back to and later steps use: the scratch
    // copy for UTF-8 sources, else the source. Empty when a UTF-8 source's
    // copy could not be written: there is then no autosave target.
    QString workingPath;
    SubtitleEntries entries; // what was read; only meaningful when opened

    bool opened() const { return status == SubtitleOpenStatus::Opened; }
};

// Reads an SRT file or a transcript as the editor opens it, without touching
// any list: a UTF-8 source is converted to the local form and copied to
// "<scratchFolder>/<file name>" (the folder is created when missing; an
// empty folder name makes no copy). The caller replaces its list only when
// opened(), which lets it clear the autosave target first and set the new
// one after.
SubtitleFileOpenResult readSubtitleFile(const QString &path, const QString &scratchFolder);

// readSubtitleFile(), then, only when opened, the entries become the list's
// new document. On any failure the list stays as it was.
SubtitleFileOpenResult openSubtitleFile(const QString &path, const QString &scratchFolder,
                                        SubtitleList &list);
