#include "subtitle/SplitText.h"

#include <QtGlobal>

namespace {
SplitText splitAt(const QString &text, int frontLength)
{
    frontLength = qBound(0, frontLength, text.size());
    return {text.left(frontLength), text.mid(frontLength)};
}
} // namespace

SplitText splitTextInHalf(const QString &text)
{
    return splitAt(text, text.size() / 2);
}

SplitText splitTextAtPercent(const QString &text, int percent)
{
    return splitAt(text, int(text.size() * percent / 100.0 + 0.5));
}
