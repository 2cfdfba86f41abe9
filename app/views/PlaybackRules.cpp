#include "views/PlaybackRules.h"

#include "subtitle/TimeCode.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QtGlobal>
#include <cmath>

namespace PlaybackRules {

int entryAt(const SubtitleEntries &entries, double seconds)
{
    for (int i = 0; i < entries.size(); ++i) {
        const SubtitleEntry &entry = entries.at(i);
        if (timeCodeToSeconds(entry.startTime) <= seconds && seconds <= timeCodeToSeconds(entry.endTime))
            return i;
    }
    return -1;
}

int lineToPlay(const SubtitleEntries &entries, double seconds)
{
    const int under = entryAt(entries, seconds);
    if (under >= 0)
        return under;
    // The list is not kept sorted by time while the user edits it.
    int just = -1;
    double justEnd = 0;
    int next = -1;
    double nextStart = 0;
    for (int i = 0; i < entries.size(); ++i) {
        const double start = timeCodeToSeconds(entries.at(i).startTime);
        const double end = timeCodeToSeconds(entries.at(i).endTime);
        if (end < seconds && seconds - end <= kLineEndSlack && (just < 0 || end > justEnd)) {
            just = i;
            justEnd = end;
        }
        if (start > seconds && (next < 0 || start < nextStart)) {
            next = i;
            nextStart = start;
        }
    }
    return just >= 0 ? just : next;
}

QString speedText(double speed)
{
    const QString text = QString::number(speed, 'g', 6).trimmed();
    if (text == QLatin1String("1"))
        return QStringLiteral("1X");
    if (text == QLatin1String("2"))
        return QStringLiteral("2X");
    return text;
}

double speedForLabel(const QString &objectName)
{
    const QString name = objectName.trimmed();
    const int n = name.isEmpty() ? 0 : name.right(1).toInt();
    return 2 - (n - 1) * 0.25;
}

VolumeStep volumeForPointer(int x)
{
    x = qBound(0, x, 32);
    VolumeStep step;
    if (x == 0)
        step.image = 0;
    else if (x <= 6)
        step.image = 1;
    else if (x <= 13)
        step.image = 2;
    else if (x <= 19)
        step.image = 3;
    else if (x <= 26)
        step.image = 4;
    else
        step.image = 5;
    step.fraction = x * 0.03125;
    return step;
}

int volumeImageForGain(double gain)
{
    return volumeForPointer(int(std::lround(qBound(0.0, gain, 2.0) / 2.0 * 32))).image;
}

double cubicVolumePercent(double gain)
{
    return 100.0 * std::cbrt(qBound(0.0, gain, 2.0));
}

int sliderValueAt(int minimum, int maximum, int x, int width)
{
    if (width <= 0)
        return minimum;
    return minimum + int(double(x) / width * (maximum - minimum));
}

int sliderValueForFraction(double t, double total, int minimum, int maximum)
{
    if (!(total > 0) || !std::isfinite(t))
        return minimum;
    const double fraction = qBound(0.0, t / total + 0.005, 1.0);
    return minimum + int(fraction * (maximum - minimum));
}

QString refusalReason(const QString &path)
{
    if (path.isEmpty())
        return QStringLiteral("no media file");
    static const QRegularExpression scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]*:"));
    const QFileInfo info(path);
    // Anything with a scheme is a network or device address for the
    // player, never a file.
    if (scheme.match(path).hasMatch() || !info.isAbsolute())
        return QStringLiteral("not a local file path");
    if (!info.exists())
        return QStringLiteral("no such file");
    if (!info.isFile() || !info.isReadable())
        return QStringLiteral("not a readable file");
    return QString();
}

} // namespace PlaybackRules
