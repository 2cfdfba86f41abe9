#pragma once

#include <QString>

class SubtitleList;

// What opening a subtitle or transcript file into the list found out.
struct SubtitleFileOpenResult
{
    bool supported = false;  // suffix srt or txt (any case); otherwise nothing changed
    int textEncoding = 0;    // 1 converted from UTF-8, 2 read as GBK, 0 unreadable
    QString workingPath;     // the local-code-page copy for UTF-8 sources, else the source
    bool lineTooLong = false; // a transcript line is too long; the list was left empty
};

// Opens an SRT file or a transcript as the editor does: a UTF-8 source is
// first converted to "<scratchFolder>/<file name>" in the local code page,
// then its entries replace the list in one step.
SubtitleFileOpenResult openSubtitleFile(const QString &path, const QString &scratchFolder,
                                        SubtitleList &list);
