#include "subtitle/LocalCodec.h"

#include <QTextCodec>

namespace {
const QChar ReplacementCharacter(0xFFFD);

QTextCodec *gbkCodec()
{
    static QTextCodec *const codec = QTextCodec::codecForName("GBK");
    return codec;
}
} // namespace

QTextCodec *localCodec()
{
    static QTextCodec *const codec = QTextCodec::codecForName("GB18030");
    return codec;
}

QString localCodecName()
{
    return QStringLiteral("GB18030");
}

QByteArray toLocal8(const QString &text)
{
    return localCodec()->fromUnicode(text);
}

QString fromLocal8(const QByteArray &bytes)
{
    const QString text = localCodec()->toUnicode(bytes);
    if (!text.contains(ReplacementCharacter))
        return text;
    const QString asGbk = gbkCodec()->toUnicode(bytes);
    return asGbk.contains(ReplacementCharacter) ? text : asGbk;
}

QTextCodec *codecOrLocal(const QString &codecName)
{
    QTextCodec *codec = QTextCodec::codecForName(codecName.toLatin1());
    return codec ? codec : localCodec();
}
