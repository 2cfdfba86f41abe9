#pragma once

#include "subtitle/SubtitleEntry.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

// The encodings the export offers, in list order: "GBK", "GB18030", "Big5", "UTF-8".
QStringList exportCodecNames();

enum class SubtitleFormat { Srt, Ass, WebVtt, Txt, Lrc };

// "srt", "ass", "vtt", "txt", "lrc" (any case); false for anything else.
bool subtitleFormatFromSuffix(const QString &suffix, SubtitleFormat *format);
QString subtitleFormatSuffix(SubtitleFormat format);

// File contents, byte for byte: CR LF line ends, no byte-order mark. Text is
// held in the local form and re-encoded with `codecName` (an unknown name
// means the local form, whose bytes are written unchanged); ASS and WebVTT
// are always UTF-8.
QByteArray composeSrt(const SubtitleEntries &entries, const QString &codecName);
QByteArray composeTxt(const SubtitleEntries &entries, const QString &codecName);
QByteArray composeLrc(const SubtitleEntries &entries, const QString &codecName);
QByteArray composeAss(const SubtitleEntries &entries, const QString &title);
QByteArray composeWebVtt(const SubtitleEntries &entries);

// Writers. Each replaces the file atomically; on failure the old file stays.
bool writeSrtFile(const SubtitleEntries &entries, const QString &path, const QString &codecName);
int writeTxtFile(const SubtitleEntries &entries, const QString &path, const QString &codecName); // 0, -1 on failure
int writeLrcFile(const SubtitleEntries &entries, const QString &path, const QString &codecName); // 0, -1 on failure
int writeAssFile(const QString &path, const SubtitleEntries &entries, const QString &title); // 0, -1 on failure
int writeWebVttFile(const QString &path, const SubtitleEntries &entries); // 0, -1 on failure

// Writes with the writer `format` names; `title` is used by ASS only.
// True when the file was written.
bool writeSubtitleFile(SubtitleFormat format, const SubtitleEntries &entries, const QString &path,
                       const QString &codecName, const QString &title);
