#pragma once

#include <QByteArray>
#include <QString>

class QTextCodec;

// What the service reads as text (names, transcripts) it decodes as GBK, not
// as the program's GB18030: characters GBK cannot hold become "?" here
// rather than four-byte sequences the service would misread.
QTextCodec *serviceCodec();
QByteArray toServiceText(const QString &text);

// The characters of `text` that GBK cannot hold, each once, in order.
QString charactersLostForService(const QString &text);

// The part of a path after its last '/' or '\'.
QString fileNameOfPath(const QString &path);

// GBK bytes of `name`, at most `maxBytes`, never splitting a character.
QByteArray serviceName(const QString &name, int maxBytes);

// As serviceName, but also one safe file-name component: characters whose
// bytes hold '\' (which the library cuts names at, also a GBK trail byte) or
// '/' become '_'.
QByteArray serviceFileNameBytes(const QString &name, int maxBytes);
