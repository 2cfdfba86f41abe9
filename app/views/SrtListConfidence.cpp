#include "views/SrtListConfidence.h"

int minConfidenceFrom(const std::function<QString(const QString &key)> &readSetting)
{
    bool ok = false;
    const int value = readSetting(ConfidenceKeys::MinConfidence).trimmed().toInt(&ok);
    return ok && value >= 0 && value <= 100 ? value : kDefaultMinConfidence;
}

bool isDoubtful(const SubtitleEntry &entry, int minConfidence)
{
    return entry.extraNumber > 0 && entry.extraNumber < minConfidence;
}

QVector<bool> doubtfulRows(const SubtitleEntries &entries, int minConfidence)
{
    QVector<bool> flags(entries.size(), false);
    for (int i = 0; i < entries.size(); ++i)
        flags[i] = isDoubtful(entries.at(i), minConfidence);
    return flags;
}

QString confidenceWarningText(const SubtitleEntry &entry)
{
    return QStringLiteral("识别置信度 %1%，建议复核").arg(entry.extraNumber);
}

QColor doubtfulColour()
{
    return QColor(110, 210, 255);
}
