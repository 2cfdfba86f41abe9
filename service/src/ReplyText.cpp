#include "ReplyText.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QTextCodec>

#include <cjson/cJSON.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace cw::service {

std::string loginReplyBody(const std::string &session)
{
    cJSON *root = cJSON_CreateObject();
    cJSON_AddStringToObject(root, "session", session.c_str());
    char *printed = cJSON_Print(root);
    std::string body = printed ? printed : "";
    cJSON_free(printed);
    cJSON_Delete(root);
    return body;
}

std::string progressBody(int total, int done)
{
    return std::to_string(total) + "," + std::to_string(done);
}

std::string clockText(int64_t ms)
{
    if (ms < 0)
        ms = 0;
    char text[48];
    std::snprintf(text, sizeof text, "%02lld:%02lld:%02lld,%03lld", static_cast<long long>(ms / 3600000),
                  static_cast<long long>(ms / 60000 % 60), static_cast<long long>(ms / 1000 % 60),
                  static_cast<long long>(ms % 1000));
    return text;
}

int confidencePercent(double confidence)
{
    if (!(confidence > 0))  // NaN too
        return 0;
    return int(std::lround(std::min(confidence, 1.0) * 100));
}

std::string resultText(const std::vector<engines::TimedLine> &lines)
{
    QTextCodec *gbk = QTextCodec::codecForName("GBK");
    std::string text;
    int number = 0;
    for (const engines::TimedLine &line : lines) {
        QString words = QString::fromUtf8(line.text.data(), int(line.text.size()));
        words.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
        const QByteArray encoded = gbk->fromUnicode(words.trimmed());
        text += std::to_string(++number) + "," + std::to_string(confidencePercent(line.confidence)) + "\n";
        text += clockText(line.startMs) + " --> " + clockText(line.endMs) + "\n";
        text += std::string(encoded.constData(), size_t(encoded.size())) + "\n\n";
    }
    return text;
}

std::string fieldText(const std::string &raw)
{
    std::string field = raw;
    for (char &c : field)
        if (c == ',' || c == '\n' || c == '\r' || c == '\0')
            c = ' ';
    return field;
}

std::string localTimeText(int64_t epochSeconds)
{
    const QString text = QDateTime::fromSecsSinceEpoch(epochSeconds).toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
    return text.toStdString();
}

std::string recordLine(int64_t at, char sign, const std::string &amount, int64_t seconds)
{
    return localTimeText(at) + "," + std::string(1, sign) + "," + fieldText(amount) + "," + std::to_string(seconds);
}

std::string queryLine(int64_t at, const std::string &filename, int64_t seconds, const std::string &state)
{
    return localTimeText(at) + "," + fieldText(filename) + "," + std::to_string(seconds) + "," + state;
}

std::string joinLines(const std::vector<std::string> &lines)
{
    std::string text;
    for (const std::string &line : lines)
        text += line + "\n";
    return text;
}

}  // namespace cw::service
