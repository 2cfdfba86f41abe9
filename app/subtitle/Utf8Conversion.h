#pragma once

#include <QByteArray>
#include <QString>

enum Utf8TestResult {
    NotUtf8 = 0,
    PlainUtf8 = 1,
    Utf8WithMark = 2 // starts with EF BB BF
};

// Classifies bytes as UTF-8 (with or without byte-order mark) or not.
// A lead byte whose sequence would run past the end still counts as valid.
Utf8TestResult testUtf8(const char *data, qint64 length);
Utf8TestResult testUtf8(const QByteArray &bytes);

// Decodes UTF-8 (mark skipped) into the local code page; unencodable
// characters become '?'.
QByteArray utf8ToLocal8(const QByteArray &utf8);

enum Utf8ConversionResult {
    ConversionFailed = 0,    // source unreadable or target not writable
    ConvertedFromUtf8 = 1,   // target written
    SourceNotUtf8 = 2        // nothing written
};

// Writes a local-code-page copy of a UTF-8 file.
Utf8ConversionResult convertUtf8FileToLocal(const QString &sourcePath, const QString &targetPath);
