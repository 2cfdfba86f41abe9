#include "account/ConsumeRecord.h"

#include "project/TimeText.h"

#include <QStringList>

QString consumeTypeLabel(const QString &sign)
{
    const QString trimmed = sign.trimmed();
    if (trimmed == QLatin1String("+"))
        return QStringLiteral("充值");
    if (trimmed == QLatin1String("-"))
        return QStringLiteral("消费");
    return QStringLiteral("赠送");
}

QVector<ConsumeRecord> parseConsumeRecords(const QString &reply)
{
    QVector<ConsumeRecord> records;
    const QStringList lines = reply.split(QLatin1Char('\n'));
    for (auto line = lines.crbegin(); line != lines.crend(); ++line) {
        QString text = *line;
        if (text.endsWith(QLatin1Char('\r')))
            text.chop(1);
        const QStringList fields = text.split(QLatin1Char(','));
        if (fields.size() < 4)
            continue;
        records.append(ConsumeRecord{fields[0], consumeTypeLabel(fields[1]), fields[2],
                                     formatDurationText(fields[3].trimmed().toInt())});
    }
    return records;
}
