#include "audio/FfmpegProgress.h"

#include <QRegularExpression>
#include <QStringList>

#include <cmath>

namespace {

// "hh:mm:ss.xx"; ffmpeg writes "N/A" (or a negative time) before the first frame.
double clockSeconds(const QString &text)
{
    const QStringList parts = text.split(QLatin1Char(':'));
    if (parts.size() != 3)
        return -1;
    bool okH = false, okM = false, okS = false;
    const double h = parts[0].toDouble(&okH);
    const double m = parts[1].toDouble(&okM);
    const double s = parts[2].toDouble(&okS);
    if (!okH || !okM || !okS || h < 0 || m < 0 || s < 0)
        return -1;
    return h * 3600 + m * 60 + s;
}

} // namespace

FfmpegProgress parseFfmpegProgress(const QString &chunk)
{
    FfmpegProgress progress;
    const int start = chunk.lastIndexOf(QLatin1String("frame="));
    const int timeAt = chunk.lastIndexOf(QLatin1String("time="));
    const int from = start >= 0 ? start : timeAt;
    if (from < 0)
        return progress;
    const QString report = chunk.mid(from).section(QRegularExpression(QStringLiteral("[\r\n]")), 0, 0);
    static const QRegularExpression field(QStringLiteral("(frame|time|speed)=\\s*([^\\s]+)"));
    auto matches = field.globalMatch(report);
    while (matches.hasNext()) {
        const QRegularExpressionMatch m = matches.next();
        const QString name = m.captured(1);
        const QString value = m.captured(2);
        if (name == QLatin1String("frame")) {
            bool ok = false;
            const qint64 n = value.toLongLong(&ok);
            if (ok && n >= 0)
                progress.frame = n;
        } else if (name == QLatin1String("time")) {
            progress.seconds = clockSeconds(value);
        } else {
            QString number = value;
            number.remove(QLatin1Char('x'));
            bool ok = false;
            const double speed = number.toDouble(&ok);
            if (ok && std::isfinite(speed) && speed > 0)
                progress.speed = speed;
        }
    }
    return progress;
}

int framePercent(qint64 frame, qint64 totalFrames)
{
    if (totalFrames <= 0 || frame < 0)
        return -1;
    const qint64 percent = frame * 100 / totalFrames;
    return int(qMin<qint64>(percent, 99));
}

int timePercent(double seconds, double totalSeconds)
{
    if (!(totalSeconds > 0) || !(seconds >= 0))
        return -1;
    return int(qMin(seconds / totalSeconds * 100, 99.0));
}

double remainingSeconds(double doneSeconds, double totalSeconds, double speed)
{
    if (!(totalSeconds > 0) || !(doneSeconds >= 0) || !(speed > 0))
        return -1;
    return qMax(0.0, totalSeconds - doneSeconds) / speed;
}

QString lastErrorLine(const QString &output)
{
    const QStringList lines = output.split(QRegularExpression(QStringLiteral("[\r\n]+")), Qt::SkipEmptyParts);
    static const QRegularExpression errorish(
        QStringLiteral("error|invalid|no such|not found|unable|cannot|could not|failed|denied"),
        QRegularExpression::CaseInsensitiveOption);
    for (auto it = lines.crbegin(); it != lines.crend(); ++it) {
        const QString line = it->trimmed();
        // "Conversion failed!" only says that something before it did.
        if (!line.startsWith(QLatin1String("frame=")) && line != QLatin1String("Conversion failed!")
            && errorish.match(line).hasMatch())
            return line;
    }
    return lines.isEmpty() ? QString() : lines.last().trimmed();
}
