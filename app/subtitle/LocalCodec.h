#pragma once

#include <QByteArray>
#include <QString>

class QTextCodec;

// Subtitle text is held in the program's local 8-bit form, GB18030: the same
// bytes as GBK for GBK's characters, and able to hold every other character
// too, so Korean, Thai or emoji read from a UTF-8 file survive until they are
// written out again. These go through an explicit codec and never touch the
// process's locale codec, so file names keep working in UTF-8.
QTextCodec *localCodec();
QString localCodecName(); // "GB18030"
QByteArray toLocal8(const QString &text);
// A text that is not valid GB18030 but valid GBK (GBK's one-byte euro sign,
// 0x80) is read as GBK.
QString fromLocal8(const QByteArray &bytes);
// The named codec, or the local codec when the name is unknown.
QTextCodec *codecOrLocal(const QString &codecName);
