#include "subtitle/EncodingLoss.h"

#include "subtitle/LocalCodec.h"

#include <QTextCodec>

namespace {
bool survives(QTextCodec *codec, const QString &text)
{
    return codec->toUnicode(codec->fromUnicode(text)) == text;
}

// One code point at a time, so a lost surrogate pair counts once.
int countLost(QTextCodec *codec, const QString &text)
{
    int lost = 0;
    for (int i = 0; i < text.size(); ++i) {
        const int width = text.at(i).isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        if (!survives(codec, text.mid(i, width)))
            ++lost;
        i += width - 1;
    }
    return lost;
}
} // namespace

int countUnencodableCharacters(const SubtitleEntries &entries, const QString &codecName)
{
    QTextCodec *codec = QTextCodec::codecForName(codecName.toLatin1());
    if (!codec)
        return -1;
    int lost = 0;
    for (const SubtitleEntry &entry : entries) {
        const QString text = fromLocal8(entry.text);
        if (!survives(codec, text)) // the common case needs no closer look
            lost += countLost(codec, text);
    }
    return lost;
}
