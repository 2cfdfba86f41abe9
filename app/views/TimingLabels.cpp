#include "views/TimingLabels.h"

#include <QtGlobal>

QString boundaryShiftValueText(int milliseconds)
{
    return QStringLiteral("   %1ms").arg(qAbs(qint64(milliseconds))).right(6);
}

QString boundaryShiftDirectionText(int milliseconds, const QString &later, const QString &earlier)
{
    if (milliseconds > 0)
        return later;
    if (milliseconds < 0)
        return earlier;
    return QStringLiteral("  ");
}
