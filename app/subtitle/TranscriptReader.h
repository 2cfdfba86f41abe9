#pragma once

#include "subtitle/SubtitleEntry.h"

#include <QByteArray>
#include <QString>

class SubtitleList;

// Longest line, white space not counted, that the service accepts (GBK bytes).
constexpr int kTranscriptLineLimit = 50;

// One untimed entry per line, empty lines included. Text is decoded as GBK
// unless it starts with a Unicode byte-order mark. Returns true when some
// line is too long for the service; reading still takes every line.
bool readTranscriptText(const QByteArray &bytes, SubtitleEntries &entries);

// As above from a file; false with nothing read when it cannot be opened.
bool readTranscriptFile(const QString &path, SubtitleEntries &entries);
bool readTranscriptFile(const QString &path, SubtitleList &list);
