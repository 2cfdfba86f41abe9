#pragma once

#include "subtitle/SubtitleEntry.h"

#include <QByteArray>
#include <QString>

class SubtitleList;

// Reads SRT text block by block (index line, time line, text lines up to a
// blank line) and appends the entries. Text bytes are kept as they stand
// (local form); several text lines are joined with one space. A block with no
// text is dropped. Lines end at LF, CR LF or a lone CR; NUL bytes are
// skipped. Without a blank line, a new block starts only at an index line
// directly followed by a time line that reads. With `pairFlag` the index line
// is read as "number,extraNumber" as recognition results carry it. A leading
// UTF-8 byte-order mark is skipped.
void readSrtText(const char *data, qint64 length, SubtitleEntries &entries, bool pairFlag);
void readSrtText(const QByteArray &text, SubtitleEntries &entries, bool pairFlag);
void readSrtText(const QByteArray &text, SubtitleList &list, bool pairFlag);

// Reads the whole file with the pair flag clear.
// 1 when the file was read, 0 when it could not be opened.
int readSrtFile(const QString &path, SubtitleEntries &entries);
int readSrtFile(const QString &path, SubtitleList &list);
