#include "TranscriptText.h"

#include <QString>
#include <QStringList>
#include <QTextCodec>

namespace cw::service {

namespace {

QString decode(const std::string &bytes)
{
    QByteArray raw(bytes.data(), int(bytes.size()));
    if (raw.startsWith("\xEF\xBB\xBF"))
        raw.remove(0, 3);
    QTextCodec::ConverterState state;
    const QString utf8 = QTextCodec::codecForName("UTF-8")->toUnicode(raw.constData(), raw.size(), &state);
    if (state.invalidChars == 0 && state.remainingChars == 0)
        return utf8;
    return QTextCodec::codecForName("GBK")->toUnicode(raw);
}

}  // namespace

std::vector<std::string> transcriptLines(const std::string &bytes)
{
    std::vector<std::string> lines;
    const QString text = decode(bytes);
    for (const QString &line : text.split(QLatin1Char('\n'))) {
        const QString trimmed = line.trimmed();
        if (!trimmed.isEmpty())
            lines.push_back(trimmed.toStdString());
    }
    return lines;
}

}  // namespace cw::service
