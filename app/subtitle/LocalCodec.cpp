#include "subtitle/LocalCodec.h"

#include <QTextCodec>

QTextCodec *localCodec()
{
    static QTextCodec *const codec = QTextCodec::codecForName("GBK");
    return codec;
}

QByteArray toLocal8(const QString &text)
{
    return localCodec()->fromUnicode(text);
}

QString fromLocal8(const QByteArray &bytes)
{
    return localCodec()->toUnicode(bytes);
}

QTextCodec *codecOrLocal(const QString &codecName)
{
    QTextCodec *codec = QTextCodec::codecForName(codecName.toLatin1());
    return codec ? codec : localCodec();
}
