#include "audio/ServiceText.h"

#include <QTextCodec>

QTextCodec *serviceCodec()
{
    static QTextCodec *const codec = QTextCodec::codecForName("GBK");
    return codec;
}

QByteArray toServiceText(const QString &text)
{
    return serviceCodec()->fromUnicode(text);
}

QString charactersLostForService(const QString &text)
{
    QString lost;
    QTextCodec *codec = serviceCodec();
    for (int i = 0; i < text.size(); ++i) {
        const int length = text.at(i).isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        const QString character = text.mid(i, length);
        i += length - 1;
        if (!codec->canEncode(character) && !lost.contains(character))
            lost += character;
    }
    return lost;
}

QString fileNameOfPath(const QString &path)
{
    const int cut = qMax(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\')));
    return path.mid(cut + 1);
}

namespace {

// Appends whole characters while they fit.
QByteArray encodeWithin(const QString &name, int maxBytes, bool asFileName)
{
    QByteArray out;
    for (int i = 0; i < name.size(); ++i) {
        const int length = name.at(i).isHighSurrogate() && i + 1 < name.size() ? 2 : 1;
        QByteArray bytes = toServiceText(name.mid(i, length));
        i += length - 1;
        if (asFileName && (bytes.contains('\\') || bytes.contains('/')))
            bytes = "_";
        if (out.size() + bytes.size() > maxBytes)
            break;
        out += bytes;
    }
    return out;
}

} // namespace

QByteArray serviceName(const QString &name, int maxBytes)
{
    return encodeWithin(name, maxBytes, false);
}

QByteArray serviceFileNameBytes(const QString &name, int maxBytes)
{
    return encodeWithin(name, maxBytes, true);
}
