#pragma once

#include <QString>

// How the split dialog divides an entry's text (counted in QString characters).
struct SplitText
{
    QString front;
    QString back;
};

// Front gets n / 2 characters, back the rest (the dialog's first proposal).
SplitText splitTextInHalf(const QString &text);
// Front gets trunc(n * percent / 100.0 + 0.5) characters (the slider rule).
SplitText splitTextAtPercent(const QString &text, int percent);
