#include "subtitle/FileNameCheck.h"

bool isValidFileName(const QString &name)
{
    if (name.isEmpty())
        return false;
    static const QString forbidden = QStringLiteral("\\/:*?\"<>|");
    for (const QChar ch : name) {
        if (forbidden.contains(ch))
            return false;
    }
    return true;
}
