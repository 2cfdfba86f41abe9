#pragma once

#include <QByteArray>
#include <QString>

class QTextCodec;

// Subtitle text is held in the local 8-bit code page, which is GBK. These go
// through an explicit codec and never touch the process's locale codec, so
// file names keep working in UTF-8.
QTextCodec *localCodec();
QByteArray toLocal8(const QString &text);   // unencodable characters become '?'
QString fromLocal8(const QByteArray &bytes);
// The named codec, or the local codec when the name is unknown.
QTextCodec *codecOrLocal(const QString &codecName);
